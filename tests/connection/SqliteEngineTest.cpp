#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

const char* const kScript = R"sql(
CREATE TABLE EMP (EMPNO INTEGER PRIMARY KEY, ENAME VARCHAR(30), HIRED DATE, SAL NUMERIC(8,2), NOTE TEXT);
INSERT INTO EMP VALUES (1, 'Mary Ann Smith', '2020-01-31', 1250.5, NULL);
INSERT INTO EMP VALUES (2, 'O''Brien', '2019-12-01', 900, 'part time');
INSERT INTO EMP VALUES (3, 'Li', NULL, NULL, '');
)sql";

class SqliteEngine : public IsolatedTest
{
protected:
    void SetUp() override
    {
        db = std::make_unique<SqliteFile>(home.path() + QStringLiteral("/lite.sqlite3"),
                                          QString::fromUtf8(kScript));
        db->writeAlias(QStringLiteral("Lite"));
        connection.setName(QStringLiteral("Lite"));
        connection.connect();
    }

    void run(const QString& sql)
    {
        query.clearSql();
        query.addSql(sql);
        query.open();
    }

    std::unique_ptr<SqliteFile> db;
    Connection connection;
    Query query{connection};
};

TEST_F(SqliteEngine, OpensEveryRowWithFieldsFromTheDeclaredTypes)
{
    run(QStringLiteral("SELECT EMPNO, ENAME, HIRED, SAL, NOTE, SAL * 2 AS DOUBLED FROM EMP ORDER BY EMPNO"));
    ASSERT_TRUE(query.isActive());
    EXPECT_EQ(query.recordCount(), 3);
    ASSERT_EQ(query.fieldCount(), 6);
    EXPECT_EQ(query.field(1).name, QStringLiteral("ENAME"));
    EXPECT_EQ(query.field(1).displayLabel, QStringLiteral("ENAME"));
    EXPECT_EQ(query.field(0).type, FieldType::Integer);
    EXPECT_EQ(query.field(0).displayWidth, 10);
    EXPECT_EQ(query.field(1).displayWidth, 30);
    EXPECT_EQ(query.field(2).type, FieldType::Date);
    EXPECT_EQ(query.field(3).type, FieldType::Real);
    EXPECT_EQ(query.field(5).type, FieldType::Real); // an expression: typed from its values

    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("Mary Ann Smith"));
    EXPECT_EQ(query.valueText(1, 1), QStringLiteral("O'Brien"));
    EXPECT_EQ(query.value(0, 2), QVariant(QDate(2020, 1, 31)));
    EXPECT_EQ(query.value(0, 3), QVariant(1250.5));
    EXPECT_EQ(query.value(1, 0), QVariant(qlonglong(2)));
    EXPECT_TRUE(query.isNull(0, 4));
    EXPECT_FALSE(query.isNull(2, 4)); // an empty text is not NULL
    EXPECT_EQ(query.valueText(2, 4), QString());
    EXPECT_TRUE(query.isNull(2, 2));
    EXPECT_EQ(query.value(2, 2), QVariant());
    EXPECT_EQ(query.valueBytes(1, 4), "part time");
}

TEST_F(SqliteEngine, AttachOfAFileNotThereYetCreatesIt)
{
    const QString attached = home.path() + QStringLiteral("/new folder'file.sqlite3");
    ASSERT_FALSE(QFileInfo::exists(attached));
    query.clearSql();
    query.addSql(QStringLiteral("ATTACH DATABASE '") +
                 QString(attached).replace(u'\'', QStringLiteral("''")) + QStringLiteral("' AS extra"));
    query.execSQL();
    EXPECT_TRUE(QFileInfo(attached).isFile());
    query.clearSql();
    query.addSql(QStringLiteral("CREATE TABLE extra.T (A INTEGER)"));
    query.execSQL();
    run(QStringLiteral("SELECT count(*) FROM extra.T"));
    EXPECT_EQ(query.recordCount(), 1);

    // The data source's own file is never made up: a source whose file is gone fails as before.
    const QString gone = home.path() + QStringLiteral("/gone.sqlite3");
    SqliteFile(gone, QStringLiteral("CREATE TABLE X (A INTEGER);")).writeAlias(QStringLiteral("Gone"));
    ASSERT_TRUE(QFile::remove(gone));
    Connection other;
    other.setName(QStringLiteral("Gone"));
    try {
        other.connect();
        FAIL() << "connected to a file that is not there";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("unable to open database file"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(QFileInfo::exists(gone));
}

TEST_F(SqliteEngine, CursorMovesLikeADatasetCursor)
{
    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    EXPECT_EQ(query.recNo(), 0);
    EXPECT_TRUE(query.bof());
    EXPECT_FALSE(query.eof());
    query.next();
    query.next();
    EXPECT_EQ(query.recNo(), 2);
    EXPECT_FALSE(query.eof());
    query.next();
    EXPECT_EQ(query.recNo(), 2);
    EXPECT_TRUE(query.eof());
    query.prior();
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_FALSE(query.eof());
    query.first();
    query.prior();
    EXPECT_TRUE(query.bof());
    EXPECT_EQ(query.recNo(), 0);
    query.last();
    EXPECT_EQ(query.recNo(), 2);
    EXPECT_TRUE(query.eof());
    query.setRecNo(99);
    EXPECT_EQ(query.recNo(), 2);

    int visited = 0;
    for (query.first(); !query.eof(); query.next())
        ++visited;
    EXPECT_EQ(visited, 3);

    run(QStringLiteral("SELECT * FROM EMP WHERE 0"));
    EXPECT_EQ(query.recordCount(), 0);
    EXPECT_EQ(query.recNo(), -1);
    EXPECT_TRUE(query.bof());
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.fieldCount(), 5);
}

TEST_F(SqliteEngine, MovingAFieldReordersTheFieldsAndTheirValues)
{
    run(QStringLiteral("SELECT EMPNO, ENAME, HIRED FROM EMP ORDER BY EMPNO"));
    query.moveField(2, 0);
    EXPECT_EQ(query.field(0).name, QStringLiteral("HIRED"));
    EXPECT_EQ(query.field(1).name, QStringLiteral("EMPNO"));
    EXPECT_EQ(query.field(2).name, QStringLiteral("ENAME"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("2020-01-31"));
    EXPECT_EQ(query.valueText(0, 2), QStringLiteral("Mary Ann Smith"));
    query.moveField(0, 2);
    EXPECT_EQ(query.field(2).name, QStringLiteral("HIRED"));
    EXPECT_EQ(query.findField(QStringLiteral("ename")), 1);
    EXPECT_EQ(query.findField(QStringLiteral("nothing")), -1);
    query.setDisplayLabel(1, QStringLiteral("Name"));
    query.setVisible(2, false);
    EXPECT_EQ(query.field(1).displayLabel, QStringLiteral("Name"));
    EXPECT_FALSE(query.field(2).visible);
    EXPECT_THROW(query.field(3), WrapperError);
}

TEST_F(SqliteEngine, BookmarksSurviveDeletesOfOtherRows)
{
    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    query.setRecNo(2);
    const Query::Bookmark mark = query.bookmark();
    query.first();
    const Query::Bookmark firstMark = query.bookmark();
    query.deleteRecord();
    EXPECT_EQ(query.recordCount(), 2);
    query.gotoBookmark(mark);
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_EQ(query.valueText(query.recNo(), 1), QStringLiteral("Li"));
    query.freeBookmark(mark);
    EXPECT_THROW(query.gotoBookmark(firstMark), WrapperError);
}

TEST_F(SqliteEngine, ParametersAreBoundNeverPasted)
{
    query.addSql(QStringLiteral("SELECT ENAME, ':NOTAPARAM' AS T FROM EMP -- :NOR_THIS\n"
                                "WHERE ENAME = :NAME /* :NOR_THAT */ OR EMPNO = :ID"));
    ASSERT_EQ(query.paramCount(), 2);
    EXPECT_EQ(query.paramName(0), QStringLiteral("NAME"));
    EXPECT_EQ(query.paramName(1), QStringLiteral("ID"));
    query.setParamAsString(0, QStringLiteral("O'Brien"));
    query.setParamAsString(1, QStringLiteral("3"));
    EXPECT_EQ(query.paramAsText(0), QStringLiteral("O'Brien"));
    query.open();
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral(":NOTAPARAM"));

    // A value that would change the statement if it were pasted in matches nothing.
    query.setParamAsString(0, QStringLiteral("x' OR '1'='1"));
    query.setParamAsString(1, QStringLiteral("0"));
    query.open();
    EXPECT_EQ(query.recordCount(), 0);
}

TEST_F(SqliteEngine, AnUnsetParameterIsAWrapperFailure)
{
    query.addSql(QStringLiteral("SELECT * FROM EMP WHERE EMPNO = :EMPNO AND ENAME = :ENAME"));
    query.setParamAsString(1, QStringLiteral("Li"));
    try {
        query.open();
        FAIL() << "opened without a value";
    } catch (const EngineError&) {
        FAIL() << "reported as an engine failure";
    } catch (const WrapperError& e) {
        EXPECT_STREQ(e.what(), "No value for parameter 'EMPNO'");
    }
    EXPECT_FALSE(query.isActive());
}

TEST_F(SqliteEngine, ParameterValuesFollowTheirNamesIntoNewTextAndCopy)
{
    query.addSql(QStringLiteral("SELECT * FROM EMP WHERE EMPNO = :A OR EMPNO = :B OR EMPNO = :A"));
    ASSERT_EQ(query.paramCount(), 3); // a name that stands twice is two parameters
    query.setParamAsString(0, QStringLiteral("1"));
    query.setParamAsString(1, QStringLiteral("2"));
    query.setParamAsString(2, QStringLiteral("3"));
    query.setSql(
        {QStringLiteral("SELECT * FROM EMP WHERE EMPNO IN (:B, :A)"), QStringLiteral(" ORDER BY EMPNO")});
    ASSERT_EQ(query.paramCount(), 2);
    EXPECT_EQ(query.paramAsText(0), QStringLiteral("2"));
    EXPECT_EQ(query.paramAsText(1), QStringLiteral("1"));
    query.open();
    EXPECT_EQ(query.recordCount(), 2);

    Query other(connection);
    other.addSql(QStringLiteral("SELECT * FROM EMP WHERE ENAME = :X OR EMPNO = :Y OR EMPNO = :Z"));
    other.copyParamsFrom(query);
    EXPECT_EQ(other.paramAsText(0), QStringLiteral("2"));
    EXPECT_EQ(other.paramAsText(1), QStringLiteral("1"));
    EXPECT_FALSE(other.paramIsSet(2));
    other.clearParamValues();
    EXPECT_FALSE(other.paramIsSet(0));
}

TEST_F(SqliteEngine, ExecuteReportsRowsAffectedOrMinusOne)
{
    query.addSql(QStringLiteral("UPDATE EMP SET NOTE = 'x' WHERE EMPNO >= 2"));
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 2);
    query.setSql({QStringLiteral("DELETE FROM EMP WHERE EMPNO = 99")});
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 0);
    query.setSql({QStringLiteral("CREATE TABLE T2 (A INTEGER)")});
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), -1);
    // Every statement of the text runs.
    query.setSql({QStringLiteral("INSERT INTO T2 VALUES (1); INSERT INTO T2 VALUES (:V);")});
    query.setParamAsString(0, QStringLiteral("2"));
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 2);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT group_concat(A) FROM T2")), QStringLiteral("1,2"));
}

TEST_F(SqliteEngine, EngineFailuresCarryTheEnginesEntry)
{
    query.addSql(QStringLiteral("SELECT NOSUCH FROM EMP"));
    try {
        query.open();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("1"));
        EXPECT_EQ(e.entries()[0].message, QStringLiteral("no such column: NOSUCH"));
    }
    query.setSql({QStringLiteral("INSERT INTO EMP (EMPNO) VALUES (1)")});
    try {
        query.execSQL();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("19"));
        EXPECT_EQ(e.entries()[0].nativeError, 1555); // SQLITE_CONSTRAINT_PRIMARYKEY
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("UNIQUE constraint failed")), -1);
    }
    EXPECT_EQ(query.rowsAffected(), -1);
}

TEST_F(SqliteEngine, OpeningAStatementWithoutRowsIsRefusedUnrun)
{
    query.addSql(QStringLiteral("DELETE FROM EMP"));
    EXPECT_THROW(query.open(), WrapperError);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM EMP")), QStringLiteral("3"));
}

TEST_F(SqliteEngine, DisconnectClosesEveryQueryAndQueriesThenFailClearly)
{
    run(QStringLiteral("SELECT * FROM EMP"));
    Query second(connection);
    second.addSql(QStringLiteral("SELECT * FROM EMP"));
    second.open();
    connection.disconnect();
    EXPECT_FALSE(query.isActive());
    EXPECT_FALSE(second.isActive());
    EXPECT_NO_THROW(connection.disconnect());
    try {
        second.open();
        FAIL() << "opened without a connection";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_EQ(e.entries()[0].message, QStringLiteral("Not connected to a database"));
    }
    EXPECT_THROW(second.execSQL(), EngineError);
}

TEST_F(SqliteEngine, TheNameIsFixedWhileConnected)
{
    EXPECT_THROW(connection.setName(QStringLiteral("Other")), WrapperError);
    connection.disconnect();
    connection.setName(QStringLiteral("Other"));
    EXPECT_EQ(connection.name(), QStringLiteral("Other"));
}

class Connecting : public IsolatedTest
{
};

TEST_F(Connecting, UnknownNamesAndMissingFilesFail)
{
    Connection connection;
    EXPECT_EQ(connection.name(), QStringLiteral("Login"));
    EXPECT_THROW(connection.connect(), EngineError); // "Login" names no data source here
    EXPECT_FALSE(connection.isConnected());

    connection.setName(QStringLiteral("Nowhere"));
    try {
        connection.connect();
        FAIL() << "connected to nothing";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("Nowhere")), -1);
    }

    // An alias to a file that is not there never creates an empty database.
    SqliteFile(home.path() + QStringLiteral("/gone.sqlite3")).writeAlias(QStringLiteral("Gone"));
    QFile::remove(home.path() + QStringLiteral("/gone.sqlite3"));
    connection.setName(QStringLiteral("gone"));
    EXPECT_THROW(connection.connect(), EngineError);
    EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/gone.sqlite3")));
}

TEST_F(Connecting, AFileThatIsNotADatabaseFailsAndStays)
{
    const QString path = home.path() + QStringLiteral("/text.sqlite3");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("just some text, not a database at all.......................................");
    }
    Connection connection;
    {
        QFile ini(DataSources::AliasFilePath());
        QDir().mkpath(QFileInfo(ini).absolutePath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(("[Text]\nDriver=SQLITE\nDatabase=" + path + "\n").toUtf8());
    }
    connection.setName(QStringLiteral("Text"));
    EXPECT_THROW(connection.connect(), EngineError);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("just some text"));
}

} // namespace

namespace {

// Counts to a billion without producing a row until it is done: seconds of work inside one step.
const QString kLongCount = QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                                          "WHERE n < 1000000000) SELECT count(*) FROM c");
// Half a million rows, produced quickly.
const QString kManyRows = QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                                         "WHERE n < 500000) SELECT n, 'row ' || n FROM c");

class SqliteWatched : public SqliteEngine
{
protected:
    /// Reports land here; the callback cancels once stopAfter reports have come.
    void watch(int stopAfter)
    {
        connection.setProgressCallback([this, stopAfter](qint64 rows) {
            reports.append(rows);
            if (reports.size() == stopAfter)
                connection.cancel();
        });
    }

    QList<qint64> reports;
};

TEST_F(SqliteWatched, AComputationWithoutRowsReportsAndStopsWhenCancelled)
{
    watch(3);
    QElapsedTimer clock;
    clock.start();
    try {
        run(kLongCount);
        FAIL() << "the count ran to its end";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.entries().value(0).message, QStringLiteral("interrupted"));
    }
    // Three reports at least 100 ms apart, then the stop: well under the count's own time.
    EXPECT_LT(clock.elapsed(), 2000);
    ASSERT_EQ(reports.size(), 3);
    for (qint64 rows : reports)
        EXPECT_EQ(rows, -1);
    EXPECT_FALSE(query.isActive());

    // The connection goes on, and the stop request does not outlive the call it was meant for.
    connection.setProgressCallback({});
    run(QStringLiteral("SELECT count(*) FROM EMP"));
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("3"));
}

TEST_F(SqliteWatched, AFetchReportsRisingRowCountsAndKeepsNoHalfResult)
{
    watch(0);
    run(kManyRows);
    EXPECT_EQ(query.recordCount(), 500000);
    const QList<qint64> counted = reports;
    ASSERT_FALSE(counted.isEmpty());
    EXPECT_LE(counted.back(), 500000);
    for (qsizetype i = 1; i < counted.size(); ++i)
        EXPECT_GE(counted[i], counted[i - 1]);

    reports.clear();
    watch(1);
    query.close();
    // Rows without end: stopped after the first report, with rows already in hand.
    EXPECT_THROW(run(QString(kManyRows).replace(QStringLiteral("500000"), QStringLiteral("1000000000"))),
                 EngineError);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_GT(reports[0], 0);
    EXPECT_FALSE(query.isActive());
    EXPECT_EQ(query.recordCount(), 0);
}

TEST_F(SqliteWatched, ACancelledChangeLeavesTheTableAsItWas)
{
    watch(2);
    query.clearSql();
    query.addSql(QStringLiteral("INSERT INTO EMP (EMPNO, ENAME) WITH RECURSIVE c(n) AS (SELECT 100 UNION ALL "
                                "SELECT n + 1 FROM c WHERE n < 100000000) SELECT n, 'x' FROM c"));
    EXPECT_THROW(query.execSQL(), EngineError);
    connection.setProgressCallback({});
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM EMP")), QStringLiteral("3"));
    query.clearSql();
    query.addSql(QStringLiteral("UPDATE EMP SET NOTE = 'ok' WHERE EMPNO = 3"));
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 1);
}

TEST_F(SqliteWatched, ACancelFromAnotherThreadStopsTheCall)
{
    std::thread canceller([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        connection.cancel();
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(run(kLongCount), EngineError);
    canceller.join();
    EXPECT_LT(clock.elapsed(), 1500);
}

} // namespace
