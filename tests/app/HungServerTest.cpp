// A server that stops answering, a COPY the program cannot serve, and the signals that end the
// program while a statement runs: the user always gets control back, with the windows and the
// editor's text kept.

#include "ProgramFixture.h"
#include "app/RecoveryFile.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "query/query.h"
#include "support/ModalAnswer.h"
#include "support/PgServer.h"
#include "support/ProgressCanceller.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>

namespace {

QString Message(const EngineError& error)
{
    return error.entries().value(0).message;
}

QWidget* ProgressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == u"FRM_Progress" && w->isVisible())
            return w;
    }
    return nullptr;
}

/// Whether the server has no session with this process id, waiting up to limitMs for it to go.
bool SessionGone(const PgServer& pg, qint64 pid, int limitMs = 10'000)
{
    const QString sql = QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1").arg(pid);
    QElapsedTimer waited;
    waited.start();
    while (pg.psql(sql, true) != u"0") {
        if (waited.elapsed() > limitMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

/// The program on the test server, through the alias (libpq) or the DSN (psqlODBC) named by the
/// parameter.
class HungServerTest : public ProgramTest, public ::testing::WithParamInterface<const char*>
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (!pg.running())
            GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
        pg.writeAlias(QStringLiteral("PG"));
        pg.writeOdbcDsn(QStringLiteral("PGDSN"));
        start();
        TFRM_Login& login = startup->login();
        login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QString::fromUtf8(GetParam())));
        login.EDT_UserName->setText(pg.user());
        login.EDT_Password->setText(pg.password());
        QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
        ASSERT_TRUE(main().isVisible()) << "no login to " << GetParam();
    }

    void execute(const QString& sql)
    {
        main().REDT_QueryTool->setPlainText(sql);
        main().BBN_ExecuteSQL->click();
    }

    /// The server's process for the program's session, asked through the result window.
    qint64 backendPid()
    {
        qint64 pid = -1;
        // A slow connect shows the progress window first: only the result window is answered.
        std::function<void(QWidget*)> answer = [&](QWidget* modal) {
            if (modal != ctx.query) {
                WhenModal(answer, modal);
                return;
            }
            pid = ctx.query->QRY_Grid().valueText(0, 0).toLongLong();
            ctx.query->BBN_Close->click();
        };
        WhenModal(answer);
        execute(QStringLiteral("select pg_backend_pid()"));
        return pid;
    }

    /// After the program gave the stopped server up: its box was shown, the windows and the text
    /// stay, the stopped session is gone, and the next statement connects again with the same login.
    void ExpectControlBack(const QString& statement, qint64 pid)
    {
        desktop.verify();
        EXPECT_EQ(ProgressWindow(), nullptr);
        EXPECT_TRUE(main().isVisible());
        EXPECT_EQ(main().editorText(), statement);
        EXPECT_TRUE(SessionGone(pg, pid)) << "the stopped session was not closed";
        const qint64 next = backendPid();
        EXPECT_GT(next, 0);
        EXPECT_NE(next, pid);
        EXPECT_EQ(ctx.facts.CurrentDataSource, QString::fromUtf8(GetParam()));
    }

    PgServer& pg = PgServer::instance();
};

TEST_P(HungServerTest, CancelGivesControlBackWhenTheBackendStopsMidFetch)
{
    const qint64 pid = backendPid();
    ASSERT_GT(pid, 0);
    const QString statement =
        QStringLiteral("select n, repeat('x', 40) as pad\nfrom generate_series(1, 200000000) n");
    // Which box: see below.
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);

    // Once rows arrive the backend stops, as a server that hangs would, and Cancel is pressed.
    QElapsedTimer clock;
    clock.start();
    qint64 cancelledAt = -1;
    QString cancelText;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* w = ProgressWindow();
        if (!w || cancelledAt >= 0 || w->findChild<QLabel*>(QStringLiteral("LBL_Rows"))->text().isEmpty())
            return;
        ::kill(pid_t(pid), SIGSTOP);
        auto* cancel = w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"));
        cancel->click();
        cancelText = cancel->text();
        cancelledAt = clock.elapsed();
    });
    poll.start(20);
    // Should Cancel not give control back, the backend goes on after a while and the test fails
    // rather than hangs.
    QTimer release;
    release.setSingleShot(true);
    QObject::connect(&release, &QTimer::timeout, [pid] { ::kill(pid_t(pid), SIGCONT); });
    release.start(20'000);
    main().REDT_QueryTool->setPlainText(statement);
    main().BBN_ExecuteSQL->click();
    const qint64 returnedAt = clock.elapsed();
    poll.stop();
    ::kill(pid_t(pid), SIGCONT);

    ASSERT_GE(cancelledAt, 0) << "no rows shown in the progress window";
    EXPECT_EQ(cancelText, QStringLiteral("Cancelling..."));
    // A guard against a hang only: the bound itself is measured by the benchmark.
    EXPECT_LT(returnedAt - cancelledAt, 10'000);
    ASSERT_FALSE(desktop.boxes.empty());
    if (desktop.boxes.back().text == Message(EngineFailure::ServerDidNotAnswer())) {
        ExpectControlBack(statement, pid);
        return;
    }
    // psqlODBC may still hold fetched rows when the backend stops; its cancel then ends the
    // statement without the server, the user is told so, and the session stays for the next one.
    EXPECT_EQ(GetParam(), std::string("PGDSN")) << qPrintable(desktop.boxes.back().text);
    desktop.verify();
    EXPECT_EQ(ProgressWindow(), nullptr);
    EXPECT_EQ(main().editorText(), statement);
    EXPECT_GT(backendPid(), 0);
}

TEST_P(HungServerTest, CancelGivesControlBackWhenTheIdleBackendStopped)
{
    const qint64 pid = backendPid();
    ASSERT_GT(pid, 0);
    // The server stops while the session waits for the next statement.
    ::kill(pid_t(pid), SIGSTOP);
    // Should the program wait on the server outside its progress window, no event loop turns: a
    // thread of the test's own lets the backend go on, and the test fails rather than hangs.
    std::mutex lock;
    std::condition_variable ended;
    bool returned = false;
    std::thread release([&] {
        std::unique_lock held(lock);
        if (!ended.wait_for(held, std::chrono::seconds(20), [&] { return returned; }))
            ::kill(pid_t(pid), SIGCONT);
    });
    bool resultShown = false;
    QTimer closeResult;
    QObject::connect(&closeResult, &QTimer::timeout, [&] {
        if (ctx.query && ctx.query->isVisible()) {
            resultShown = true;
            ctx.query->BBN_Close->click();
        }
    });
    closeResult.start(50);

    const QString statement = QStringLiteral("select 42 as answer");
    desktop.expectBox(BoxKind::Error, Message(EngineFailure::ServerDidNotAnswer()), BoxAnswer::Ok);
    QElapsedTimer clock;
    {
        const ProgressCanceller cancel;
        clock.start();
        execute(statement);
        EXPECT_TRUE(cancel.cancelled()) << "no progress window";
    }
    const qint64 took = clock.elapsed();
    {
        const std::lock_guard held(lock);
        returned = true;
    }
    ended.notify_one();
    release.join();
    closeResult.stop();
    ::kill(pid_t(pid), SIGCONT);

    // A guard against a hang only: the bound itself is measured by the benchmark.
    EXPECT_LT(took, 10'000);
    EXPECT_FALSE(resultShown) << "the statement ran after the cancel";
    ExpectControlBack(statement, pid);
}

TEST_P(HungServerTest, CopyThroughTheProgramIsRefusedAndTheSessionStays)
{
    pg.psql(QStringLiteral("CREATE TABLE genre (id int PRIMARY KEY, name text); "
                           "INSERT INTO genre VALUES (1, 'Jazz'), (2, 'Folk')"));
    const qint64 pid = backendPid();
    ASSERT_GT(pid, 0);
    for (const QString& statement :
         {QStringLiteral("COPY genre TO STDOUT"), QStringLiteral("copy genre (id, name) from stdin"),
          QStringLiteral("-- all of it\ncopy (select * from genre) to stdout with (format csv)")}) {
        // Should a statement reach a server that then waits, the window's Cancel ends the test.
        const ProgressCanceller guard;
        desktop.expectBox(BoxKind::Error, Message(EngineFailure::CopyRefused()), BoxAnswer::Ok);
        execute(statement);
        desktop.verify();
        EXPECT_FALSE(guard.cancelled()) << statement.toStdString();
        EXPECT_EQ(main().editorText(), statement);
    }
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM genre")), QStringLiteral("2"));
    EXPECT_EQ(backendPid(), pid) << "the session was closed";
}

INSTANTIATE_TEST_SUITE_P(Paths, HungServerTest, ::testing::Values("PG", "PGDSN"));

#ifdef VEMRA_STATEMENT_RUNNER
struct SignalCase
{
    int signal;
    bool stopBackend; ///< the server stops answering too
};

class SignalEndTest : public IsolatedTest, public ::testing::WithParamInterface<SignalCase>
{
};

TEST_P(SignalEndTest, ASignalDuringAStatementEndsTheProgramWithTheTextKept)
{
    PgServer& pg = PgServer::instance();
    if (!pg.running())
        GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
    pg.writeAlias(QStringLiteral("PG"));
    const QString statement = QStringLiteral("select pg_sleep(60)");
    QProcess program;
    program.setProgram(QStringLiteral(VEMRA_STATEMENT_RUNNER));
    program.setArguments({QStringLiteral("PG"), pg.user(), pg.password(), statement});
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start();
    ASSERT_TRUE(program.waitForStarted());
    QByteArray said;
    while (!said.contains('\n') && program.waitForReadyRead(60'000))
        said += program.readAllStandardOutput();
    ASSERT_EQ(said, QByteArray("running\n"));

    const QString running = QStringLiteral("SELECT pid FROM pg_stat_activity WHERE state = 'active' AND "
                                           "query ILIKE '%pg_sleep(60)%' AND pid <> pg_backend_pid()");
    const qint64 pid = pg.psql(running, true).toLongLong();
    ASSERT_GT(pid, 0);
    if (GetParam().stopBackend)
        ::kill(pid_t(pid), SIGSTOP);
    ::kill(pid_t(program.processId()), GetParam().signal);
    // A guard against a hang only: the bound itself is measured by the benchmark.
    const bool ended = program.waitForFinished(10'000);
    ::kill(pid_t(pid), SIGCONT);
    ASSERT_TRUE(ended) << "still running 10 s after the signal";
    said += program.readAllStandardOutput();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(said.endsWith("ended\n")) << said.toStdString();
    const QByteArray box = GetParam().stopBackend ? Message(EngineFailure::ServerDidNotAnswer()).toUtf8()
                                                  : QByteArray("canceling statement due to user request");
    EXPECT_TRUE(said.contains("box: " + box)) << said.toStdString();
    QStringList kept;
    const QDir folder(RecoveryFile::DefaultFolder());
    for (const QString& name : folder.entryList({QStringLiteral("*.sql")}, QDir::Files))
        kept << RecoveryFile::Read(folder.absoluteFilePath(name)).value_or(QString());
    EXPECT_EQ(kept, QStringList{statement});
    EXPECT_TRUE(SessionGone(pg, pid));
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalEndTest,
                         ::testing::Values(SignalCase{SIGTERM, false}, SignalCase{SIGHUP, false},
                                           SignalCase{SIGINT, false}, SignalCase{SIGTERM, true}));
#endif

} // namespace
