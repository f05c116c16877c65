#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/DatabaseDriver.h"
#include "connection/EngineError.h"
#include "connection/OdbcDriver.h"
#include "connection/Query.h"
#include "connection/SchemaCatalogue.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>

namespace {

const char* const kScript = R"sql(
CREATE TABLE ITEMS (ID INTEGER PRIMARY KEY, NAME VARCHAR(20), PRICE NUMERIC(8,2), ADDED DATE);
INSERT INTO ITEMS VALUES (1, 'Blue pen', 1.25, '2024-02-29'), (2, 'Red ink', NULL, NULL), (3, 'Big pad', 4.5, '2023-12-31');
CREATE TABLE TAGS (ID INTEGER, TAG VARCHAR(10));
INSERT INTO TAGS VALUES (1, 'office'), (3, 'paper');
)sql";

/// An SQLite file reached through the driver manager: a DSN of the SQLite ODBC driver in a
/// temporary odbc.ini.
class OdbcDsn : public IsolatedTest
{
protected:
    void SetUp() override
    {
        db = std::make_unique<SqliteFile>(home.path() + QStringLiteral("/odbc.sqlite3"),
                                          QString::fromUtf8(kScript));
        db->writeOdbcDsn(QStringLiteral("Lite DSN"));
        connection.setName(QStringLiteral("Lite DSN"));
        connection.connect();
    }

    std::unique_ptr<SqliteFile> db;
    Connection connection;
    Query query{connection};
};

TEST_F(OdbcDsn, IsListedAndOpensRows)
{
    EXPECT_TRUE(DataSources::List({}).contains(QStringLiteral("Lite DSN")));
    query.addSql(QStringLiteral("SELECT * FROM ITEMS WHERE NAME <> :NAME ORDER BY ID"));
    query.setParamAsString(0, QStringLiteral("Red ink"));
    query.open();
    ASSERT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.field(1).name, QStringLiteral("NAME"));
    EXPECT_EQ(query.field(1).displayWidth, 20);
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("Blue pen"));
    EXPECT_EQ(query.valueText(1, 1), QStringLiteral("Big pad"));
    EXPECT_EQ(query.value(1, 0).toInt(), 3);
}

TEST_F(OdbcDsn, ExecuteCountsRows)
{
    query.addSql(QStringLiteral("UPDATE ITEMS SET PRICE = PRICE * 2 WHERE PRICE IS NOT NULL"));
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 2);
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT PRICE FROM ITEMS WHERE ID = 3")), QStringLiteral("9"));
}

TEST_F(OdbcDsn, StatementErrorsCarryTheDiagnosticRecords)
{
    query.addSql(QStringLiteral("SELECT NOSUCH FROM ITEMS"));
    try {
        query.open();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        ASSERT_GE(e.entries().size(), 1);
        EXPECT_FALSE(e.entries()[0].code.isEmpty()); // the record's SQLSTATE
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("no such column")), -1);
    }
}

TEST_F(OdbcDsn, LiveEditsGoThroughTheDriverManagerToo)
{
    query.addSql(QStringLiteral("SELECT ID, NAME, PRICE FROM ITEMS ORDER BY ID"));
    query.open();
    ASSERT_TRUE(query.canModify());
    query.setRecNo(1);
    query.setFieldValue(1, QStringLiteral("Black ink"));
    query.setFieldValue(2, 2.75);
    query.post();
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT NAME || '|' || PRICE FROM ITEMS WHERE ID = 2")),
              QStringLiteral("Black ink|2.75"));

    query.append();
    query.setFieldValue(0, 10);
    query.setFieldValue(1, QStringLiteral("Ruler"));
    query.post();
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT NAME FROM ITEMS WHERE ID = 10")), QStringLiteral("Ruler"));

    query.first();
    query.deleteRecord();
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM ITEMS WHERE ID = 1")), QStringLiteral("0"));

    db->exec(QStringLiteral("DELETE FROM ITEMS WHERE ID = 2"));
    query.setFieldValue(1, QStringLiteral("gone"));
    EXPECT_THROW(query.post(), EngineError);
}

TEST_F(OdbcDsn, JoinsAndTablesWithoutKeysAreReadOnly)
{
    query.addSql(QStringLiteral("SELECT I.NAME, T.TAG FROM ITEMS I JOIN TAGS T ON T.ID = I.ID"));
    query.open();
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_FALSE(query.canModify());
    query.setSql({QStringLiteral("SELECT * FROM TAGS")});
    query.open();
    EXPECT_FALSE(query.canModify());
}

TEST_F(OdbcDsn, ValuesComeBackWholeWhateverTheirLength)
{
    // Longer than the declared size, than any bound buffer and than one SQLGetData piece.
    const QString longText =
        QStringLiteral("K\u00F6ln \u20AC \u540D ").repeated(9000) + QStringLiteral("/end");
    db->exec(QStringLiteral(
        "CREATE TABLE VALS (ID INTEGER PRIMARY KEY, T VARCHAR(5), B BLOB, R REAL);"
        "INSERT INTO VALS VALUES (1, NULL, X'00FF4100', 2.5), (2, 'x', randomblob(70000), NULL),"
        "(3, '', X'', -0.125)"));
    Query insert(connection);
    insert.addSql(QStringLiteral("INSERT INTO VALS (ID, T) VALUES (4, :T)"));
    insert.setParamAsString(0, longText);
    insert.execSQL();
    EXPECT_EQ(insert.rowsAffected(), 1);

    query.addSql(QStringLiteral("SELECT ID, T, B, R FROM VALS ORDER BY ID"));
    query.open();
    ASSERT_EQ(query.recordCount(), 4);
    EXPECT_EQ(query.field(2).type, FieldType::Blob);
    EXPECT_TRUE(query.isNull(0, 1));
    EXPECT_EQ(query.value(0, 2).toByteArray(), QByteArray("\x00\xff\x41\x00", 4));
    EXPECT_EQ(query.valueText(0, 3), QStringLiteral("2.5"));
    EXPECT_EQ(query.value(1, 2).toByteArray().toHex().toUpper(),
              db->scalar(QStringLiteral("SELECT hex(B) FROM VALS WHERE ID = 2")).toLatin1());
    EXPECT_TRUE(query.isNull(1, 3));
    EXPECT_FALSE(query.isNull(2, 1));
    EXPECT_EQ(query.valueText(2, 1), QString());
    EXPECT_FALSE(query.isNull(2, 2));
    EXPECT_EQ(query.value(2, 3).toDouble(), -0.125);
    const QString back = query.valueText(3, 1);
    EXPECT_EQ(back.size(), longText.size());
    EXPECT_TRUE(back == longText) << "ends in " << back.right(8).toStdString();
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT length(T) FROM VALS WHERE ID = 4")),
              QString::number(longText.size()));
}

TEST_F(OdbcDsn, TheDriverTellsWhetherAStatementReturnsRows)
{
    const DatabaseDriver& driver = connection.driver();
    EXPECT_EQ(driver.returnsRows(QStringLiteral("WITH X AS (SELECT 1) SELECT * FROM X")), true);
    EXPECT_EQ(driver.returnsRows(QStringLiteral("SELECT * FROM ITEMS WHERE ID = ?")), true);
    EXPECT_EQ(driver.returnsRows(QStringLiteral("DELETE FROM ITEMS")), false);
    // Asking runs nothing.
    EXPECT_EQ(db->scalar(QStringLiteral("SELECT count(*) FROM ITEMS")), QStringLiteral("3"));
}

TEST_F(OdbcDsn, ACancelFromTheProgressCallbackStopsTheStatementAndTheNextOneRuns)
{
    const std::thread::id caller = std::this_thread::get_id();
    int reports = 0;
    bool elsewhere = false;
    connection.setProgressCallback([&](qint64) {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        if (++reports == 3)
            connection.cancel();
    });
    query.addSql(QStringLiteral(
        "WITH RECURSIVE C(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM C) SELECT count(*) FROM C"));
    try {
        query.open();
        FAIL() << "an endless statement ended";
    } catch (const EngineError& e) {
        ASSERT_FALSE(e.entries().isEmpty());
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("interrupt")), -1)
            << e.entries()[0].message.toStdString();
    }
    EXPECT_FALSE(elsewhere) << "progress is told on the calling thread only";
    EXPECT_EQ(reports, 3);
    EXPECT_FALSE(query.isActive());
    connection.setProgressCallback({});
    query.setSql({QStringLiteral("SELECT count(*) FROM ITEMS")});
    query.open();
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("3"));
}

TEST_F(OdbcDsn, AnAliasOfTheOdbcDriverNamesADsnOrAWholeConnectionString)
{
    QFile ini(QString::fromLocal8Bit(qgetenv("ODBCINI")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QRegularExpression driverLine(QStringLiteral("^Driver\\s*=\\s*(.+)$"),
                                        QRegularExpression::MultilineOption);
    const QString library = driverLine.match(QString::fromUtf8(ini.readAll())).captured(1).trimmed();
    ASSERT_FALSE(library.isEmpty());
    const AliasFile::Alias byName{
        QStringLiteral("Via DSN"), QStringLiteral("QODBC"), QStringLiteral("Lite DSN"), {}, -1, {}};
    const AliasFile::Alias byString{QStringLiteral("Via String"),
                                    QStringLiteral("qodbc"),
                                    QStringLiteral("DRIVER=%1;Database=%2").arg(library, db->path()),
                                    {},
                                    -1,
                                    {}};
    for (const AliasFile::Alias& alias : {byName, byString}) {
        ASSERT_TRUE(AliasFile::Write(DataSources::AliasFilePath(), alias));
        Connection other;
        other.setName(alias.name);
        other.connect();
        EXPECT_TRUE(dynamic_cast<OdbcDriver*>(&other.driver())) << alias.name.toStdString();
        Query count(other);
        count.addSql(QStringLiteral("SELECT count(*) FROM ITEMS"));
        count.open();
        EXPECT_EQ(count.valueText(0, 0), QStringLiteral("3")) << alias.name.toStdString();
    }
}

TEST(OdbcUnknownDsn, FailsToConnect)
{
    TestHome home;
    Connection connection;
    connection.setName(QStringLiteral("No Such DSN"));
    EXPECT_THROW(connection.connect(), EngineError);
    // Through a connection string, the driver manager's own record comes with its state.
    try {
        OdbcDriver driver(OdbcConnectFacts{QStringLiteral("DSN=No Such DSN"), {}, {}}, ConnectWatch{});
        FAIL() << "connected to a data source that is not there";
    } catch (const EngineError& e) {
        ASSERT_FALSE(e.entries().isEmpty());
        EXPECT_EQ(e.entries()[0].code, QStringLiteral("IM002"));
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("not found")), -1);
    }
    // A DSN naming a driver that is not there fails in the driver manager.
    QFile ini(QString::fromLocal8Bit(qgetenv("ODBCINI")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Broken]\nDriver = /nonexistent/libnothing.so\n");
    ini.close();
    connection.setName(QStringLiteral("Broken"));
    try {
        connection.connect();
        FAIL() << "connected through a missing driver";
    } catch (const EngineError& e) {
        ASSERT_FALSE(e.entries().isEmpty());
        EXPECT_FALSE(e.entries()[0].message.isEmpty());
    }
}

TEST_F(OdbcDsn, CatalogueThroughSqlTablesAndSqlColumns)
{
    db->exec(QStringLiteral("CREATE VIEW CHEAP AS SELECT NAME FROM ITEMS WHERE PRICE < 2"));
    const SchemaCatalogue catalogue = connection.driver().readCatalogue();
    QStringList described;
    for (const CatalogueTable& table : catalogue.tables()) {
        QStringList columns;
        for (const CatalogueColumn& column : table.columns)
            columns.append(column.name + u' ' + column.type);
        described.append(table.schema + u'|' + table.name +
                         (table.view ? QStringLiteral(" view: ") : QStringLiteral(": ")) +
                         columns.join(QStringLiteral(", ")));
    }
    EXPECT_EQ(described.join(u'\n').toStdString(),
              "|CHEAP view: NAME VARCHAR(20)\n"
              "|ITEMS: ID INTEGER, NAME VARCHAR(20), PRICE NUMERIC(8,2), ADDED DATE\n"
              "|TAGS: ID INTEGER, TAG VARCHAR(10)");
}

} // namespace
