#include "query/SqlExecution.h"

#include "connection/Connection.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "connection/WatchedCall.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "platform/WindowPlacement.h"
#include "query/DataSourceLink.h"
#include "query/EngineErrorBox.h"
#include "query/FillParameters.h"
#include "query/Generic.h"
#include "query/query.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "settings/StoredPlacement.h"

#include <QDateTime>

#include <algorithm>

#include <optional>

namespace {

const QString kShortDateFormat = QStringLiteral("MM/dd/yyyy");
const QString kSuccess = QStringLiteral("SQL executed successfully");
const QString kRowsAffected = QStringLiteral(" rows were affected.");
const QString kError = QStringLiteral("Error executing SQL");
const QString kExecuting = QStringLiteral("Executing SQL");
const QString kHistoryGoesOn =
    QStringLiteral("\r\rStatements still run; they are not kept in the SQL history "
                   "while its file cannot be written.");

/// One open attempt; false when it failed. The failure of the last attempt is kept for its box.
bool tryOpen(Query& query, bool live, std::exception_ptr* failure)
{
    try {
        query.setRequestLive(live);
        query.open();
        return true;
    } catch (const ResultTooLarge&) {
        // Another attempt would fetch the same rows into the same memory.
        throw;
    } catch (const std::exception&) {
        if (failure)
            *failure = std::current_exception();
        return false;
    }
}

} // namespace

SqlExecution::SqlExecution(AppContext& ctx) : m_ctx(ctx) {}

void SqlExecution::setHistory(const SqlHistory* history, std::function<void()> recorded)
{
    m_history = history;
    m_recorded = std::move(recorded);
}

void SqlExecution::remember(HistoryEntry::Kind kind, const QDateTime& start, qint64 count,
                            const QString& error)
{
    // A statement that never reached the engine (parameters refused) is no part of the history.
    if (!m_history || !start.isValid())
        return;
    HistoryEntry entry;
    // As the user wrote it, to be taken back into the editor (the normalised text is upper case);
    // a statement that reached here another way is kept as it ran.
    entry.statement = m_writtenFor == m_statement ? m_written : m_statement;
    entry.dataSource = m_ctx.facts.CurrentDataSource;
    entry.user = m_ctx.facts.CurrentUserName;
    entry.start = start;
    entry.durationMs = start.msecsTo(QDateTime::currentDateTime());
    entry.kind = kind;
    entry.count = count;
    entry.error = SqlHistory::FirstLine(error);
    try {
        m_history->record(entry);
    } catch (const HistoryError& failure) {
        if (!m_historyFailureTold) {
            m_historyFailureTold = true;
            m_ctx.desktop.messageBox(BoxKind::Error, QString::fromUtf8(failure.what()) + kHistoryGoesOn,
                                     BoxButtons::Ok, m_ctx.windows.queryTool);
        }
        return;
    }
    if (m_recorded)
        m_recorded();
}

QString SqlExecution::JoinLines(const QStringList& editorLines)
{
    QString text;
    qsizetype size = 0;
    for (const QString& line : editorLines)
        size += line.size() + 1;
    text.reserve(size);
    // Line breaks, not blanks: a "--" comment ends at its line, and a literal spanning lines
    // keeps its own. The normaliser turns the others into blanks.
    for (const QString& line : editorLines) {
        text += line;
        text += QLatin1Char('\n');
    }
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from].unicode() <= 32)
        ++from;
    while (to > from && text[to - 1].unicode() <= 32)
        --to;
    return text.sliced(from, to - from);
}

SqlExecution::Outcome SqlExecution::BBN_ExecuteSQLClick(const QStringList& editorLines,
                                                        const QPoint& mainWindowTopLeft)
{
    Q_ASSERT(m_ctx.query);
    TFRM_Query& window = *m_ctx.query;
    window.clearCounts();
    m_ctx.shortDateFormat = kShortDateFormat;
    {
        const BusyCursor busy(m_ctx.desktop);
        m_written = JoinLines(editorLines);
        m_statement = NormalizeSQL(m_written, dialect());
        m_writtenFor = m_statement;
    }
    bool rows = false;
    try {
        rows = takesRowRoad(window);
    } catch (const EngineError& e) {
        window.clearCounts();
        ShowEngineError(m_ctx.desktop, e, &window);
        return Outcome::Failed;
    } catch (const std::exception&) {
        window.clearCounts();
        m_ctx.desktop.messageBox(BoxKind::Plain, kError, BoxButtons::Ok, &window);
        return Outcome::Failed;
    }
    return rows ? runRows(window, mainWindowTopLeft) : runCommand(window, mainWindowTopLeft);
}

SqlDialect SqlExecution::dialect() const
{
    return m_ctx.connection ? m_ctx.connection->sqlDialect() : SqlDialect::Standard;
}

bool SqlExecution::takesRowRoad(TFRM_Query& window) const
{
    Query& query = window.QRY_Grid();
    // The engine's own answer where it can give one before running anything. Asking may wait on
    // the server as long as running does, so the user can stop it the same way.
    const WatchedCall watch(query.connection(), progressParent(window), kExecuting);
    std::optional<bool> known;
    try {
        query.close();
        query.clearSql();
        query.addSql(m_statement);
        known = query.returnsRows();
    } catch (const std::exception&) {
        // A stopped question ends the execution: the user did not want the statement run.
        if (watch.cancelled())
            throw;
        // Otherwise no answer: the text decides, and running it reports what is wrong.
    }
    if (watch.cancelled())
        throw EngineFailure::Cancelled();
    return known.value_or(IsSelectStatement(m_statement, dialect()));
}

SqlExecution::Outcome SqlExecution::runRows(TFRM_Query& window, const QPoint& mainWindowTopLeft)
{
    std::optional<BusyCursor> busy(std::in_place, m_ctx.desktop);
    std::exception_ptr failure;
    QDateTime start;
    try {
        Query& query = window.QRY_Grid();
        query.close();
        window.DSC_Grid->setDataSet(&query);
        query.clearSql();
        query.addSql(m_statement);

        m_paramList.clear();
        FillParameters(m_ctx.desktop, query, m_paramList, kIntoParamList, &window);
        start = QDateTime::currentDateTime();

        const WatchedCall watch(query.connection(), progressParent(window), kExecuting);
        // A cancelled attempt ends the execution: the next attempt would run the statement again.
        bool opened = tryOpen(query, true, &failure);
        if (!opened && watch.cancelled())
            std::rethrow_exception(failure);
        if (!opened) {
            query.clearSql();
            query.addSql(UpperCaseSQLWords(m_statement, dialect()));
            FillParameters(m_ctx.desktop, query, m_paramList, kFromParamList, &window);
            opened = tryOpen(query, true, &failure);
            if (!opened && watch.cancelled())
                std::rethrow_exception(failure);
        }
        if (!opened && !tryOpen(query, false, &failure))
            std::rethrow_exception(failure);

    } catch (const EngineError& e) {
        busy.reset();
        window.clearCounts();
        remember(HistoryEntry::Kind::Error, start, 0, QString::fromUtf8(e.what()));
        ShowEngineError(m_ctx.desktop, e, &window);
        return Outcome::Failed;
    } catch (const std::exception& e) {
        busy.reset();
        window.clearCounts();
        remember(HistoryEntry::Kind::Error, start, 0, QString::fromUtf8(e.what()));
        m_ctx.desktop.messageBox(BoxKind::Plain, kError, BoxButtons::Ok, &window);
        return Outcome::Failed;
    }
    busy.reset();
    remember(HistoryEntry::Kind::Rows, start, window.QRY_Grid().recordCount());
    return showResult(window, start, mainWindowTopLeft);
}

SqlExecution::Outcome SqlExecution::showResult(TFRM_Query& window, const QDateTime& start,
                                               const QPoint& mainWindowTopLeft)
{
    const BusyCursor busy(m_ctx.desktop);
    window.showCounts(window.QRY_Grid().recordCount(), ElapsedTimeText(start, QDateTime::currentDateTime()));
    placeWindow(window, mainWindowTopLeft);
    m_ctx.desktop.suspendBusy();
    window.exec();
    m_ctx.desktop.resumeBusy();

    if (window.hasQuery())
        window.QRY_Grid().close();
    window.clearCounts();
    return Outcome::ResultShown;
}

SqlExecution::Outcome SqlExecution::runCommand(TFRM_Query& window, const QPoint& mainWindowTopLeft)
{
    std::optional<BusyCursor> busy(std::in_place, m_ctx.desktop);
    int affected = -1;
    const QDateTime start = QDateTime::currentDateTime();
    try {
        Query& query = window.QRY_Grid();
        query.close();
        window.DSC_Grid->setDataSet(nullptr);
        query.clearSql();
        query.addSql(m_statement);
        query.setRequestLive(false);
        const WatchedCall watch(query.connection(), progressParent(window), kExecuting);
        query.execSQL();
        affected = query.rowsAffected();
    } catch (const EngineError& e) {
        busy.reset();
        remember(HistoryEntry::Kind::Error, start, 0, QString::fromUtf8(e.what()));
        ShowEngineError(m_ctx.desktop, e, &window);
        return Outcome::Failed;
    } catch (const std::exception& e) {
        busy.reset();
        remember(HistoryEntry::Kind::Error, start, 0, QString::fromUtf8(e.what()));
        m_ctx.desktop.messageBox(BoxKind::Plain, kError, BoxButtons::Ok, &window);
        return Outcome::Failed;
    }
    if (window.QRY_Grid().isActive()) {
        // The statement returned rows after all: they are shown, never dropped.
        window.DSC_Grid->setDataSet(&window.QRY_Grid());
        busy.reset();
        remember(HistoryEntry::Kind::Rows, start, window.QRY_Grid().recordCount());
        return showResult(window, start, mainWindowTopLeft);
    }
    busy.reset();
    remember(HistoryEntry::Kind::Affected, start, affected);
    const QString text =
        affected == -1 ? kSuccess : kSuccess + QLatin1Char('\r') + QString::number(affected) + kRowsAffected;
    m_ctx.desktop.messageBox(BoxKind::Information, text, BoxButtons::Ok, &window);
    window.QRY_Grid().close();
    window.clearCounts();
    return Outcome::CommandDone;
}

QWidget* SqlExecution::progressParent(TFRM_Query& window) const
{
    // The main window started the call; the result window is hidden until the rows are there.
    if (m_ctx.windows.queryTool && m_ctx.windows.queryTool->isVisible())
        return m_ctx.windows.queryTool;
    return &window;
}

void SqlExecution::placeWindow(TFRM_Query& window, const QPoint& mainWindowTopLeft)
{
    namespace G = Schema::Grid;
    SettingsStore store = m_ctx.settings.open();
    const int never = Schema::Placement::kNeverPlaced;
    Placement placement = ReadPlacement(store, G::Window);
    // A window never placed opens at the main window's corner, and that corner is kept.
    if (placement.frame.x() == never) {
        placement.frame.moveLeft(mainWindowTopLeft.x());
        store.Write(G::Left, mainWindowTopLeft.x());
    }
    if (placement.frame.y() == never) {
        placement.frame.moveTop(mainWindowTopLeft.y());
        store.Write(G::Top, mainWindowTopLeft.y());
    }
    window.placement().apply(placement);
}
