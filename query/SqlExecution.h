#pragma once

#include "query/SqlHistory.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

struct AppContext;
class QDateTime;
class Query;
class TFRM_Query;
class QWidget;
enum class SqlDialect;

/// Runs the editor's SQL (the "Execute SQL" command): builds one statement from the editor's
/// logical lines, normalises it and takes one of two roads. A row-returning statement has its
/// parameters asked for, is opened in up to three attempts (live, live after the simple
/// normaliser, read-only) and shown in the modal result window; any other statement is executed
/// and its affected rows are reported. Failures are shown with the engine's own messages.
///
/// Needs ctx.query (the result window) and ctx.connection. Keep one object for the run: the
/// statement and the parameter values of the last execution stay readable until the next.
class SqlExecution final
{
public:
    enum class Outcome
    {
        ResultShown, ///< the result window was shown and has closed
        CommandDone, ///< a statement without rows ran; its success was reported
        Failed,      ///< an error box was shown
    };

    explicit SqlExecution(AppContext& ctx);

    /// BBN_ExecuteSQLClick. editorLines are the editor's logical lines (paragraphs), whole;
    /// mainWindowTopLeft is where a never-placed result window opens.
    Outcome BBN_ExecuteSQLClick(const QStringList& editorLines, const QPoint& mainWindowTopLeft);

    /// The normalised statement of the last execution.
    const QString& statement() const { return m_statement; }
    /// The parameter values entered in the last row-returning execution, by position.
    const QStringList& paramList() const { return m_paramList; }

    /// Notes every execution in history, then calls recorded. A history that fails is told once
    /// and never stops a statement. Without one, nothing is noted.
    void setHistory(const SqlHistory* history, std::function<void()> recorded = {});

    /// One text from the lines, each followed by a line break, trimmed (codes 0 to 32) at both ends.
    static QString JoinLines(const QStringList& editorLines);

private:
    Outcome runRows(TFRM_Query& window, const QPoint& mainWindowTopLeft);
    Outcome runCommand(TFRM_Query& window, const QPoint& mainWindowTopLeft);
    /// Fills the two fields, places and shows the result window of the open query.
    Outcome showResult(TFRM_Query& window, const QDateTime& start, const QPoint& mainWindowTopLeft);
    bool takesRowRoad(TFRM_Query& window) const;
    /// The connected engine's reading of SQL text.
    SqlDialect dialect() const;
    QWidget* progressParent(TFRM_Query& window) const;
    void placeWindow(TFRM_Query& window, const QPoint& mainWindowTopLeft);

    void remember(HistoryEntry::Kind kind, const QDateTime& start, qint64 count, const QString& error = {});

    AppContext& m_ctx;
    const SqlHistory* m_history = nullptr;
    std::function<void()> m_recorded;
    bool m_historyFailureTold = false;
    QString m_written;    ///< the editor's text as it was run
    QString m_writtenFor; ///< the statement m_written gave
    QString m_statement;
    QStringList m_paramList;
};
