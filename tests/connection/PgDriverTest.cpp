// The PostgreSQL driver on a real server: values as the store keeps them, the server's errors
// with every field, cancelling a running statement, watched connecting, alias options, the
// row-road answer and keyed edits without stray savepoints.

#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/DatabaseDriver.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "support/PgServer.h"
#include "support/PgTest.h"
#include "support/SilentServer.h"
#include "support/StoreBudget.h"
#include "support/TestHome.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

qint64 millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PgDriverTest : public PgTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
        pg.writeAlias(QStringLiteral("PG"));
    }

    /// An alias to the test server with these options (and driver name).
    void writeAlias(const QString& name, const QString& options,
                    const QString& driver = QStringLiteral("POSTGRESQL"))
    {
        AliasFile::Alias alias{name, driver, pg.database(), pg.socketDir(), pg.port(), options};
        ASSERT_TRUE(AliasFile::Write(DataSources::AliasFilePath(), alias));
    }

    using PgTest::login;
    void login() { login(QStringLiteral("PG")); }

    /// The error the statement raises; fails the test when it raises none.
    EngineError::Entry errorOf(const QString& sql)
    {
        query.setSql({sql});
        try {
            query.open();
        } catch (const EngineError& e) {
            EXPECT_EQ(e.entries().size(), 1);
            return e.entries().value(0);
        }
        ADD_FAILURE() << "no error from " << sql.toStdString();
        return {};
    }
};

TEST_F(PgDriverTest, ValuesNullsBytesAndTextReachTheStoreAsTheServerMeansThem)
{
    login();
    run(QStringLiteral(
        "SELECT true AS yes, false AS no, NULL::boolean AS unknown, '\\x00ff5c27'::bytea AS raw, "
        "''::bytea AS empty_raw, NULL::bytea AS no_raw, 'São Paulo – 東京 ✓' AS city, ''::text AS blank, "
        "NULL::text AS nothing, 12345678901234::bigint AS big, 1.50::numeric(6,2) AS price, "
        "0.1::float8 AS tenth, '2024-02-29'::date AS day, '23:59:58'::time AS at, "
        "'2024-03-01 10:11:12.5'::timestamp AS stamp, 'abc'::char(6) AS padded"));
    ASSERT_EQ(query.recordCount(), 1);
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("true"));
    EXPECT_EQ(query.value(0, 1), QVariant(false));
    EXPECT_TRUE(query.isNull(0, 2));
    EXPECT_EQ(query.field(3).type, FieldType::Blob);
    EXPECT_EQ(query.value(0, 3).toByteArray(), QByteArray("\x00\xff\\'", 4));
    EXPECT_FALSE(query.isNull(0, 4));
    EXPECT_EQ(query.value(0, 4).toByteArray(), QByteArray());
    EXPECT_TRUE(query.isNull(0, 5));
    EXPECT_EQ(query.valueText(0, 6), QStringLiteral("São Paulo – 東京 ✓"));
    EXPECT_FALSE(query.isNull(0, 7)) << "an empty text is not NULL";
    EXPECT_TRUE(query.isNull(0, 8));
    EXPECT_EQ(query.value(0, 9), QVariant(qlonglong(12345678901234)));
    EXPECT_EQ(query.valueText(0, 10), QStringLiteral("1.50"));
    EXPECT_EQ(query.field(10).type, FieldType::Real);
    EXPECT_EQ(query.valueText(0, 11), QStringLiteral("0.1"));
    EXPECT_EQ(query.field(12).type, FieldType::Date);
    EXPECT_EQ(query.value(0, 12), QVariant(QDate(2024, 2, 29)));
    EXPECT_EQ(query.value(0, 13), QVariant(QTime(23, 59, 58)));
    EXPECT_EQ(query.value(0, 14), QVariant(QDateTime(QDate(2024, 3, 1), QTime(10, 11, 12, 500))));
    EXPECT_EQ(query.valueText(0, 15), QStringLiteral("abc   "));
    EXPECT_EQ(query.field(15).displayWidth, 6);
}

TEST_F(PgDriverTest, BoundValuesArriveExactlyAndBytesRoundTripThroughALiveEdit)
{
    pg.psql(QStringLiteral("DROP TABLE IF EXISTS blobs; CREATE TABLE blobs (id int PRIMARY KEY, data bytea, "
                           "note text); INSERT INTO blobs VALUES (1, '\\x0001ff'::bytea, 'x')"));
    login();
    query.setSql({QStringLiteral("SELECT :A::text AS a, :B::text = '' AS b_empty, length(:C::text) AS c")});
    query.setParamAsString(0, QStringLiteral("O'Brien; DROP TABLE blobs -- 'x' $1 \\"));
    query.setParamAsString(1, QString());
    query.setParamAsString(2, QStringLiteral("ñö東"));
    query.open();
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("O'Brien; DROP TABLE blobs -- 'x' $1 \\"));
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("true"));
    EXPECT_EQ(query.valueText(0, 2), QStringLiteral("3"));

    // The bytes go back to the server as they are when the row is posted by key.
    run(QStringLiteral("SELECT id, data, note FROM blobs"));
    ASSERT_TRUE(query.canModify());
    query.setFieldValue(2, QStringLiteral("edited"));
    query.post();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT encode(data, 'hex') || '|' || note FROM blobs")),
              QStringLiteral("0001ff|edited"));

    // Bytes edited in the grid reach the server whole: a NUL, a backslash and a quote among them.
    query.setFieldValue(1, QByteArray("\x00\\'\xfe", 4));
    query.post();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT encode(data, 'hex') FROM blobs")), QStringLiteral("005c27fe"));
}

TEST_F(PgDriverTest, ANullCellIsPostedAsNullAndAnEmptyOneAsEmptyText)
{
    pg.psql(
        QStringLiteral("DROP TABLE IF EXISTS nulls; CREATE TABLE nulls (id int PRIMARY KEY, v text, n int); "
                       "INSERT INTO nulls VALUES (1, 'a', 1), (2, 'b', 2)"));
    login();
    run(QStringLiteral("SELECT id, v, n FROM nulls ORDER BY id"));
    ASSERT_TRUE(query.canModify());
    query.setFieldValue(1, QVariant());
    query.setFieldValue(2, QVariant());
    query.post();
    query.next();
    query.setFieldValue(1, QString());
    query.post();
    query.append();
    query.setFieldValue(0, 3);
    query.setFieldValue(1, QVariant());
    query.post();
    EXPECT_EQ(
        pg.psql(QStringLiteral("SELECT string_agg(id || ':' || coalesce(quote_literal(v), 'NULL') || ':' "
                               "|| coalesce(n::text, 'NULL'), ',' ORDER BY id) FROM nulls")),
        QStringLiteral("1:NULL:NULL,2:'':2,3:NULL:NULL"));
}

TEST_F(PgDriverTest, ServerErrorsCarryEveryField)
{
    login();
    EngineError::Entry e = errorOf(QStringLiteral("SELECT 1 FROM nosuch_table"));
    EXPECT_EQ(e.code, QStringLiteral("42P01"));
    EXPECT_EQ(e.severity, QStringLiteral("ERROR"));
    EXPECT_EQ(e.message, QStringLiteral("relation \"nosuch_table\" does not exist"));
    EXPECT_EQ(e.position, 15);

    e = errorOf(QStringLiteral("SELECT nosuch_function(1)"));
    EXPECT_EQ(e.code, QStringLiteral("42883"));
    EXPECT_FALSE(e.hint.isEmpty());
    EXPECT_EQ(e.position, 8);

    pg.psql(QStringLiteral("DROP TABLE IF EXISTS uniq; CREATE TABLE uniq (k int PRIMARY KEY); "
                           "INSERT INTO uniq VALUES (7)"));
    query.setSql({QStringLiteral("INSERT INTO uniq VALUES (7)")});
    try {
        query.execSQL();
        FAIL() << "a duplicate key was accepted";
    } catch (const EngineError& error) {
        ASSERT_EQ(error.entries().size(), 1);
        EXPECT_EQ(error.entries()[0].code, QStringLiteral("23505"));
        EXPECT_EQ(error.entries()[0].detail, QStringLiteral("Key (k)=(7) already exists."));
    }

    // A failure in the middle of several statements keeps none of the rows before it.
    e = errorOf(QStringLiteral("SELECT 1; SELECT 1/0"));
    EXPECT_EQ(e.code, QStringLiteral("22012"));
    EXPECT_FALSE(query.isActive());
    run(QStringLiteral("SELECT 2"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("2"));
}

TEST_F(PgDriverTest, SeveralStatementsRunAndTheLastCounts)
{
    pg.psql(QStringLiteral("DROP TABLE IF EXISTS multi; CREATE TABLE multi (v int)"));
    login();
    query.setSql({QStringLiteral("INSERT INTO multi VALUES (1), (2); INSERT INTO multi VALUES (3)")});
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 1);
    run(QStringLiteral("SELECT 'first'; SELECT v FROM multi ORDER BY v"));
    EXPECT_EQ(query.recordCount(), 3);
    EXPECT_EQ(query.field(0).name, QStringLiteral("v"));
}

TEST_F(PgDriverTest, ACancelledStatementIsGoneFromTheServerAndTheConnectionGoesOn)
{
    login();
    Clock::time_point cancelledAt;
    int reports = 0;
    connection.setProgressCallback([&](qint64) {
        // Cancelled from the progress callback, as the user interface does.
        if (++reports == 3) {
            cancelledAt = Clock::now();
            connection.cancel();
        }
    });
    const Clock::time_point start = Clock::now();
    query.setSql({QStringLiteral("SELECT pg_sleep(30)")});
    try {
        query.open();
        FAIL() << "the statement ran to its end";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("57014"));
        EXPECT_EQ(e.entries()[0].message, QStringLiteral("canceling statement due to user request"));
    }
    EXPECT_GE(reports, 3) << "progress while the server works";
    EXPECT_LT(millisecondsSince(start), 5000);
    EXPECT_LT(millisecondsSince(cancelledAt), 1000);
    EXPECT_FALSE(query.isActive()) << "no half result";
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE state = 'active' "
                                     "AND query LIKE 'SELECT pg_sleep(30)%'")),
              QStringLiteral("0"));

    connection.setProgressCallback({});
    run(QStringLiteral("SELECT 41 + 1"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("42"));
}

TEST_F(PgDriverTest, ACancelFromAnotherThreadStopsAFetchAndLeavesNoHalfResult)
{
    login();
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        connection.cancel();
    });
    // Rows stream for a while: the cancel lands among them.
    query.setSql({QStringLiteral("SELECT g, pg_sleep(0.001) FROM generate_series(1, 100000) g")});
    EXPECT_THROW(query.open(), EngineError);
    canceller.join();
    EXPECT_FALSE(query.isActive());
    // A cancel when nothing runs is harmless and does not hit the next statement.
    connection.cancel();
    run(QStringLiteral("SELECT count(*) FROM generate_series(1, 1000)"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("1000"));
}

TEST_F(PgDriverTest, AResultTooLargeForMemoryIsLetGoAndTheTransactionGoesOn)
{
    login();
    query.setSql({QStringLiteral("BEGIN")});
    query.execSQL();
    qint64 rows = -1;
    {
        const StoreBudget budget(std::size_t(1) << 20);
        query.setSql(
            {QStringLiteral("SELECT g, lpad(g::text, 30, '0') AS t FROM generate_series(1, 200000) g")});
        try {
            query.open();
            ADD_FAILURE() << "the rows fitted";
        } catch (const ResultTooLarge& e) {
            rows = e.rowsFetched();
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QString::number(rows)));
        }
    }
    EXPECT_GT(rows, 1000);
    EXPECT_LT(rows, 200000);
    EXPECT_FALSE(query.isActive());
    // The rest of the rows were read and dropped: the same transaction takes the next statement.
    run(QStringLiteral("SELECT count(*) FROM generate_series(1, 1000)"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("1000"));
    query.setSql({QStringLiteral("COMMIT")});
    EXPECT_NO_THROW(query.execSQL());
}

TEST_F(PgDriverTest, ConnectingToASilentServerTimesOutOrIsCancelled)
{
    SilentServer silent;
    ASSERT_GT(silent.port(), 0);
    AliasFile::Alias alias{
        QStringLiteral("Silent"),    QStringLiteral("QPSQL"), pg.database(),
        QStringLiteral("127.0.0.1"), silent.port(),           QStringLiteral("connect_timeout=1")};
    ASSERT_TRUE(AliasFile::Write(DataSources::AliasFilePath(), alias));
    int reports = 0;
    connection.setProgressCallback([&](qint64 rows) {
        EXPECT_EQ(rows, -1);
        ++reports;
    });
    Clock::time_point start = Clock::now();
    try {
        login(QStringLiteral("Silent"));
        FAIL() << "connected to a server that never answers";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.entries().value(0).code, QStringLiteral("HYT00"));
    }
    EXPECT_GE(millisecondsSince(start), 900);
    EXPECT_LT(millisecondsSince(start), 3000);
    EXPECT_GE(reports, 5);
    EXPECT_FALSE(connection.isConnected());

    alias.options = QStringLiteral("connect_timeout=60");
    ASSERT_TRUE(AliasFile::Write(DataSources::AliasFilePath(), alias));
    connection.setProgressCallback([&](qint64) {
        if (millisecondsSince(start) > 300)
            connection.cancel();
    });
    start = Clock::now();
    try {
        login(QStringLiteral("Silent"));
        FAIL() << "connected to a server that never answers";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.entries().value(0).code, QStringLiteral("HY008"));
    }
    EXPECT_LT(millisecondsSince(start), 2000);
    EXPECT_FALSE(connection.isConnected());
}

TEST_F(PgDriverTest, AliasOptionsReachLibpqAndTheProgramNamesItself)
{
    login();
    const QString nameOfSession = QStringLiteral("SELECT application_name FROM pg_stat_activity "
                                                 "WHERE pid = pg_backend_pid()");
    run(nameOfSession);
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("VEMRA"));
    connection.disconnect();

    writeAlias(QStringLiteral("Named"), QStringLiteral(" application_name = report run ; sslmode=disable;"));
    login(QStringLiteral("Named"));
    run(nameOfSession);
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("report run"));
    run(QStringLiteral("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("false"));
    connection.disconnect();

    writeAlias(QStringLiteral("Bad"), QStringLiteral("no_such_keyword=1"));
    try {
        login(QStringLiteral("Bad"));
        FAIL() << "an unknown option was accepted";
    } catch (const EngineError& e) {
        EXPECT_NE(e.entries().value(0).message.indexOf(QStringLiteral("no_such_keyword")), -1);
    }
    EXPECT_FALSE(connection.isConnected());
}

/// Sets an environment variable for the scope of a test.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QString& value) : m_name(name) { qputenv(name, value.toUtf8()); }
    ~ScopedEnv() { qunsetenv(m_name); }

private:
    const char* m_name;
};

TEST_F(PgDriverTest, WhatTheAliasLeavesOutComesFromLibpqsEnvironmentAndServiceFile)
{
    AliasFile::Alias bare{QStringLiteral("Bare"), QStringLiteral("QPSQL"), {}, {}, -1, {}};
    ASSERT_TRUE(AliasFile::Write(DataSources::AliasFilePath(), bare));
    {
        const ScopedEnv host("PGHOST", pg.socketDir());
        const ScopedEnv port("PGPORT", QString::number(pg.port()));
        const ScopedEnv db("PGDATABASE", pg.database());
        login(QStringLiteral("Bare"));
        run(QStringLiteral("SELECT current_database()"));
        EXPECT_EQ(query.valueText(0, 0), pg.database());
        connection.disconnect();
    }

    const QString serviceFile = home.path() + QStringLiteral("/pg_service.conf");
    QFile file(serviceFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[vemra_test]\nhost=%1\nport=%2\ndbname=%3\napplication_name=from service\n")
                   .arg(pg.socketDir())
                   .arg(pg.port())
                   .arg(pg.database())
                   .toUtf8());
    file.close();
    const ScopedEnv services("PGSERVICEFILE", serviceFile);
    AliasFile::Alias service{QStringLiteral("Service"),           QStringLiteral("postgresql"), {}, {}, -1,
                             QStringLiteral("service=vemra_test")};
    ASSERT_TRUE(AliasFile::Write(DataSources::AliasFilePath(), service));
    login(QStringLiteral("Service"));
    run(QStringLiteral("SELECT current_database(), current_setting('application_name')"));
    EXPECT_EQ(query.valueText(0, 0), pg.database());
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("from service"));
}

TEST_F(PgDriverTest, TheEngineTellsWhichStatementsReturnRows)
{
    pg.psql(QStringLiteral("DROP TABLE IF EXISTS road; CREATE TABLE road (v int)"));
    login();
    const struct
    {
        const char* sql;
        std::optional<bool> rows;
    } cases[] = {
        {"SELECT 1", true},
        {"WITH x AS (SELECT 1) SELECT * FROM x", true},
        {"VALUES (1)", true},
        {"INSERT INTO road VALUES (1) RETURNING v", true},
        {"EXPLAIN SELECT 1", true},
        {"SHOW DateStyle", true},
        {"UPDATE road SET v = :V", false},
        {"CREATE TABLE road2 (v int)", false},
        {"BEGIN", false},
        {"SELECT 1; SELECT 2", std::nullopt},
        {"SELEC 1", std::nullopt},
    };
    for (const auto& c : cases) {
        query.setSql({QString::fromUtf8(c.sql)});
        EXPECT_EQ(query.returnsRows(), c.rows) << c.sql;
    }
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM road")), QStringLiteral("0")) << "nothing ran";

    // Inside the user's transaction, asking about a broken statement does not abort the work.
    query.setSql({QStringLiteral("BEGIN")});
    query.execSQL();
    query.setSql({QStringLiteral("INSERT INTO road VALUES (5)")});
    query.execSQL();
    query.setSql({QStringLiteral("SELECT nosuch FROM road")});
    EXPECT_EQ(query.returnsRows(), std::nullopt);
    query.setSql({QStringLiteral("COMMIT")});
    query.execSQL();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM road")), QStringLiteral("1"));
}

TEST_F(PgDriverTest, EditsOutsideATransactionLeaveNoSavepointErrorOnTheServer)
{
    pg.psql(QStringLiteral("DROP TABLE IF EXISTS edits; CREATE TABLE edits (id int PRIMARY KEY, v text); "
                           "INSERT INTO edits VALUES (1, 'a'), (2, 'b')"));
    QFile log(pg.socketDir() + QStringLiteral("/server.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    log.seek(log.size());
    login();
    run(QStringLiteral("SELECT id, v FROM edits ORDER BY id"));
    ASSERT_TRUE(query.canModify());
    query.setFieldValue(1, QStringLiteral("changed"));
    query.post();
    query.next();
    query.setFieldValue(0, 1); // collides with the first row's key: refused, rolled back
    EXPECT_THROW(query.post(), EngineError);
    query.cancel();
    query.deleteRecord();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT string_agg(id || v, ',') FROM edits")),
              QStringLiteral("1changed"));
    // Neither a transaction nor a savepoint is left open behind the user's back.
    query.setSql({QStringLiteral("SELECT now() = statement_timestamp()")});
    query.open();
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("true"));
    const QString written = QString::fromUtf8(log.readAll());
    EXPECT_FALSE(written.contains(QStringLiteral("SAVEPOINT"))) << written.toStdString();
}

} // namespace
