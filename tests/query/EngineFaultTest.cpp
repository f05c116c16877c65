// The database server going away under a running program: stopped, or the session ended by the
// server, between statements and in the middle of one. The engine's error is shown, nothing
// crashes, and after "Change Data Source" (logging in again) the next statement runs.

#include "QueryWindowFixture.h"

#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "query/ResultGridModel.h"
#include "support/PgServer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <chrono>
#include <thread>

namespace {

using Outcome = SqlExecution::Outcome;

enum class Fault
{
    ServerStopped,
    SessionTerminated,
};

struct FaultCase
{
    Fault fault;
    bool duringAStatement; ///< the fault strikes while a statement runs, not between two
    bool odbc = false;     ///< through the ODBC data source instead of the QPSQL alias
};

std::string CaseName(const ::testing::TestParamInfo<FaultCase>& info)
{
    return std::string(info.param.fault == Fault::ServerStopped ? "ServerStopped" : "SessionTerminated") +
           (info.param.duringAStatement ? "DuringAStatement" : "BetweenStatements") +
           (info.param.odbc ? "Odbc" : "");
}

class EngineFaultTest : public QueryWindowTest, public ::testing::WithParamInterface<FaultCase>
{
protected:
    void SetUp() override
    {
        PgServer& pg = PgServer::instance();
        if (!pg.running())
            GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
        pg.psql(QStringLiteral(
            "DROP TABLE IF EXISTS fault_t; CREATE TABLE fault_t (id int PRIMARY KEY, name text);"
            "INSERT INTO fault_t VALUES (1, 'one'), (2, 'two'), (3, 'three');"));
        pg.writeAlias(QStringLiteral("PG"));
        pg.writeOdbcDsn(QStringLiteral("PG DSN"));
        startup = std::make_unique<Startup>(ctx);
        startup->login().show();
        logIn();
        window = std::make_unique<TFRM_Query>(ctx);
        ctx.query = window.get();
        execution = std::make_unique<SqlExecution>(ctx);
    }
    void TearDown() override
    {
        // Whatever happened, the server runs again for the tests after this one.
        PgServer::instance().startAgain();
        ctx.query = nullptr;
        QueryWindowTest::TearDown();
        startup.reset();
    }

    /// Logs in to the server's alias through the real login dialog.
    void logIn()
    {
        TFRM_Login& login = startup->login();
        const QString source = GetParam().odbc ? QStringLiteral("PG DSN") : QStringLiteral("PG");
        login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(source));
        login.EDT_UserName->setText(PgServer::instance().user());
        login.EDT_Password->setText(PgServer::instance().password());
        QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
    }

    /// Rows of the statement as the result window shows them; -1 when it was not shown.
    int rowsShown(const QString& sql)
    {
        int rows = -1;
        const Outcome outcome = execute(sql, [&](TFRM_Query& w) { rows = w.gridModel().rowCount(); });
        return outcome == Outcome::ResultShown ? rows : -1;
    }

    void strike(Fault fault)
    {
        PgServer& pg = PgServer::instance();
        if (fault == Fault::ServerStopped) {
            pg.stop();
            return;
        }
        pg.psql(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                               "WHERE usename = '%1' AND pid <> pg_backend_pid()")
                    .arg(pg.user()),
                true);
    }

    std::unique_ptr<Startup> startup;
};

TEST_P(EngineFaultTest, TheErrorIsShownAndALoginAgainRunsTheNextStatement)
{
    const FaultCase c = GetParam();
    ASSERT_TRUE(startup->queryTool().isVisible()) << "logged in";
    EXPECT_EQ(rowsShown(QStringLiteral("select * from fault_t")), 3);

    if (c.duringAStatement) {
        // The statement is running on the server when the fault strikes from outside.
        std::thread striker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            strike(c.fault);
        });
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        EXPECT_EQ(execute(QStringLiteral("select pg_sleep(20), id from fault_t")), Outcome::Failed);
        striker.join();
    } else {
        strike(c.fault);
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        EXPECT_EQ(execute(QStringLiteral("select * from fault_t")), Outcome::Failed);
    }
    desktop.verify();
    ASSERT_FALSE(desktop.boxes.empty());
    const QString shown = desktop.boxes.back().text;
    EXPECT_FALSE(shown.trimmed().isEmpty()) << "the engine's own message";
    EXPECT_FALSE(shown.contains(PgServer::instance().password()));
    EXPECT_EQ(desktop.busyDepth, 0) << "the normal cursor is back";

    // A statement without rows fails too; by now the driver has closed the broken connection, and
    // says so in words.
    desktop.expectBox(
        BoxKind::Error,
        QStringLiteral("The connection to the database was lost. Log in again with Change Data Source."),
        BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("update fault_t set name = name")), Outcome::Failed);
    desktop.verify();

    if (c.fault == Fault::ServerStopped) {
        ASSERT_TRUE(PgServer::instance().startAgain()) << PgServer::instance().failure().toStdString();
    }

    // "Change Data Source": the login dialog again, a new session, and the next statement runs.
    startup->queryTool().BBN_ChangeDataSource->click();
    ASSERT_TRUE(startup->login().isVisible());
    logIn();
    EXPECT_FALSE(startup->login().isVisible());
    EXPECT_EQ(rowsShown(QStringLiteral("select * from fault_t")), 3);
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r1 rows were affected."), BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("update fault_t set name = upper(name) where id = 2")),
              Outcome::CommandDone);
    EXPECT_EQ(PgServer::instance().psql(QStringLiteral("SELECT name FROM fault_t WHERE id = 2")),
              QStringLiteral("TWO"));
    desktop.verify();
}

TEST_P(EngineFaultTest, AnUpdateCutOffLeavesTheTableAsItWas)
{
    const FaultCase c = GetParam();
    if (!c.duringAStatement)
        GTEST_SKIP() << "only a statement under way can be cut off";
    ASSERT_TRUE(startup->queryTool().isVisible()) << "logged in";
    std::thread striker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        strike(c.fault);
    });
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    // Every row is changed before the sleep ends the statement: none of it may stay.
    EXPECT_EQ(execute(QStringLiteral("update fault_t set name = name || (select 'x' from pg_sleep(20))")),
              Outcome::Failed);
    striker.join();
    desktop.verify();
    EXPECT_EQ(desktop.busyDepth, 0);

    if (c.fault == Fault::ServerStopped) {
        ASSERT_TRUE(PgServer::instance().startAgain()) << PgServer::instance().failure().toStdString();
    }
    EXPECT_EQ(
        PgServer::instance().psql(QStringLiteral("SELECT string_agg(name, ',' ORDER BY id) FROM fault_t")),
        QStringLiteral("one,two,three"));
    startup->queryTool().BBN_ChangeDataSource->click();
    logIn();
    EXPECT_FALSE(startup->login().isVisible());
    EXPECT_EQ(rowsShown(QStringLiteral("select * from fault_t where name like '%x'")), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, EngineFaultTest,
                         ::testing::Values(FaultCase{Fault::ServerStopped, false},
                                           FaultCase{Fault::ServerStopped, true},
                                           FaultCase{Fault::SessionTerminated, false},
                                           FaultCase{Fault::SessionTerminated, true},
                                           FaultCase{Fault::ServerStopped, false, true},
                                           FaultCase{Fault::ServerStopped, true, true},
                                           FaultCase{Fault::SessionTerminated, false, true},
                                           FaultCase{Fault::SessionTerminated, true, true}),
                         CaseName);

} // namespace
