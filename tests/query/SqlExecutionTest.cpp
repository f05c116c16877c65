// "Execute SQL" end to end through the real result window, on Sample and on PostgreSQL.

#include "QueryWindowFixture.h"

#include "query/DataSourceLink.h"
#include "query/ReSort.h"
#include "query/ResultGridModel.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/PgServer.h"
#include "support/SqliteFile.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

using Outcome = SqlExecution::Outcome;

/// The same statements on each engine: Sample (SQLite in-process) and a PostgreSQL server.
enum class Engine
{
    Sample,
    Postgres,
};

std::string EngineName(const ::testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::Sample ? "Sample" : "Postgres";
}

class ExecutionRoads : public QueryWindowTest, public ::testing::WithParamInterface<Engine>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Engine::Sample) {
            open();
            return;
        }
        PgServer& pg = PgServer::instance();
        if (!pg.running())
            GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
        pg.psql(QStringLiteral(
            "DROP TABLE IF EXISTS emp, dept, scratch;"
            "CREATE TABLE dept (deptno int PRIMARY KEY, dname varchar(20) NOT NULL);"
            "CREATE TABLE emp (empno int PRIMARY KEY, ename varchar(30), job varchar(20),"
            " sal numeric(8,2), deptno int REFERENCES dept);"
            "INSERT INTO dept VALUES (10, 'ACCOUNTING'), (20, 'RESEARCH');"
            "INSERT INTO emp VALUES (1, 'Ann', 'CLERK', 1000, 10), (2, 'Bob', 'CLERK', 1500, 20),"
            " (3, 'Cy', 'ANALYST', 3000, 20);"));
        pg.writeAlias(QStringLiteral("PG"));
        open(QStringLiteral("PG"),
             {QStringLiteral("USER NAME=") + pg.user(), QStringLiteral("PASSWORD=") + pg.password()});
    }

    int clerks() const { return GetParam() == Engine::Sample ? 8 : 2; }
    int empCount() const { return GetParam() == Engine::Sample ? 40 : 3; }
};

TEST_P(ExecutionRoads, JoinShowsTheRowsWithCountAndTime)
{
    QString total;
    QString elapsed;
    QStringList titles;
    int rows = 0;
    int busyWhileShown = -1;
    int suspendedWhileShown = -1;
    const Outcome outcome = execute(QStringLiteral("select e.empno, e.ename, d.dname\nfrom emp e, dept d\n"
                                                   "where e.deptno=d.deptno"),
                                    [&](TFRM_Query& w) {
                                        busyWhileShown = desktop.busyDepth;
                                        suspendedWhileShown = desktop.suspendDepth;
                                        total = w.EDT_TotalRecords->text();
                                        elapsed = w.EDT_TimeElapsed->text();
                                        rows = w.gridModel().rowCount();
                                        for (int c = 0; c < w.gridModel().columnCount(); ++c)
                                            titles << w.gridModel().headerData(c, Qt::Horizontal).toString();
                                    });
    EXPECT_EQ(outcome, Outcome::ResultShown);
    EXPECT_TRUE(shown);
    EXPECT_EQ(total, QString::number(empCount()));
    EXPECT_EQ(rows, empCount());
    EXPECT_EQ(titles.size(), 3);
    EXPECT_EQ(titles.join(QLatin1Char(',')).toUpper(), QStringLiteral("EMPNO,ENAME,DNAME"));
    EXPECT_FALSE(elapsed.contains(QStringLiteral("yrs")));
    EXPECT_EQ(
        execution->statement(),
        QStringLiteral("SELECT E.EMPNO, E.ENAME, D.DNAME FROM EMP E, DEPT D WHERE E.DEPTNO = D.DEPTNO "));
    // Afterwards: dataset closed, both fields empty, the date format set.
    EXPECT_FALSE(query().isActive());
    EXPECT_TRUE(window->EDT_TotalRecords->text().isEmpty());
    EXPECT_TRUE(window->EDT_TimeElapsed->text().isEmpty());
    EXPECT_EQ(ctx.shortDateFormat, QStringLiteral("MM/dd/yyyy"));
    EXPECT_EQ(desktop.busyDepth, 0);
    EXPECT_GT(desktop.busyBegins, 0);
    // The busy cursor stays counted while the window is up, but the normal one shows.
    EXPECT_EQ(busyWhileShown, 1);
    EXPECT_EQ(suspendedWhileShown, 1);
}

TEST_P(ExecutionRoads, BlockCommentsReachTheEngineAsItReadsThem)
{
    // The server nests block comments; SQLite ends one at its first "*/". Either way the comment
    // goes to the engine as typed, and the marker inside it asks for nothing.
    const QString comment = GetParam() == Engine::Postgres ? QStringLiteral("/* a /* b */ c :p */")
                                                           : QStringLiteral("/* a /* b :p */");
    QString total;
    const Outcome outcome = execute(comment + QStringLiteral(" select 1 as one"),
                                    [&](TFRM_Query& w) { total = w.EDT_TotalRecords->text(); });
    EXPECT_EQ(outcome, Outcome::ResultShown);
    EXPECT_EQ(total, QStringLiteral("1"));
    EXPECT_EQ(execution->statement(), comment + QStringLiteral(" SELECT 1 AS ONE "));
    EXPECT_TRUE(desktop.inputs.empty());
}

TEST_P(ExecutionRoads, ReSortOfALimitedStatementKeepsItsRows)
{
    QStringList before;
    QStringList after;
    execute(QStringLiteral("select empno, ename from emp order by empno limit 2"), [&](TFRM_Query& w) {
        Query& rows = w.QRY_Grid();
        for (int r = 0; r < rows.recordCount(); ++r)
            before << rows.valueText(r, 0);
        const SortRequest request{SortKey{rows.field(0).name, true}, std::nullopt, std::nullopt};
        ReSort(rows, w.columnCount(), request);
        for (int r = 0; r < rows.recordCount(); ++r)
            after << rows.valueText(r, 0);
    });
    ASSERT_EQ(before.size(), 2);
    EXPECT_EQ(after, QStringList({before[1], before[0]}));
}

TEST_P(ExecutionRoads, FailingParameterisedStatementAsksOnceForThreeAttempts)
{
    desktop.expectInput(QStringLiteral("x"));
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("select * form emp where job = :job")), Outcome::Failed);
    EXPECT_EQ(desktop.inputs.size(), 1u);
    EXPECT_EQ(desktop.boxes.size(), 1u);
}

TEST_P(ExecutionRoads, EveryParameterIsKeptBeyondFortyNine)
{
    QStringList markers;
    for (int i = 1; i <= 60; ++i) {
        markers << QStringLiteral(":p%1").arg(i);
        // Only the last value names a job that exists.
        desktop.expectInput(i == 60 ? QStringLiteral("analyst") : QStringLiteral("none%1").arg(i),
                            QStringLiteral("Enter value for parameter: P%1").arg(i));
    }
    QString total;
    execute(QStringLiteral("select * from emp where job in (%1)").arg(markers.join(QStringLiteral(", "))),
            [&](TFRM_Query& w) { total = w.EDT_TotalRecords->text(); });
    ASSERT_EQ(execution->paramList().size(), 60);
    EXPECT_EQ(execution->paramList().last(), QStringLiteral("ANALYST"));
    EXPECT_EQ(total, GetParam() == Engine::Sample ? QStringLiteral("8") : QStringLiteral("1"));
}

TEST_P(ExecutionRoads, ParameterIsAskedOnceAndSentUpperCased)
{
    desktop.expectInput(QStringLiteral("clerk"), QStringLiteral("Enter value for parameter: JOB"));
    QString total;
    const Outcome outcome = execute(QStringLiteral("select * from emp where job = :job"),
                                    [&](TFRM_Query& w) { total = w.EDT_TotalRecords->text(); });
    EXPECT_EQ(outcome, Outcome::ResultShown);
    EXPECT_EQ(total, QString::number(clerks()));
    EXPECT_EQ(execution->paramList(), QStringList{QStringLiteral("CLERK")});
    ASSERT_EQ(desktop.inputs.size(), 1u);
    EXPECT_EQ(desktop.inputs[0].caption, QStringLiteral("Parameter Entry Form"));
    EXPECT_EQ(desktop.inputs[0].maxLength, 255);
    EXPECT_TRUE(desktop.inputs[0].initial.isEmpty());
}

TEST_P(ExecutionRoads, CancelledParameterIsEmptyAndExecutionGoesOn)
{
    desktop.expectInput(std::nullopt);
    QString total;
    const Outcome outcome = execute(QStringLiteral("select * from emp where job = :job"),
                                    [&](TFRM_Query& w) { total = w.EDT_TotalRecords->text(); });
    EXPECT_EQ(outcome, Outcome::ResultShown);
    EXPECT_EQ(total, QStringLiteral("0"));
    EXPECT_EQ(execution->paramList(), QStringList{QString()});
}

TEST_P(ExecutionRoads, UpdateReportsTheAffectedRows)
{
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r%1 rows were affected.").arg(clerks()),
                      BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("update emp set sal=sal+1 where job='CLERK'")), Outcome::CommandDone);
    EXPECT_FALSE(shown);
    EXPECT_FALSE(query().isActive());
    EXPECT_EQ(window->DSC_Grid->dataSet(), nullptr);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].busyDepth, 0) << "the box comes up with the normal cursor";
}

TEST_P(ExecutionRoads, DdlStatementRunsOnTheCommandRoad)
{
    desktop.expectBox(BoxKind::Information, BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("create table scratch (a int)")), Outcome::CommandDone);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_TRUE(desktop.boxes[0].text.startsWith(QStringLiteral("SQL executed successfully")));
    // The table exists now: a select on it shows an empty result.
    QString total;
    EXPECT_EQ(execute(QStringLiteral("select * from scratch"),
                      [&](TFRM_Query& w) { total = w.EDT_TotalRecords->text(); }),
              Outcome::ResultShown);
    EXPECT_EQ(total, QStringLiteral("0"));
}

TEST_P(ExecutionRoads, SyntaxErrorShowsTheEngineMessageAfterThreeAttempts)
{
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("select * form emp")), Outcome::Failed);
    EXPECT_FALSE(shown);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_FALSE(desktop.boxes[0].text.isEmpty());
    EXPECT_NE(desktop.boxes[0].text, QStringLiteral("Error executing SQL"));
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(desktop.boxes[0].busyDepth, 0);
    EXPECT_TRUE(window->EDT_TotalRecords->text().isEmpty());
    EXPECT_EQ(desktop.busyDepth, 0);
}

TEST_P(ExecutionRoads, EmptyEditorOrOnlyCommentsIsRefusedWithAMessage)
{
    // SQLite would run an empty text as nothing at all and report success.
    const QString refusal = QStringLiteral("The statement is empty: there is no SQL to execute.");
    desktop.expectBox(BoxKind::Error, refusal, BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("   \n\t\n")), Outcome::Failed);
    EXPECT_TRUE(execution->statement().isEmpty());
    desktop.expectBox(BoxKind::Error, refusal, BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("-- delete from emp\n/* nothing */")), Outcome::Failed);
    EXPECT_FALSE(shown);
    EXPECT_EQ(desktop.boxes.size(), 2u);
}

TEST_P(ExecutionRoads, CommandWithUnsetParameterIsRefusedBeforeItRuns)
{
    desktop.expectBox(BoxKind::Plain, QStringLiteral("Error executing SQL"), BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("delete from emp where empno = :id")), Outcome::Failed);
    EXPECT_TRUE(desktop.inputs.empty());
    // Nothing was deleted.
    QString total;
    execute(QStringLiteral("select * from emp"), [&](TFRM_Query& w) { total = w.EDT_TotalRecords->text(); });
    EXPECT_EQ(total, QString::number(empCount()));
}

TEST_P(ExecutionRoads, LiveResultWhenGrantedReadOnlyOtherwise)
{
    bool liveSingleTable = false;
    bool liveJoin = true;
    execute(QStringLiteral("select * from dept"),
            [&](TFRM_Query&) { liveSingleTable = query().canModify(); });
    execute(QStringLiteral("select e.ename, d.dname from emp e, dept d where e.deptno = d.deptno"),
            [&](TFRM_Query&) { liveJoin = query().canModify(); });
    EXPECT_TRUE(liveSingleTable);
    EXPECT_FALSE(liveJoin);
}

TEST_P(ExecutionRoads, LiteralsAndCommentsReachTheEngineAsTyped)
{
    const auto scalar = [this](const QString& sql) {
        QString value;
        execute(sql, [&](TFRM_Query&) { value = query().valueText(0, 0); });
        return value;
    };
    const QString before = scalar(QStringLiteral("select count(*) from dept"));
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r1 rows were affected."), BoxAnswer::Ok);
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r1 rows were affected."), BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("-- a new department\ninsert into dept (deptno, dname)\n"
                                     "values (91, 'São Paulo centro') -- it's 91")),
              Outcome::CommandDone);
    EXPECT_EQ(execute(QStringLiteral("insert into dept (deptno, dname) values (92, 'k=v  a b')")),
              Outcome::CommandDone);
    EXPECT_EQ(scalar(QStringLiteral("select dname from dept where deptno = 91")),
              QStringLiteral("São Paulo centro"));
    EXPECT_EQ(scalar(QStringLiteral("select dname from dept where deptno=92")), QStringLiteral("k=v  a b"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from dept where dname = 'k=v  a b'")),
              QStringLiteral("1"));

    // The comment ends at its line: only the one row goes.
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r1 rows were affected."), BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("delete from dept -- only the new one\nwhere deptno = 92")),
              Outcome::CommandDone);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from dept")), QString::number(before.toInt() + 1));
}

TEST_P(ExecutionRoads, EveryRowReturningShapeShowsItsRows)
{
    const auto rowsOf = [this](const QString& sql) {
        int rows = -1;
        EXPECT_EQ(execute(sql, [&](TFRM_Query& w) { rows = w.EDT_TotalRecords->text().toInt(); }),
                  Outcome::ResultShown)
            << sql.toStdString();
        return rows;
    };
    const int depts = rowsOf(QStringLiteral("select * from dept"));
    EXPECT_EQ(rowsOf(QStringLiteral("with x as (select deptno from dept) select * from x")), depts);
    EXPECT_EQ(rowsOf(QStringLiteral("/* note */ select * from dept")), depts);
    EXPECT_EQ(rowsOf(QStringLiteral("-- note\nselect deptno from dept")), depts);
    EXPECT_EQ(rowsOf(QStringLiteral("values (1), (2)")), 2);
    EXPECT_GT(rowsOf(QStringLiteral("explain select * from dept")), 0);
    QString returned;
    EXPECT_EQ(execute(QStringLiteral("insert into dept (deptno, dname) values (93, 'X') returning deptno"),
                      [&](TFRM_Query&) { returned = query().valueText(0, 0); }),
              Outcome::ResultShown);
    EXPECT_EQ(returned, QStringLiteral("93"));
    EXPECT_EQ(rowsOf(QStringLiteral("select * from dept")), depts + 1) << "the insert ran once";
}

INSTANTIATE_TEST_SUITE_P(Query, ExecutionRoads, ::testing::Values(Engine::Sample, Engine::Postgres),
                         EngineName);

class ExecutionTest : public QueryWindowTest
{
protected:
    void SetUp() override { open(); }
};

TEST_F(ExecutionTest, SelectWithoutABlankTakesTheRowRoad)
{
    // "SELECT*FROM*EMP" starts with the word SELECT; SQLite refuses it after the three attempts.
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("SELECT*FROM*EMP")), Outcome::Failed);
    EXPECT_FALSE(shown);
}

TEST_F(ExecutionTest, SqliteDecidesTheRoadAndCountsOnlyTheStatementsOwnRows)
{
    QStringList columns;
    EXPECT_EQ(execute(QStringLiteral("PRAGMA table_info(emp)"),
                      [&](TFRM_Query&) { columns << query().valueText(0, 1); }),
              Outcome::ResultShown);
    EXPECT_EQ(columns, QStringList{QStringLiteral("EMPNO")});
    desktop.expectBox(BoxKind::Information, BoxAnswer::Ok);
    desktop.expectBox(BoxKind::Information, BoxAnswer::Ok);
    execute(QStringLiteral("create table audit (n integer)"));
    execute(QStringLiteral("create trigger dept_audit after insert on dept begin "
                           "insert into audit values (1); insert into audit values (2); end"));
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r1 rows were affected."), BoxAnswer::Ok);
    EXPECT_EQ(execute(QStringLiteral("insert into dept (deptno, dname) values (94, 'T')")),
              Outcome::CommandDone);
    // A statement the text alone would send down the command road still shows its rows.
    int rows = 0;
    EXPECT_EQ(execute(QStringLiteral("select 1 union all select 2"),
                      [&](TFRM_Query& w) { rows = w.gridModel().rowCount(); }),
              Outcome::ResultShown);
    EXPECT_EQ(rows, 2);
}

TEST_F(ExecutionTest, LinesAreJoinedWholeWithLineBreaks)
{
    const QString longName = QStringLiteral("x").repeated(5000);
    EXPECT_EQ(SqlExecution::JoinLines({QStringLiteral("  select"), QStringLiteral("*"),
                                       longName + QStringLiteral("\t"), QString()}),
              QStringLiteral("select\n*\n") + longName);
    EXPECT_EQ(SqlExecution::JoinLines({}), QString());
}

TEST_F(ExecutionTest, FirstUseOpensAtTheMainWindowCornerAndStoresIt)
{
    QPoint at;
    QSize size;
    execute(QStringLiteral("select * from dept"), [&](TFRM_Query& w) {
        at = w.pos();
        size = w.frameGeometry().size();
    });
    EXPECT_EQ(at, kMainTopLeft);
    EXPECT_EQ(size, QSize(640, 480));
    SettingsStore store;
    EXPECT_EQ(store.ReadNumber(Schema::Section::Grid, Schema::Placement::Left, 0), kMainTopLeft.x());
    EXPECT_EQ(store.ReadNumber(Schema::Section::Grid, Schema::Placement::Top, 0), kMainTopLeft.y());
    EXPECT_EQ(store.ReadNumber(Schema::Section::Grid, Schema::Placement::Width, 0), 640);
    EXPECT_FALSE(store.ReadFlag(Schema::Section::Grid, Schema::Placement::Maximized, true));
}

TEST_F(ExecutionTest, PlacementAfterAMoveIsUsedNextTime)
{
    // Wholly on the test screen (800 x 600): a window that is not comes back moved onto it.
    execute(QStringLiteral("select * from dept"), [&](TFRM_Query& w) {
        w.move(50, 150);
        w.resize(720, 400);
    });
    QPoint at;
    QSize size;
    execute(QStringLiteral("select * from emp"), [&](TFRM_Query& w) {
        at = w.pos();
        size = w.size(); // the inside set by resize() comes back, in a frame of the stored size
    });
    EXPECT_EQ(at, QPoint(50, 150));
    EXPECT_EQ(size, QSize(720, 400));
}

TEST_F(ExecutionTest, MaximisedWindowIsStoredAndShownMaximised)
{
    execute(QStringLiteral("select * from dept"), [&](TFRM_Query& w) {
        w.showMaximized();
        QTest::qWait(20);
    });
    SettingsStore store;
    EXPECT_TRUE(store.ReadFlag(Schema::Section::Grid, Schema::Placement::Maximized, false));
    bool maximised = false;
    execute(QStringLiteral("select * from dept"), [&](TFRM_Query& w) { maximised = w.isMaximized(); });
    EXPECT_TRUE(maximised);
}

TEST_F(ExecutionTest, ResultThatCannotBeLiveOpensReadOnlyWithOnePrompt)
{
    // A view has no key of a base table: the live request gives a read-only result.
    SqliteFile file(home.dataFolder() + QStringLiteral("/v.sqlite"),
                    QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT);"
                                   "INSERT INTO t VALUES (1, 'A'), (2, 'B');"
                                   "CREATE VIEW v AS SELECT name FROM t;"));
    file.writeAlias(QStringLiteral("Views"));
    window.reset();
    connection.disconnect();
    open(QStringLiteral("Views"));
    desktop.expectInput(QStringLiteral("a"));
    bool live = true;
    QString total;
    execute(QStringLiteral("select * from v where name = :n"), [&](TFRM_Query& w) {
        live = query().canModify();
        total = w.EDT_TotalRecords->text();
    });
    EXPECT_FALSE(live);
    EXPECT_EQ(total, QStringLiteral("1"));
    EXPECT_EQ(desktop.inputs.size(), 1u);
}

} // namespace
