// The PostgreSQL test server through its ODBC data source (psqlODBC): values, long and non-ASCII
// text across block boundaries, diagnostics, cancelling statements and connecting.

#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/DatabaseDriver.h"
#include "connection/EngineError.h"
#include "connection/OdbcDriver.h"
#include "connection/Query.h"
#include "support/PgServer.h"
#include "support/PgTest.h"
#include "support/TestDataSource.h"
#include "support/TestHome.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

/// A Unix socket that takes connections into its backlog and never answers them.
class StalledServer final
{
public:
    explicit StalledServer(const QString& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
        m_listening = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      ::listen(m_fd, 16) == 0;
    }
    ~StalledServer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    StalledServer(const StalledServer&) = delete;
    StalledServer& operator=(const StalledServer&) = delete;
    bool listening() const { return m_listening; }

private:
    int m_fd = -1;
    bool m_listening = false;
};

class OdbcPostgres : public PgTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
        pg.writeOdbcDsn(QStringLiteral("PG DSN"));
    }

    using PgTest::login;
    void login() { login(QStringLiteral("PG DSN")); }

    /// The driver library the server's DSN names.
    QString driverLibrary() const
    {
        const QString ini = home.path() + QStringLiteral("/scratch-odbc.ini");
        pg.writeOdbcDsn(QStringLiteral("Scratch"), ini);
        QFile file(ini);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        const QRegularExpression line(QStringLiteral("^Driver\\s*=\\s*(.+)$"),
                                      QRegularExpression::MultilineOption);
        return line.match(QString::fromUtf8(file.readAll())).captured(1).trimmed();
    }
};

TEST_F(OdbcPostgres, ValuesKeepTheirTypesAndTexts)
{
    pg.psql(QStringLiteral(
        "DROP TABLE IF EXISTS kinds; CREATE TABLE kinds (id int PRIMARY KEY, price numeric(8,2), added date, "
        "seen timestamp, cost money, data bytea, note varchar(10));"
        "INSERT INTO kinds VALUES (1, 10.50, '2024-02-29', '2024-03-01 10:11:12', 3.5, '\\x00ff4100', "
        "'K\u00f6ln'), (2, NULL, NULL, NULL, NULL, NULL, NULL);"));
    login();
    ASSERT_TRUE(dynamic_cast<OdbcDriver*>(&connection.driver()));
    EXPECT_TRUE(static_cast<OdbcDriver&>(connection.driver()).isPostgres());
    run(QStringLiteral("SELECT * FROM kinds ORDER BY id"));
    ASSERT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.field(0).type, FieldType::Integer);
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("10.50"));
    EXPECT_EQ(query.value(0, 2), QVariant(QDate(2024, 2, 29)));
    EXPECT_EQ(query.valueText(0, 3), QStringLiteral("2024-03-01 10:11:12"));
    EXPECT_EQ(query.field(4).type, FieldType::Money);
    EXPECT_EQ(query.field(5).type, FieldType::Blob);
    EXPECT_EQ(query.value(0, 5).toByteArray(), QByteArray("\x00\xff\x41\x00", 4));
    EXPECT_EQ(query.valueText(0, 6), QStringLiteral("K\u00f6ln"));
    EXPECT_EQ(query.field(6).displayWidth, 10);
    for (int c = 1; c < 7; ++c)
        EXPECT_TRUE(query.isNull(1, c)) << c;
}

TEST_F(OdbcPostgres, LongAndNonAsciiValuesAcrossManyBlocksComeBackWhole)
{
    // Every 997th row holds a text far longer than any bound buffer.
    pg.psql(QStringLiteral(
        "DROP TABLE IF EXISTS many; CREATE TABLE many AS SELECT g AS id, CASE WHEN g % 997 = 0 THEN "
        "repeat('\u00e9\u20ac\u540d', 3000) || g ELSE 'r\u00e9' || g END AS note, "
        "CASE WHEN g % 3 = 0 THEN NULL ELSE g * 2 END AS twice FROM generate_series(1, 12000) g"));
    login();
    run(QStringLiteral("SELECT id, note, twice FROM many ORDER BY id"));
    ASSERT_EQ(query.recordCount(), 12000);
    const QString longNote = QStringLiteral("\u00e9\u20ac\u540d").repeated(3000);
    for (int id : {1, 996, 997, 1994, 2000, 2001, 5982, 11964, 12000}) {
        const int r = id - 1;
        EXPECT_EQ(query.valueText(r, 0), QString::number(id));
        const QString expected =
            id % 997 == 0 ? longNote + QString::number(id) : QStringLiteral("r\u00e9") + QString::number(id);
        EXPECT_TRUE(query.valueText(r, 1) == expected) << id << ": " << query.valueText(r, 1).size();
        EXPECT_EQ(query.isNull(r, 2), id % 3 == 0) << id;
    }
}

TEST_F(OdbcPostgres, ParametersAndErrorsWithTheirStates)
{
    login();
    query.addSql(QStringLiteral("SELECT :A::int + 1 AS x, :B::text || '\u00fc' AS y, :C::date AS z"));
    query.setParamAsString(0, QStringLiteral("41"));
    query.setParamAsString(1, QStringLiteral("O'Brien \u20ac"));
    query.setParamAsString(2, QStringLiteral("2024-02-29"));
    query.open();
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("42"));
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("O'Brien \u20ac\u00fc"));
    EXPECT_EQ(query.value(0, 2), QVariant(QDate(2024, 2, 29)));

    query.setSql({QStringLiteral("SELECT 1 / (SELECT 0)")});
    try {
        query.open();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("22012"));
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("division by zero")), -1);
    }
    // The failed statement left no transaction behind.
    run(QStringLiteral("SELECT 7"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("7"));
    EXPECT_EQ(connection.driver().returnsRows(QStringLiteral("SELECT 1")), true);
    EXPECT_EQ(connection.driver().returnsRows(QStringLiteral("CREATE TABLE never_made (a int)")), false);
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'never_made'")),
              QStringLiteral("0"));
}

TEST_F(OdbcPostgres, JsonbQuestionMarkOperatorsNameTheWayRound)
{
    login();
    const char* statements[] = {
        R"(SELECT '{"a":1}'::jsonb ? 'a')",
        R"(SELECT '{"a":1}'::jsonb ?| array['a'])",
        R"(SELECT '{"a":1}'::jsonb ?& array['a'])",
    };
    for (const char* statement : statements) {
        query.setSql({QString::fromUtf8(statement)});
        try {
            query.open();
            FAIL() << statement << ": psqlODBC ran it";
        } catch (const EngineError& e) {
            ASSERT_FALSE(e.entries().isEmpty()) << statement;
            EXPECT_NE(e.entries()[0].hint.indexOf(QStringLiteral("Driver = POSTGRESQL")), -1) << statement;
        }
    }
    // A "?" inside a literal is no marker: it runs, and an error elsewhere gets no such hint.
    run(QStringLiteral("SELECT '?' AS q"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("?"));
    query.setSql({QStringLiteral("SELECT '?' || 1 / (SELECT 0)")});
    try {
        query.open();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        ASSERT_FALSE(e.entries().isEmpty());
        EXPECT_EQ(e.entries()[0].hint.indexOf(QStringLiteral("POSTGRESQL")), -1);
    }
}

TEST_F(OdbcPostgres, AWrongPasswordGivesTheServersRecord)
{
    connection.setName(QStringLiteral("PG DSN"));
    connection.addParam(QStringLiteral("USER NAME=") + pg.user());
    connection.addParam(QStringLiteral("PASSWORD=wrong"));
    try {
        connection.connect();
        FAIL() << "logged in with a wrong password";
    } catch (const EngineError& e) {
        ASSERT_FALSE(e.entries().isEmpty());
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("08001"));
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("password authentication failed")), -1);
    }
    EXPECT_FALSE(connection.isConnected());
}

TEST_F(OdbcPostgres, ACancelledSleepLeavesTheServerAndTheConnectionFree)
{
    login();
    const std::thread::id caller = std::this_thread::get_id();
    bool elsewhere = false;
    int reports = 0;
    Clock::time_point cancelledAt;
    connection.setProgressCallback([&](qint64 rows) {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        EXPECT_EQ(rows, -1) << "no row has arrived";
        if (++reports == 3) {
            cancelledAt = Clock::now();
            connection.cancel();
        }
    });
    try {
        run(QStringLiteral("SELECT pg_sleep(30) AS slept"));
        FAIL() << "the sleep was not cancelled";
    } catch (const EngineError& e) {
        ASSERT_FALSE(e.entries().isEmpty());
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("57014"));
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("canceling statement")), -1);
    }
    EXPECT_LT(Clock::now() - cancelledAt, std::chrono::seconds(5));
    EXPECT_FALSE(elsewhere) << "progress is told on the calling thread only";
    EXPECT_FALSE(query.isActive());
    // Gone from the server within a second.
    const QString active =
        QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE query LIKE "
                       "'%pg_sleep(30)%' AND state = 'active' AND pid <> pg_backend_pid()");
    QString running = pg.psql(active, true);
    for (int tries = 0; running != QStringLiteral("0") && tries < 10; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        running = pg.psql(active, true);
    }
    EXPECT_EQ(running, QStringLiteral("0"));

    connection.setProgressCallback({});
    run(QStringLiteral("SELECT 'next'"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("next"));
}

TEST_F(OdbcPostgres, ACancelWhileRowsArriveKeepsNoHalfResult)
{
    login();
    qint64 seen = -1;
    connection.setProgressCallback([&](qint64 rows) {
        if (rows > 0 && seen < 0) {
            seen = rows;
            connection.cancel();
        }
    });
    run(QStringLiteral("SELECT 1"));
    EXPECT_EQ(query.recordCount(), 1);
    try {
        run(QStringLiteral("SELECT g, repeat('x', 50) FROM generate_series(1, 30000000) g"));
        FAIL() << "thirty million rows arrived despite the cancel";
    } catch (const EngineError& e) {
        ASSERT_FALSE(e.entries().isEmpty());
        EXPECT_FALSE(e.entries()[0].message.isEmpty());
    }
    EXPECT_GT(seen, 0);
    EXPECT_FALSE(query.isActive());
    connection.setProgressCallback({});
    run(QStringLiteral("SELECT count(*) FROM generate_series(1, 10)"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("10"));
}

TEST_F(OdbcPostgres, ConnectingToAServerThatNeverAnswersCanBeCancelledOrTimeOut)
{
    const QString dir = home.path() + QStringLiteral("/stalled");
    QDir().mkpath(dir);
    const StalledServer server(dir + QStringLiteral("/.s.PGSQL.5999"));
    ASSERT_TRUE(server.listening());
    AppendTestOdbcDsn(QStringLiteral("Stalled"), {},
                      QStringLiteral("Driver = %1\nServername = %2\nPort = 5999\nDatabase = x\n")
                          .arg(driverLibrary(), dir));
    connection.setName(QStringLiteral("Stalled"));
    connection.addParam(QStringLiteral("USER NAME=someone"));
    int reports = 0;
    connection.setProgressCallback([&](qint64 rows) {
        EXPECT_EQ(rows, -1);
        if (++reports == 3)
            connection.cancel();
    });
    try {
        connection.connect();
        FAIL() << "connected to a server that never answers";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("HY008"));
    }
    EXPECT_EQ(reports, 3);
    EXPECT_FALSE(connection.isConnected());

    ConnectWatch watch;
    watch.timeout = std::chrono::seconds(1);
    int waits = 0;
    watch.progress = [&waits](qint64) { ++waits; };
    try {
        OdbcDriver driver(OdbcConnectFacts{QStringLiteral("Stalled"), QStringLiteral("someone"), {}}, watch);
        FAIL() << "connected to a server that never answers";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("HYT00"));
    }
    EXPECT_GE(waits, 5);
}

} // namespace

namespace {

TEST_F(OdbcPostgres, PsqlOdbcStreamsThroughAServerCursorInsteadOfCachingTheResult)
{
    // The DSN names psqlODBC, so the driver is told to fetch through a cursor: the server sees
    // the statement declared and fetched in blocks, not run whole.
    EXPECT_FALSE(DataSources::OdbcDriverOf(QStringLiteral("pg dsn")).isEmpty());
    login();
    run(QStringLiteral("SELECT g FROM generate_series(1, 50000) g"));
    ASSERT_EQ(query.recordCount(), 50000);
    const QString seen = pg.psql(QStringLiteral("SELECT query FROM pg_stat_activity WHERE datname = "
                                                "current_database() AND pid <> pg_backend_pid()"),
                                 true);
    EXPECT_TRUE(seen.contains(QStringLiteral("fetch"), Qt::CaseInsensitive) ||
                seen.contains(QStringLiteral("close"), Qt::CaseInsensitive) ||
                seen.contains(QStringLiteral("cursor"), Qt::CaseInsensitive))
        << seen.toStdString();
}

} // namespace
