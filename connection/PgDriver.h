#pragma once

#include "connection/DatabaseDriver.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

struct pg_conn;
struct pg_result;
struct pg_cancel;
class EngineError;

/// What a PostgreSQL connection is opened with. Only what is set is passed on, so that libpq's
/// environment (PGHOST, PGSERVICE, ...) and service files fill in the rest.
struct PgConnectionFacts
{
    QString database; ///< a database name, or a connection string or URI
    QString host;
    int port = -1;
    QString options; ///< "keyword=value;keyword=value": any libpq connection keyword
    QString userName;
    QString password;
};

/// PostgreSQL through libpq. Statements are sent asynchronously, with every value bound; rows
/// arrive one by one (single-row mode) and go straight into the row store. Waiting on the server
/// happens on the connection's socket in short slices, so progress is reported and cancel() (a
/// cancel request to the server) takes effect while a statement runs.
class PgDriver final : public DatabaseDriver
{
public:
    /// Connects, reporting to watch.progress while it waits; EngineError when the server refuses,
    /// when the time allowed (the connect_timeout option, else watch.timeout) passes ("HYT00"),
    /// or when watch asks to stop ("HY008").
    PgDriver(const PgConnectionFacts& facts, const ConnectWatch& watch);
    ~PgDriver() override;
    PgDriver(const PgDriver&) = delete;
    PgDriver& operator=(const PgDriver&) = delete;

    QString bindableText(const QString& sql, const QList<ParameterMarker>& markers) const override;
    QString placeholder(int index) const override;
    FetchedResult fetch(const QString& sql, const QVariantList& values, bool wantLive) override;
    int execute(const QString& sql, const QVariantList& values, FetchedResult* rows = nullptr) override;
    std::optional<bool> returnsRows(const QString& sql) const override;
    int runKeyedChange(const QString& sql, const QVariantList& values,
                       QList<std::optional<QByteArray>>* returned) override;
    bool supportsReturning() const override { return true; }
    bool bindsRealsAsText() const override { return true; }
    QString quoteIdentifier(const QString& name) const override;
    QString nameForSql(const QString& name) const override;
    SchemaCatalogue readCatalogue() override;
    SqlDialect sqlDialect() const override { return SqlDialect::PostgreSql; }
    void cancel() override;
    /// Shuts the connection's socket: nothing waits on the server any more.
    void abandon() override;
    bool inTransaction() const override;

    /// Whether rows arrive one at a time (the default) or as one result per statement. For
    /// measuring the two against each other.
    void setSingleRowMode(bool on) { m_singleRowMode = on; }

private:
    class Call;
    struct Collected;

    void connectWatched(const PgConnectionFacts& facts, const ConnectWatch& watch);
    void send(const QString& sql, const QVariantList& values, bool singleRow) const;
    /// Reads every result of the statement sent last, raising the first error after all are read.
    void collect(Collected& out, bool keepRows) const;
    void awaitResult(qint64 rowsSoFar) const;
    /// One wait of at most the progress interval for the server's next bytes; false when none can come.
    bool awaitInput(qint64 rowsSoFar) const;
    /// Reads and drops the data of a COPY to the client, asking the server to stop it.
    void drainCopy() const;
    /// Between waits on the server: reports progress, and leaves when the call was abandoned.
    void waited(qint64 rowsSoFar) const;
    /// Starts a new row set: the columns of a result's description.
    static void describe(const pg_result* result, Collected& out);
    /// Copies a result's rows into the store, as the store keeps their values.
    void appendRows(const pg_result* result, Collected& out, std::string& bytes) const;
    /// Waits for every result of the command sent last and hands over its first error, or else its
    /// last result, for the caller to clear. Progress and the give-up reach the wait.
    pg_result* awaitAll() const;
    /// Raises the connection's error when libpq did not accept a command.
    void checkSent(int accepted) const;
    /// Runs a statement of the driver's own; its result stays unseen unless it failed.
    void runQuietly(const char* sql) const;
    std::optional<LiveTarget> liveTarget(const Collected& result) const;
    /// Asks the server to stop the statement it runs for this connection, without waiting for it.
    void requestCancel() const;
    [[noreturn]] void raiseLost() const;
    void refuseWhenLost() const;

    pg_conn* m_conn = nullptr;
    /// Shared with the threads that send cancel requests, which may outlive the connection.
    std::shared_ptr<pg_cancel> m_cancelHandle;
    /// Guards m_cancelHandle against a cancel from another thread while the connection closes.
    mutable std::mutex m_cancelMutex;
    mutable std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_abandoned{false};
    mutable std::atomic<bool> m_running{false};
    bool m_singleRowMode = true;
    mutable std::optional<ProgressPacer> m_pacer;
};
