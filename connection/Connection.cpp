#include "connection/Connection.h"

#include "connection/AliasFile.h"
#include "connection/DataSources.h"
#include "connection/DatabaseDriver.h"
#include "connection/EngineError.h"
#include "connection/OdbcDriver.h"
#include "connection/PgDriver.h"
#include "connection/QtSqlDriver.h"
#include "connection/SampleDatabase.h"
#include "connection/SqliteDriver.h"

#include <system_error>
#include <thread>

namespace {

const QString kSqliteDriver = QStringLiteral("SQLITE");
const QString kOdbcDriver = QStringLiteral("QODBC");

bool isPostgres(const QString& driver)
{
    return driver.compare(QStringLiteral("QPSQL"), Qt::CaseInsensitive) == 0 ||
           driver.compare(QStringLiteral("POSTGRESQL"), Qt::CaseInsensitive) == 0;
}

/// The value of the parameter line "name=value" with this name (without regard to case).
QString paramValue(const QStringList& params, const QString& name)
{
    for (const QString& line : params) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

} // namespace

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection()
{
    disconnect();
}

void Connection::setName(const QString& name)
{
    if (isConnected())
        throw WrapperError(QStringLiteral("Cannot change the data source of an open connection"));
    m_name = name;
}

bool Connection::isConnected() const
{
    return m_driver != nullptr;
}

DatabaseDriver& Connection::driver() const
{
    if (!m_driver)
        throw EngineError(QStringLiteral("08003"), 0, QStringLiteral("Not connected to a database"));
    return *m_driver;
}

SqlDialect Connection::sqlDialect() const
{
    return m_driver ? m_driver->sqlDialect() : SqlDialect::Standard;
}

void Connection::setProgressCallback(ProgressCallback callback)
{
    m_progress = std::move(callback);
    if (m_driver)
        m_driver->setProgressCallback(m_progress);
}

void Connection::cancel()
{
    m_connectCancelled.store(true);
    if (m_driver)
        m_driver->cancel();
}

void Connection::closeUnanswered()
{
    if (!m_driver || m_abandoned)
        return;
    m_abandoned = true;
    m_driver->abandon();
}

void Connection::endCall()
{
    if (!m_abandoned)
        return;
    m_abandoned = false;
    Q_EMIT aboutToDisconnect();
    // An ODBC driver waits for its worker, which waits for the server.
    auto closing = [driver = std::move(m_driver)]() mutable { driver.reset(); };
    try {
        std::thread(std::move(closing)).detach();
    } catch (const std::system_error&) {
        closing();
    }
    m_reconnectDue = true;
}

void Connection::reconnectIfClosed()
{
    if (m_driver || !m_reconnectDue)
        return;
    try {
        connect();
    } catch (...) {
        m_reconnectDue = true;
        throw;
    }
}

void Connection::connect()
{
    disconnect();
    m_connectCancelled.store(false);
    ConnectWatch watch;
    watch.progress = m_progress;
    watch.cancelled = &m_connectCancelled;
    openDriver(watch);
    m_driver->setProgressCallback(m_progress);
}

void Connection::openDriver(const ConnectWatch& watch)
{
    const QString userName = paramValue(m_params, QStringLiteral("USER NAME"));
    const QString password = paramValue(m_params, QStringLiteral("PASSWORD"));

    if (m_name.compare(DataSources::kSample, Qt::CaseInsensitive) == 0) {
        const QString path = DataSources::SampleDatabasePath();
        SampleDatabase::Ensure(path);
        m_driver = std::make_unique<SqliteDriver>(path, false);
        return;
    }
    AliasFile::Alias alias;
    if (AliasFile::Find(DataSources::AliasFilePath(), m_name, &alias)) {
        if (alias.driver.compare(kSqliteDriver, Qt::CaseInsensitive) == 0) {
            m_driver = std::make_unique<SqliteDriver>(alias.database, false);
        } else if (isPostgres(alias.driver)) {
            m_driver = std::make_unique<PgDriver>(
                PgConnectionFacts{alias.database, alias.host, alias.port, alias.options, userName, password},
                watch);
        } else if (alias.driver.compare(kOdbcDriver, Qt::CaseInsensitive) == 0) {
            m_driver =
                std::make_unique<OdbcDriver>(OdbcConnectFacts{alias.database, userName, password}, watch);
        } else {
            // The Qt Sql path connects in one blocking call that cannot be watched.
            m_driver = std::make_unique<QtSqlDriver>(QtSqlConnectionFacts{
                alias.driver, alias.database, alias.host, alias.port, alias.options, userName, password});
        }
        return;
    }
    for (const QString& dsn : DataSources::OdbcNames()) {
        if (dsn.compare(m_name, Qt::CaseInsensitive) == 0) {
            m_driver = std::make_unique<OdbcDriver>(OdbcConnectFacts{dsn, userName, password}, watch);
            return;
        }
    }
    throw EngineError(QStringLiteral("IM002"), 0,
                      QStringLiteral("The data source '%1' is not configured").arg(m_name));
}

void Connection::disconnect()
{
    m_reconnectDue = false;
    if (!m_driver)
        return;
    Q_EMIT aboutToDisconnect();
    m_driver.reset();
    Q_EMIT transactionStateChanged(false);
}

bool Connection::inTransaction() const
{
    return m_driver && m_driver->inTransaction();
}

void Connection::endTransaction(bool commit)
{
    // Said whatever the outcome: a failed commit may still have ended the transaction.
    struct Announce
    {
        Connection& connection;
        ~Announce() { connection.noteStatementsRan(); }
    } announce{*this};
    driver().endTransaction(commit);
}

void Connection::noteStatementsRan()
{
    Q_EMIT transactionStateChanged(inTransaction());
}
