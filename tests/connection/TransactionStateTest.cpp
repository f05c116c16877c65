#include "connection/Connection.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "support/PgServer.h"
#include "support/PgTest.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

/// One step of a session: a statement (or an end of the transaction) and what holds after it.
struct Step
{
    enum Kind
    {
        Execute, ///< a statement without rows; may fail
        Open,    ///< a row-returning statement
        Commit,
        Rollback,
    } kind;
    const char* sql;
    bool openAfter;
};

// clang-format off
const Step kSession[] = {
    {Step::Execute, "insert into t values (1)", false},
    {Step::Execute, "BEGIN", true},
    {Step::Execute, "insert into t values (2)", true},
    {Step::Open, "select count(*) from t", true},
    {Step::Execute, "insert into no_such_table values (1)", true}, // failed, still holding its locks
    {Step::Rollback, "", false},
    {Step::Execute, "begin", true},
    {Step::Execute, "insert into t values (3)", true},
    {Step::Commit, "", false},
    {Step::Commit, "", false}, // nothing open: harmless
    {Step::Open, "select count(*) from t", false},
};
// clang-format on

/// Runs kSession; each step's state must hold and be announced. Leaves rows 1 and 3 in t.
void RunSession(Connection& connection)
{
    Query query(connection);
    QSignalSpy announced(&connection, &Connection::transactionStateChanged);
    for (const Step& step : kSession) {
        SCOPED_TRACE(step.sql);
        announced.clear();
        query.clearSql();
        query.addSql(QString::fromUtf8(step.sql));
        try {
            switch (step.kind) {
            case Step::Execute:
                query.execSQL();
                break;
            case Step::Open:
                query.open();
                break;
            case Step::Commit:
            case Step::Rollback:
                connection.endTransaction(step.kind == Step::Commit);
                break;
            }
        } catch (const EngineError&) {
            // The failing insert: its failure is what the step is about.
        }
        EXPECT_EQ(connection.inTransaction(), step.openAfter);
        ASSERT_FALSE(announced.isEmpty()) << "every statement announces the state";
        EXPECT_EQ(announced.last().at(0).toBool(), step.openAfter);
    }
    query.clearSql();
    query.addSql(QStringLiteral("select count(*) from t"));
    query.open();
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("2"))
        << "the rolled back row is gone, the committed one kept";
}

class TransactionState : public PgTest
{
};

TEST_F(TransactionState, SqliteSessionTellsItsOpenTransaction)
{
    const SqliteFile db(home.path() + QStringLiteral("/t.sqlite3"),
                        QStringLiteral("create table t (a int);"));
    db.writeAlias(QStringLiteral("Lite"));
    Connection connection;
    connection.setName(QStringLiteral("Lite"));
    connection.connect();
    RunSession(connection);

    QSignalSpy announced(&connection, &Connection::transactionStateChanged);
    Query query(connection);
    query.addSql(QStringLiteral("begin"));
    query.execSQL();
    connection.disconnect();
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(announced.last().at(0).toBool(), false) << "a closed session holds no transaction";
}

TEST_F(TransactionState, PostgresSessionTellsItsOpenTransaction)
{
    ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
    pg.psql(QStringLiteral("DROP TABLE IF EXISTS t; CREATE TABLE t (a int);"));
    pg.writeAlias(QStringLiteral("PG"));
    login(QStringLiteral("PG"));
    RunSession(connection);
}

} // namespace
