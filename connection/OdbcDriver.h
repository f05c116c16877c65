#pragma once

#include "connection/DatabaseDriver.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

/// What an ODBC connection is opened with.
struct OdbcConnectFacts
{
    /// A data source name, or a whole connection string (it holds "=") such as "DRIVER=...;...".
    QString dataSource;
    QString userName;
    QString password;
};

/// Any ODBC data source through the driver manager's API. Rows arrive in blocks of bound column
/// arrays as narrow (UTF-8) text and go straight into the row store; a value longer than its
/// buffer is read whole with SQLGetData. Every call that may block runs on a worker thread while
/// the calling thread waits and reports progress; cancel() is SQLCancel on the running statement.
/// An abandoned call leaves its worker to finish alone: the worker holds copies of its inputs and
/// hands its result to no one, and the destructor waits for it.
/// Live results are granted for a plain single-table SELECT whose columns include the table's
/// whole primary key, as the catalogue functions report it.
class OdbcDriver final : public DatabaseDriver
{
public:
    /// Connects within watch.timeout; EngineError with every diagnostic record on failure, "HY008"
    /// when the watch asks to stop, "HYT00" when the time is up.
    OdbcDriver(const OdbcConnectFacts& facts, const ConnectWatch& watch);
    ~OdbcDriver() override;
    OdbcDriver(const OdbcDriver&) = delete;
    OdbcDriver& operator=(const OdbcDriver&) = delete;

    QString bindableText(const QString& sql, const QList<ParameterMarker>& markers) const override;
    QString placeholder(int index) const override;
    FetchedResult fetch(const QString& sql, const QVariantList& values, bool wantLive) override;
    int execute(const QString& sql, const QVariantList& values, FetchedResult* rows = nullptr) override;
    std::optional<bool> returnsRows(const QString& sql) const override;
    int runKeyedChange(const QString& sql, const QVariantList& values,
                       QList<std::optional<QByteArray>>* returned) override;
    bool supportsReturning() const override { return false; }
    bool bindsRealsAsText() const override { return true; }
    QString quoteIdentifier(const QString& name) const override;
    QString nameForSql(const QString& name) const override;
    SchemaCatalogue readCatalogue() override;
    void cancel() override;
    void abandon() override;
    bool inTransaction() const override;
    void endTransaction(bool commit) override;

    /// Whether the driver is psqlODBC (its whole-result cache is switched off).
    bool isPostgres() const { return m_postgres; }

    struct Session;

private:
    class Statement;

    /// Runs work on a worker thread; the calling thread waits, reporting progress, until it ends.
    template <typename Work> auto onWorker(Work&& work) const;

    std::optional<LiveTarget> liveTarget(const QString& sql, const QList<ColumnInfo>& columns,
                                         const QStringList& tables) const;
    QStringList catalogNames(bool keys, const QString& tableSql, const QString& tableName) const;
    /// Runs the statement text with its values bound on a fresh statement.
    void run(Statement& statement, const QString& sql, const QVariantList& values) const;
    FetchedResult fetchAll(Statement& statement, QStringList* tables) const;
    FetchedResult fetchOnWorker(const QString& sql, const QVariantList& values, bool wantLive);
    int executeOnWorker(const QString& sql, const QVariantList& values, FetchedResult* rows);
    /// The work's result; an engine refusal of a statement that holds a "?" gains the reason
    /// psqlODBC gives none for.
    template <typename Work> auto hintingMarkers(const QString& sql, Work&& work) const;

    std::shared_ptr<Session> m_session;
    bool m_postgres = false;
    bool m_transactions = true;
    QString m_quote = QStringLiteral("\"");
    int m_identifierCase = 0;
    quint32 m_getData = 0;

    mutable std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_abandoned{false};
    /// Waits for the worker of an abandoned call.
    mutable std::function<void()> m_awaitOrphan;
    mutable std::atomic<qint64> m_rowsSoFar{-1};
    /// The statement handle a cancel goes to, while one runs.
    mutable std::mutex m_runningLock;
    mutable void* m_running = nullptr;
    /// Counts the statements made, so that a late cancel never reaches a later statement.
    mutable std::atomic<quint64> m_generation{0};
    /// The cancel on its way, on a thread of its own; guarded by m_cancelLock.
    std::future<void> m_cancelRequest;
    std::mutex m_cancelLock;
};
