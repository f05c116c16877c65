#pragma once

#include "connection/EngineProgress.h"
#include "connection/Field.h"
#include "connection/ParameterScanner.h"
#include "connection/SqlLexer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class RowStore;
class SchemaCatalogue;

/// A result column as the driver describes it.
struct ColumnInfo
{
    QString name;
    FieldType type = FieldType::Text;
    int displayWidth = 10;
};

/// Where the changes of a live result go: one base table, and for each result column the SQL
/// text naming its column there. keyColumns are the result columns that identify a row.
struct LiveTarget
{
    QString tableSql;
    QStringList columnSql;
    QList<int> keyColumns;
};

/// A fetched result: every row, its columns, and the live target when one was asked for and
/// could be granted.
struct FetchedResult
{
    std::unique_ptr<RowStore> rows;
    QList<ColumnInfo> columns;
    std::optional<LiveTarget> live;
};

/// One open database behind the connection: SQLite, PostgreSQL and ODBC natively, any other Qt
/// driver through Qt Sql. Values are always bound, never pasted into statement text. Failures raise
/// EngineError with the entries the engine reported.
///
/// Every call that runs a statement reports its progress to the progress callback and can be
/// stopped with cancel() while it runs.
class DatabaseDriver
{
public:
    virtual ~DatabaseDriver() = default;

    /// The callback later calls report to (none when empty). Not to be changed while a call runs.
    void setProgressCallback(ProgressCallback callback) { m_progress = std::move(callback); }
    /// Asks the call running now to stop. Safe from the progress callback and from any thread;
    /// harmless when no call runs. The call then raises EngineError with the engine's own message,
    /// keeps no half result and leaves the connection usable.
    virtual void cancel() = 0;
    /// Gives up the call running now when the engine did not stop after cancel() (a server that
    /// stopped answering): the call returns as soon as the driver regains control, raising
    /// EngineFailure::ServerDidNotAnswer() where the engine's session was closed under it. The
    /// driver is of no further use; its destructor may still wait for the engine, so it is best
    /// destroyed where waiting blocks no one. Safe from the progress callback.
    virtual void abandon() = 0;

    /// The text to send for a statement, with marker k replaced by placeholder(k).
    virtual QString bindableText(const QString& sql, const QList<ParameterMarker>& markers) const = 0;
    /// The placeholder of the k-th bound value (0-based) in statements the engine builds itself.
    virtual QString placeholder(int index) const = 0;

    /// Runs a row-returning statement and fetches all its rows; WrapperError when it returns none.
    virtual FetchedResult fetch(const QString& sql, const QVariantList& values, bool wantLive) = 0;
    /// Runs a statement without rows; the rows it changed (by the statement itself, not by
    /// triggers), or -1 when the engine cannot tell. When the statement did return rows after all
    /// and rows is given, they are fetched there rather than dropped.
    virtual int execute(const QString& sql, const QVariantList& values, FetchedResult* rows = nullptr) = 0;
    /// Whether a statement returns rows, when the engine can tell without running it.
    virtual std::optional<bool> returnsRows(const QString& sql) const
    {
        Q_UNUSED(sql);
        return std::nullopt;
    }
    /// Runs one keyed INSERT, UPDATE or DELETE in its own transaction and commits it only when it
    /// touched exactly one row; returns the number of rows it touched (rolled back unless 1). With
    /// returned given, the statement ends in a RETURNING clause and the row's values land there.
    virtual int runKeyedChange(const QString& sql, const QVariantList& values,
                               QList<std::optional<QByteArray>>* returned) = 0;
    /// Whether INSERT and UPDATE take a RETURNING clause.
    virtual bool supportsReturning() const = 0;
    /// Whether keyed statements bind reals as their text (engines with exact decimals).
    virtual bool bindsRealsAsText() const = 0;
    /// An identifier quoted for this engine.
    virtual QString quoteIdentifier(const QString& name) const = 0;
    /// A result column's name as it must stand in a statement: bare where the engine reads the
    /// bare name as this column, quoted otherwise.
    virtual QString nameForSql(const QString& name) const = 0;
    /// The source's schemas, tables and views with their columns, from the engine's own catalogue;
    /// reports progress and stops on cancel() like any statement.
    virtual SchemaCatalogue readCatalogue() = 0;
    /// How this engine reads SQL text where engines differ (comments that nest).
    virtual SqlDialect sqlDialect() const { return SqlDialect::Standard; }

    /// Whether the session holds a transaction that is still open: one the user's own BEGIN
    /// started, or the engine's manual commit mode. Closing the session now would roll it back.
    virtual bool inTransaction() const { return false; }
    /// Commits or rolls back that transaction; harmless when none is open.
    virtual void endTransaction(bool commit)
    {
        if (inTransaction())
            execute(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"), {});
    }

protected:
    ProgressCallback m_progress;
};
