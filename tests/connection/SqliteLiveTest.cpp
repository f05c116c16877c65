#include "connection/Connection.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QDate>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const char* const kScript = R"sql(
CREATE TABLE DEPT (DEPTNO INTEGER PRIMARY KEY, DNAME VARCHAR(20));
INSERT INTO DEPT VALUES (10, 'ACCOUNTING'), (20, 'RESEARCH');
CREATE TABLE EMP (EMPNO INTEGER PRIMARY KEY, ENAME VARCHAR(30), HIRED DATE DEFAULT '2000-01-01', DEPTNO INTEGER,
                  ACTIVE BOOLEAN);
INSERT INTO EMP VALUES (1, 'Mary Ann', '2020-01-31', 10, 1), (2, 'John', NULL, 20, 0), (3, 'Li', '2018-05-05', 10, 1);
CREATE TABLE PAIRS (A INTEGER, B TEXT, V TEXT, PRIMARY KEY (A, B));
INSERT INTO PAIRS VALUES (1, 'x', 'one x'), (1, 'y', 'one y');
CREATE TABLE LOOSE (K TEXT PRIMARY KEY, V TEXT);
INSERT INTO LOOSE VALUES (NULL, 'first'), (NULL, 'second'), ('k', 'third');
CREATE TABLE NOKEY (V TEXT);
INSERT INTO NOKEY VALUES ('a'), ('b');
)sql";

class SqliteLive : public IsolatedTest
{
protected:
    void SetUp() override
    {
        db = std::make_unique<SqliteFile>(home.path() + QStringLiteral("/live.sqlite3"),
                                          QString::fromUtf8(kScript));
        db->writeAlias(QStringLiteral("Live"));
        connection.setName(QStringLiteral("Live"));
        connection.connect();
    }

    void run(const QString& sql, bool live = true)
    {
        query.setSql({sql});
        query.setRequestLive(live);
        query.open();
    }

    QString stored(const QString& sql) const { return db->scalar(sql); }

    std::unique_ptr<SqliteFile> db;
    Connection connection;
    Query query{connection};
};

TEST_F(SqliteLive, EditsArePostedKeyedByTheOriginalKey)
{
    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    ASSERT_TRUE(query.canModify());
    query.setRecNo(1);
    query.edit();
    EXPECT_EQ(query.state(), Query::State::Edit);
    query.setFieldValue(1, QStringLiteral("John Paul"));
    query.setFieldValue(2, QDate(2021, 2, 3));
    query.setFieldValue(4, true);
    EXPECT_TRUE(query.modified());
    EXPECT_EQ(query.valueText(1, 1), QStringLiteral("John Paul")); // the edit shows before the post
    EXPECT_EQ(stored(QStringLiteral("SELECT ENAME FROM EMP WHERE EMPNO = 2")), QStringLiteral("John"));
    query.post();
    EXPECT_EQ(query.state(), Query::State::Browse);
    EXPECT_EQ(
        stored(QStringLiteral("SELECT ENAME || '|' || HIRED || '|' || ACTIVE FROM EMP WHERE EMPNO = 2")),
        QStringLiteral("John Paul|2021-02-03|1"));
    EXPECT_EQ(query.value(1, 4), QVariant(true));
    EXPECT_EQ(query.valueText(1, 2), QStringLiteral("2021-02-03"));

    // Changing the key itself: the row is found by the key it had.
    query.setFieldValue(0, 20);
    query.setFieldValue(3, QVariant());
    query.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM EMP WHERE EMPNO = 2")), QStringLiteral("0"));
    EXPECT_EQ(
        stored(QStringLiteral("SELECT ENAME || '|' || ifnull(DEPTNO, 'null') FROM EMP WHERE EMPNO = 20")),
        QStringLiteral("John Paul|null"));
    EXPECT_TRUE(query.isNull(1, 3));
}

TEST_F(SqliteLive, InsertsTakeTheEnginesDefaultsAndKeys)
{
    run(QStringLiteral("SELECT EMPNO, ENAME, HIRED FROM EMP ORDER BY EMPNO"));
    query.setRecNo(1);
    query.insert();
    EXPECT_EQ(query.state(), Query::State::Insert);
    EXPECT_EQ(query.recordCount(), 4);
    EXPECT_EQ(query.recNo(), 1);
    query.setFieldValue(1, QStringLiteral("New Hire"));
    query.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM EMP")), QStringLiteral("4"));
    // The generated key and the column default come back into the result.
    EXPECT_EQ(query.valueText(1, 0), QStringLiteral("4"));
    EXPECT_EQ(query.valueText(1, 2), QStringLiteral("2000-01-01"));

    query.append();
    EXPECT_EQ(query.recNo(), 4);
    query.setFieldValue(0, 100);
    query.setFieldValue(1, QStringLiteral("Last"));
    query.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT ENAME FROM EMP WHERE EMPNO = 100")), QStringLiteral("Last"));
}

TEST_F(SqliteLive, DeletesRemoveTheRowFromTableAndResult)
{
    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    query.setRecNo(2);
    query.deleteRecord();
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_EQ(stored(QStringLiteral("SELECT group_concat(EMPNO) FROM EMP")), QStringLiteral("1,2"));
}

TEST_F(SqliteLive, CancelLeavesTableAndResultAsTheyWere)
{
    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    query.setRecNo(1);
    query.setFieldValue(1, QStringLiteral("Changed"));
    query.cancel();
    EXPECT_EQ(query.valueText(1, 1), QStringLiteral("John"));
    query.insert();
    query.setFieldValue(1, QStringLiteral("Never"));
    query.cancel();
    EXPECT_EQ(query.recordCount(), 3);
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM EMP WHERE ENAME IN ('Changed', 'Never')")),
              QStringLiteral("0"));
}

TEST_F(SqliteLive, MovingOffAnEditedRecordPostsIt)
{
    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    query.setFieldValue(1, QStringLiteral("Moved On"));
    query.next();
    EXPECT_EQ(query.state(), Query::State::Browse);
    EXPECT_EQ(stored(QStringLiteral("SELECT ENAME FROM EMP WHERE EMPNO = 1")), QStringLiteral("Moved On"));
}

TEST_F(SqliteLive, CompositeKeysAddressExactlyOneRow)
{
    run(QStringLiteral("SELECT * FROM PAIRS ORDER BY B"));
    ASSERT_TRUE(query.canModify());
    query.setRecNo(1);
    query.setFieldValue(2, QStringLiteral("changed y"));
    query.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT group_concat(V, ';') FROM (SELECT V FROM PAIRS ORDER BY B)")),
              QStringLiteral("one x;changed y"));
}

TEST_F(SqliteLive, APostThatFindsNoRowIsRefused)
{
    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    db->exec(QStringLiteral("DELETE FROM EMP WHERE EMPNO = 1")); // behind the result's back
    query.setFieldValue(1, QStringLiteral("Ghost"));
    try {
        query.post();
        FAIL() << "posted to a row that is gone";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("not found")), -1);
    }
    EXPECT_EQ(query.state(), Query::State::Edit); // the edit is kept for the user
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM EMP WHERE ENAME = 'Ghost'")), QStringLiteral("0"));
    query.cancel();
    EXPECT_THROW(query.deleteRecord(), EngineError);
    EXPECT_EQ(query.recordCount(), 3);
}

TEST_F(SqliteLive, APostThatWouldTouchSeveralRowsIsRefusedAndUndone)
{
    // Two rows share the NULL key an SQLite text key allows.
    run(QStringLiteral("SELECT K, V FROM LOOSE ORDER BY V"));
    ASSERT_TRUE(query.canModify());
    query.setFieldValue(1, QStringLiteral("both?"));
    try {
        query.post();
        FAIL() << "posted to two rows";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("2 rows")), -1);
    }
    EXPECT_EQ(stored(QStringLiteral("SELECT group_concat(V) FROM (SELECT V FROM LOOSE ORDER BY V)")),
              QStringLiteral("first,second,third"));
    query.cancel();
    EXPECT_THROW(query.deleteRecord(), EngineError);
    EXPECT_EQ(stored(QStringLiteral("SELECT count(*) FROM LOOSE")), QStringLiteral("3"));
    // The row with a key of its own is still editable.
    query.last();
    query.setFieldValue(1, QStringLiteral("third, edited"));
    query.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT V FROM LOOSE WHERE K = 'k'")), QStringLiteral("third, edited"));
}

struct ReadOnlyCase
{
    const char* sql;
};

void PrintTo(const ReadOnlyCase& c, std::ostream* os)
{
    *os << c.sql;
}

class SqliteReadOnly : public SqliteLive, public ::testing::WithParamInterface<ReadOnlyCase>
{
};

TEST_P(SqliteReadOnly, ALiveRequestThatCannotBeGrantedGivesAReadOnlyResult)
{
    ASSERT_NO_THROW(run(QString::fromUtf8(GetParam().sql)));
    EXPECT_TRUE(query.isActive());
    EXPECT_FALSE(query.canModify());
    EXPECT_THROW(query.edit(), WrapperError);
    EXPECT_THROW(query.setFieldValue(0, QStringLiteral("x")), WrapperError);
    EXPECT_THROW(query.insert(), WrapperError);
    EXPECT_THROW(query.deleteRecord(), WrapperError);
    EXPECT_EQ(query.state(), Query::State::Browse);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, SqliteReadOnly,
    ::testing::Values(ReadOnlyCase{"SELECT E.ENAME, D.DNAME FROM EMP E JOIN DEPT D USING (DEPTNO)"},
                      ReadOnlyCase{"SELECT ENAME FROM EMP"},
                      ReadOnlyCase{"SELECT EMPNO, upper(ENAME) FROM EMP"},
                      ReadOnlyCase{"SELECT EMPNO, ENAME, ENAME FROM EMP"},
                      ReadOnlyCase{"SELECT A, V FROM PAIRS"}, ReadOnlyCase{"SELECT * FROM NOKEY"},
                      ReadOnlyCase{"SELECT DEPTNO, count(*) FROM EMP GROUP BY DEPTNO"}));

TEST_F(SqliteLive, TheRowidServesAsKeyForATableWithoutOne)
{
    run(QStringLiteral("SELECT rowid, V FROM NOKEY ORDER BY rowid"));
    ASSERT_TRUE(query.canModify());
    query.setRecNo(1);
    query.setFieldValue(1, QStringLiteral("b2"));
    query.post();
    EXPECT_EQ(stored(QStringLiteral("SELECT group_concat(V) FROM NOKEY")), QStringLiteral("a,b2"));
}

TEST_F(SqliteLive, AReadOnlyRequestIsNeverLive)
{
    run(QStringLiteral("SELECT * FROM EMP"), false);
    EXPECT_FALSE(query.canModify());
}

TEST_F(SqliteLive, SignalsStopWhileControlsAreDisabled)
{
    QSignalSpy opened(&query, &Query::opened);
    QSignalSpy closed(&query, &Query::closed);
    QSignalSpy current(&query, &Query::currentChanged);
    QSignalSpy reset(&query, &Query::recordsReset);
    QSignalSpy changed(&query, &Query::recordChanged);
    QSignalSpy fields(&query, &Query::fieldsChanged);
    QSignalSpy states(&query, &Query::stateChanged);

    run(QStringLiteral("SELECT * FROM EMP ORDER BY EMPNO"));
    EXPECT_EQ(opened.count(), 1);
    query.next();
    EXPECT_EQ(current.count(), 1);
    EXPECT_EQ(current.last().at(0).toInt(), 1);
    query.setFieldValue(1, QStringLiteral("x"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).toInt(), 1);
    query.cancel();

    opened.clear();
    current.clear();
    reset.clear();
    states.clear();
    query.disableControls();
    query.disableControls();
    EXPECT_TRUE(query.controlsDisabled());
    for (query.first(); !query.eof(); query.next()) {
    }
    query.moveField(0, 1);
    query.enableControls();
    EXPECT_EQ(current.count(), 0);
    EXPECT_EQ(fields.count(), 0);
    query.enableControls(); // the last one lets the pending news out, once
    EXPECT_FALSE(query.controlsDisabled());
    EXPECT_EQ(current.count(), 1);
    EXPECT_EQ(fields.count(), 1);
    EXPECT_EQ(opened.count(), 0);

    query.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(states.last().at(0).value<Query::State>(), Query::State::Inactive);
}

} // namespace
