// SQL this project did not write, run through "Execute SQL" on the PostgreSQL test server and,
// beside it, through psql: the PostgreSQL tutorial files and pgbench's scripts. What the program
// shows and what the database holds afterwards must be what psql shows and leaves.

#include "QueryWindowFixture.h"

#include "connection/SqlLexer.h"
#include "query/Generic.h"
#include "support/PgServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

using Outcome = SqlExecution::Outcome;

const QString kTutorialDir = QStringLiteral("/usr/share/doc/postgresql-doc-15/tutorial");

/// The statements of a psql script: split at top-level ";", psql's own commands left out.
QStringList ScriptStatements(const QString& script)
{
    QStringList lines;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QLatin1Char('\\')))
            lines << line;
    }
    const QString text = lines.join(QLatin1Char('\n'));
    QStringList statements;
    qsizetype from = 0;
    const auto take = [&](qsizetype to) {
        const QString statement = text.mid(from, to - from).trimmed();
        if (!IsEmptySql(statement))
            statements << statement;
    };
    ForEachSqlToken(text, [&](const SqlToken& token) {
        if (token.kind == SqlTokenKind::Symbol && text.mid(token.begin, token.length) == u";") {
            take(token.begin);
            from = token.begin + 1;
        }
    });
    take(text.size());
    return statements;
}

QString ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

/// Whether the statement starts with the word after its comments.
bool StartsWith(const QString& statement, const QString& word)
{
    static const QRegularExpression leadingComments(QStringLiteral("^(\\s*--[^\\n]*\\n)*\\s*"));
    QString rest = statement;
    rest.remove(leadingComments);
    return rest.startsWith(word, Qt::CaseInsensitive);
}

/// Whether the tutorial statement shows rows: they all start with SELECT.
bool ShowsRows(const QString& statement)
{
    return StartsWith(statement, QStringLiteral("SELECT"));
}

class RealSqlTest : public QueryWindowTest
{
protected:
    void SetUp() override
    {
        PgServer& pg = PgServer::instance();
        if (!pg.running())
            GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
        pg.psql(QStringLiteral("DROP SCHEMA IF EXISTS ref CASCADE; DROP SCHEMA IF EXISTS ours CASCADE;"
                               "CREATE SCHEMA ref; CREATE SCHEMA ours;"));
        pg.writeAlias(QStringLiteral("PG"));
        open(QStringLiteral("PG"),
             {QStringLiteral("USER NAME=") + pg.user(), QStringLiteral("PASSWORD=") + pg.password()});
        desktop.expectBox(BoxKind::Information, BoxAnswer::Ok);
        ASSERT_EQ(execute(QStringLiteral("set search_path to ours")), Outcome::CommandDone);
    }

    /// The rows as psql prints them unaligned: cells joined by "|", NULL as nothing.
    QStringList shownRows(TFRM_Query&)
    {
        QStringList rows;
        for (int r = 0; r < query().recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < query().fieldCount(); ++c)
                cells << query().valueText(r, c);
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    /// Runs the statement in schema ref through psql and in schema ours through the program.
    void runBoth(const QString& statement)
    {
        SCOPED_TRACE(statement.toStdString());
        PgServer& pg = PgServer::instance();
        const QString expected = pg.psql(QStringLiteral("SET search_path TO ref;\n") + statement);
        if (ShowsRows(statement)) {
            QStringList rows;
            EXPECT_EQ(execute(statement, [&](TFRM_Query& w) { rows = shownRows(w); }), Outcome::ResultShown);
            EXPECT_EQ(rows.join(QLatin1Char('\n')), expected);
        } else {
            desktop.expectBox(BoxKind::Information, BoxAnswer::Ok);
            EXPECT_EQ(execute(statement), Outcome::CommandDone);
            ASSERT_FALSE(desktop.boxes.empty());
            EXPECT_TRUE(desktop.boxes.back().text.startsWith(QStringLiteral("SQL executed successfully")))
                << desktop.boxes.back().text.toStdString();
        }
    }

    /// Every table of a schema, each row as psql prints it, in a fixed order.
    static QString contents(const QString& schema)
    {
        PgServer& pg = PgServer::instance();
        QString all;
        const QStringList tables =
            pg.psql(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = '%1' ORDER BY 1")
                        .arg(schema))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& table : tables) {
            all += table + QLatin1Char('\n');
            all += pg.psql(QStringLiteral("SELECT t::text FROM %1.%2 t ORDER BY 1").arg(schema, table));
            all += QLatin1Char('\n');
        }
        return all;
    }
};

TEST_F(RealSqlTest, TutorialFilesShowAndLeaveWhatPsqlDoes)
{
    int statements = 0;
    int compared = 0;
    for (const QString& name : {QStringLiteral("basics.source"), QStringLiteral("advanced.source")}) {
        const QString script = ReadFile(kTutorialDir + QLatin1Char('/') + name);
        ASSERT_FALSE(script.isEmpty()) << "postgresql-doc-15 is not installed: " << name.toStdString();
        for (const QString& statement : ScriptStatements(script)) {
            // Each file ends by dropping its tables: what they hold is compared just before.
            if (StartsWith(statement, QStringLiteral("DROP")) && compared++ < 2) {
                const QString ours = contents(QStringLiteral("ours"));
                EXPECT_TRUE(ours.contains(QStringLiteral("San Francisco"))) << ours.toStdString();
                EXPECT_EQ(ours, contents(QStringLiteral("ref")));
            }
            runBoth(statement);
            ++statements;
        }
    }
    EXPECT_GT(statements, 40);
    EXPECT_EQ(compared, 3);
}

TEST_F(RealSqlTest, FunctionBodiesWithCommentsAndQuotesReachTheServerWhole)
{
    // From the tutorial's function examples: bodies in quotes, with "--" and "=" inside them,
    // typed over several lines as a user would.
    const QString create =
        QStringLiteral("CREATE TABLE EMP (name text, salary integer, age integer, cubicle point);\n"
                       "INSERT INTO EMP VALUES ('Sam', 1200, 16, '(1,1)'), ('Claire', 5000, 32, '(1,2)');\n");
    for (const QString& statement : ScriptStatements(create))
        runBoth(statement);
    runBoth(QStringLiteral("CREATE FUNCTION double_salary(EMP) RETURNS integer\n"
                           "   AS 'SELECT $1.salary * 2 AS salary; -- twice = more' LANGUAGE SQL"));
    runBoth(QStringLiteral("CREATE FUNCTION greet(who text) RETURNS text AS $$\n"
                           "  -- a comment inside the body\n"
                           "  SELECT 'Hello,  ' || who || '!  a=b'\n"
                           "$$ LANGUAGE sql"));
    runBoth(QStringLiteral("SELECT name, double_salary(EMP) AS dream\n"
                           "    FROM EMP\n"
                           "    WHERE EMP.cubicle ~= point '(1,1)'"));
    runBoth(QStringLiteral("SELECT greet('São Paulo  centro')"));
    EXPECT_EQ(contents(QStringLiteral("ours")), contents(QStringLiteral("ref")));
}

TEST_F(RealSqlTest, PgbenchScriptsTakeTheirRoadsWithTheirParameters)
{
    PgServer& pg = PgServer::instance();
    QProcess pgbench;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), pg.password());
    env.insert(QStringLiteral("PGOPTIONS"), QStringLiteral("-c search_path=ours"));
    pgbench.setProcessEnvironment(env);
    const QString program = QStringLiteral("/usr/lib/postgresql/15/bin/pgbench");
    pgbench.start(program, {QStringLiteral("--show-script=tpcb-like")});
    ASSERT_TRUE(pgbench.waitForFinished(30000));
    const QString script =
        QString::fromUtf8(pgbench.readAllStandardError() + pgbench.readAllStandardOutput());
    const QStringList statements = ScriptStatements(script.mid(script.indexOf(QLatin1Char('\n')) + 1));
    ASSERT_EQ(statements.size(), 7) << script.toStdString();

    pgbench.start(program, {QStringLiteral("-i"), QStringLiteral("-q"), QStringLiteral("-s"),
                            QStringLiteral("1"), QStringLiteral("-h"), pg.socketDir(), QStringLiteral("-p"),
                            QString::number(pg.port()), QStringLiteral("-U"), pg.user(), pg.database()});
    ASSERT_TRUE(pgbench.waitForFinished(120000));
    ASSERT_EQ(pgbench.exitCode(), 0) << pgbench.readAllStandardError().toStdString();

    // The SELECT asks for its one parameter and finds the row.
    desktop.expectInput(QStringLiteral("4711"), QStringLiteral("Enter value for parameter: AID"));
    QStringList rows;
    EXPECT_EQ(execute(statements[2], [&](TFRM_Query& w) { rows = shownRows(w); }), Outcome::ResultShown);
    EXPECT_EQ(rows, QStringList{QStringLiteral("0")});
    // The UPDATEs and the INSERT take the command road, where nothing is asked for: each is
    // refused before it runs, and nothing changes.
    for (const int k : {1, 3, 4, 5}) {
        desktop.expectBox(BoxKind::Plain, QStringLiteral("Error executing SQL"), BoxAnswer::Ok);
        EXPECT_EQ(execute(statements[k]), Outcome::Failed) << statements[k].toStdString();
    }
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM ours.pgbench_history")), QStringLiteral("0"));
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT sum(abalance) FROM ours.pgbench_accounts")),
              QStringLiteral("0"));
    // BEGIN and END run as they are.
    for (const int k : {0, 6}) {
        desktop.expectBox(BoxKind::Information, QStringLiteral("SQL executed successfully"), BoxAnswer::Ok);
        EXPECT_EQ(execute(statements[k]), Outcome::CommandDone);
    }
}

} // namespace
