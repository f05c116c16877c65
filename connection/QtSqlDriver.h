#pragma once

#include "connection/DatabaseDriver.h"

#include <QSqlDatabase>

#include <atomic>

class QSqlError;
class QSqlQuery;

/// What a Qt Sql connection is opened with.
struct QtSqlConnectionFacts
{
    QString driver;       ///< Qt Sql driver name: QPSQL, QODBC, ...
    QString databaseName; ///< the database, or for QODBC the DSN or a connection string
    QString host;
    int port = -1;
    QString options; ///< Qt Sql connect options
    QString userName;
    QString password;
};

/// Any engine other than SQLite, through Qt Sql, forward-only. Each driver object owns a Qt Sql
/// connection of its own name. Live results are granted for a plain single-table SELECT whose
/// columns include the table's whole primary key.
class QtSqlDriver final : public DatabaseDriver
{
public:
    /// Opens the connection; EngineError with the driver's entries on failure.
    explicit QtSqlDriver(const QtSqlConnectionFacts& facts);
    ~QtSqlDriver() override;
    QtSqlDriver(const QtSqlDriver&) = delete;
    QtSqlDriver& operator=(const QtSqlDriver&) = delete;

    QString bindableText(const QString& sql, const QList<ParameterMarker>& markers) const override;
    QString placeholder(int index) const override;
    FetchedResult fetch(const QString& sql, const QVariantList& values, bool wantLive) override;
    int execute(const QString& sql, const QVariantList& values, FetchedResult* rows = nullptr) override;
    int runKeyedChange(const QString& sql, const QVariantList& values,
                       QList<std::optional<QByteArray>>* returned) override;
    bool supportsReturning() const override { return m_isPostgres; }
    bool bindsRealsAsText() const override { return true; }
    QString quoteIdentifier(const QString& name) const override;
    QString nameForSql(const QString& name) const override;
    SchemaCatalogue readCatalogue() override;
    /// Qt Sql cannot stop a statement in the engine: the fetch stops at the next row.
    void cancel() override { m_cancelled.store(true); }
    /// Qt Sql waits on the server inside its own calls: the call is left at its next row.
    void abandon() override { m_abandoned.store(true); }
    bool inTransaction() const override;

private:
    void run(QSqlQuery& query, const QString& sql, const QVariantList& values) const;
    [[noreturn]] void raise(const QSqlQuery& query) const;
    /// Fetches every row of an executed row-returning query.
    FetchedResult fetchFrom(QSqlQuery& query, const QString& sql, bool wantLive) const;
    std::optional<LiveTarget> liveTarget(const QString& sql, const QList<ColumnInfo>& columns) const;
    QStringList keyColumnsOf(const QString& table) const;
    QStringList columnsOf(const QString& table) const;
    QStringList catalogNames(const QString& sql, const QString& table) const;

    QString m_connectionName;
    QSqlDatabase m_db;
    bool m_isPostgres = false;
    bool m_isOdbc = false;
    mutable std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_abandoned{false};
};
