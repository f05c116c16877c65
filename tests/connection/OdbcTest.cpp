#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const char* const kScript = R"sql(
CREATE TABLE ITEMS (ID INTEGER PRIMARY KEY, NAME VARCHAR(20), PRICE NUMERIC(8,2), ADDED DATE);
INSERT INTO ITEMS VALUES (1, 'Blue pen', 1.25, '2024-02-29'), (2, 'Red ink', NULL, NULL), (3, 'Big pad', 4.5, '2023-12-31');
CREATE TABLE TAGS (ID INTEGER, TAG VARCHAR(10));
INSERT INTO TAGS VALUES (1, 'office'), (3, 'paper');
)sql";

/// An SQLite file reached through the driver manager: a DSN of the SQLite ODBC driver in a
/// temporary odbc.ini, through Qt Sql's ODBC driver.
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

TEST(OdbcUnknownDsn, FailsToConnect)
{
    TestHome home;
    Connection connection;
    connection.setName(QStringLiteral("No Such DSN"));
    EXPECT_THROW(connection.connect(), EngineError);
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

} // namespace
