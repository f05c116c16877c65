#pragma once

#include "connection/DatabaseDriver.h"

#include <atomic>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

/// SQLite through its C API: statements step straight into the row store. Live results are
/// granted from the column metadata: every column from one table whose primary key (or rowid)
/// is in the result.
class SqliteDriver final : public DatabaseDriver
{
public:
    /// Opens an existing database file (create makes a missing one); EngineError on failure.
    SqliteDriver(const QString& path, bool create);
    ~SqliteDriver() override;
    SqliteDriver(const SqliteDriver&) = delete;
    SqliteDriver& operator=(const SqliteDriver&) = delete;

    QString bindableText(const QString& sql, const QList<ParameterMarker>& markers) const override;
    QString placeholder(int index) const override;
    FetchedResult fetch(const QString& sql, const QVariantList& values, bool wantLive) override;
    int execute(const QString& sql, const QVariantList& values, FetchedResult* rows = nullptr) override;
    std::optional<bool> returnsRows(const QString& sql) const override;
    int runKeyedChange(const QString& sql, const QVariantList& values,
                       QList<std::optional<QByteArray>>* returned) override;
    bool supportsReturning() const override { return true; }
    bool bindsRealsAsText() const override { return false; }
    QString quoteIdentifier(const QString& name) const override;
    QString nameForSql(const QString& name) const override;
    SchemaCatalogue readCatalogue() override;
    void cancel() override;
    /// The engine runs in this process and stops at its next step, as for cancel().
    void abandon() override { cancel(); }
    bool inTransaction() const override;

    sqlite3* handle() const { return m_db; }

private:
    /// The span of one public call: a fresh stop request and its own progress pacing.
    class Call;
    static int onProgress(void* self);

    [[noreturn]] void raise() const;
    void bindAll(sqlite3_stmt* statement, const QVariantList& values) const;
    std::optional<LiveTarget> liveTarget(sqlite3_stmt* statement) const;
    /// Steps a prepared and bound statement into a result.
    FetchedResult fetchPrepared(sqlite3_stmt* statement, bool wantLive) const;
    void run(const char* sql) const;

    sqlite3* m_db = nullptr;
    std::atomic<bool> m_cancelled{false};
    /// Set while a call runs; read by the engine's progress handler on the calling thread.
    mutable std::optional<ProgressPacer> m_pacer;
    mutable qint64 m_rowsSoFar = -1;
};
