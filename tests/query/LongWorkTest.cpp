// Long statements through "Execute SQL": the progress window, its Cancel, and a program that
// keeps painting meanwhile.

#include "QueryWindowFixture.h"

#include "support/PgServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using Outcome = SqlExecution::Outcome;

const QString kLongCount = QStringLiteral("with recursive c(n) as (select 1 union all select n + 1 from c "
                                          "where n < 1000000000) select count(*) from c");

QWidget* progressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == u"FRM_Progress" && w->isVisible())
            return w;
    }
    return nullptr;
}

/// Counts the paint events a widget receives.
class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

class LongWorkTest : public QueryWindowTest
{
protected:
    struct Seen
    {
        qint64 shownAfterMs = -1;
        qint64 cancelledAtMs = -1;
        QString what;
        QString elapsed;
        bool modal = false;
    };

    /// Runs sql and, once the progress window has been up for holdMs, stops it with press.
    Seen runAndStop(const QString& sql, int holdMs, const std::function<void(QWidget*)>& press)
    {
        Seen seen;
        QElapsedTimer clock;
        clock.start();
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* w = progressWindow();
            if (!w || seen.cancelledAtMs >= 0)
                return;
            if (seen.shownAfterMs < 0) {
                seen.shownAfterMs = clock.elapsed();
                seen.modal = w->isModal();
            }
            if (clock.elapsed() - seen.shownAfterMs >= holdMs) {
                seen.what = w->findChild<QLabel*>(QStringLiteral("LBL_What"))->text();
                seen.elapsed = w->findChild<QLabel*>(QStringLiteral("LBL_Elapsed"))->text();
                seen.cancelledAtMs = clock.elapsed();
                press(w);
            }
        });
        poll.start();
        outcome = execute(sql);
        returnedAtMs = clock.elapsed();
        return seen;
    }

    Outcome outcome = Outcome::Failed;
    qint64 returnedAtMs = -1;
};

TEST_F(LongWorkTest, CancelStopsTheStatementWithTheEnginesMessageAndTheNextOneRuns)
{
    open();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    const Seen seen = runAndStop(kLongCount, 700, [](QWidget* w) {
        w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"))->click();
    });
    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_FALSE(shown);
    ASSERT_GE(seen.shownAfterMs, 0) << "no progress window";
    EXPECT_GE(seen.shownAfterMs, 450);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.what, QStringLiteral("Executing SQL..."));
    EXPECT_TRUE(seen.elapsed.startsWith(QStringLiteral("Elapsed: "))) << seen.elapsed.toStdString();
    EXPECT_LT(returnedAtMs - seen.cancelledAtMs, 1000);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_TRUE(desktop.boxes[0].text.contains(QStringLiteral("interrupted")))
        << desktop.boxes[0].text.toStdString();
    // Cancelled once: the upper-cased and read-only attempts do not run the statement again.
    EXPECT_LT(returnedAtMs, 4000);
    EXPECT_EQ(progressWindow(), nullptr);
    EXPECT_EQ(desktop.busyDepth, 0);

    EXPECT_EQ(execute(QStringLiteral("select count(*) from emp")), Outcome::ResultShown);
}

TEST_F(LongWorkTest, EscapeCancelsAndTheProgramKeepsPaintingMeanwhile)
{
    open();
    QWidget other;
    other.resize(200, 100);
    other.show();
    PaintCounter counter;
    other.installEventFilter(&counter);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &other, qOverload<>(&QWidget::update));
    repaint.start(50);

    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    int paintsBeforeStop = -1;
    const Seen seen = runAndStop(QStringLiteral("select count(*) from (") + kLongCount + QStringLiteral(")"),
                                 600, [&](QWidget* w) {
                                     paintsBeforeStop = counter.paints;
                                     QTest::keyClick(w, Qt::Key_Escape);
                                 });
    ASSERT_GE(seen.cancelledAtMs, 0) << "no progress window";
    EXPECT_LT(returnedAtMs - seen.cancelledAtMs, 1000);
    // About a second of running: a repaint every 50 ms asked, most of them done.
    EXPECT_GE(paintsBeforeStop, 5);
    EXPECT_EQ(outcome, Outcome::Failed);
}

TEST_F(LongWorkTest, CancelStopsAPostgresStatementOnTheServer)
{
    PgServer& pg = PgServer::instance();
    if (!pg.running())
        GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
    pg.writeAlias(QStringLiteral("PG"));
    open(QStringLiteral("PG"),
         {QStringLiteral("USER NAME=") + pg.user(), QStringLiteral("PASSWORD=") + pg.password()});
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    const Seen seen = runAndStop(QStringLiteral("select pg_sleep(30)"), 300, [](QWidget* w) {
        w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"))->click();
    });
    ASSERT_GE(seen.cancelledAtMs, 0) << "no progress window";
    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_LT(returnedAtMs - seen.cancelledAtMs, 1000);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("canceling statement due to user request"));
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE state = 'active' "
                                     "AND query ILIKE '%pg_sleep(30)%' AND pid <> pg_backend_pid()")),
              QStringLiteral("0"));
    EXPECT_EQ(execute(QStringLiteral("select 1")), Outcome::ResultShown);
}

struct StrayKey
{
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const StrayKey& stray, std::ostream* out)
{
    *out << stray.what;
}

class LongWorkKeyTest : public LongWorkTest, public ::testing::WithParamInterface<StrayKey>
{
};

// The keys that start a statement, pressed again while it runs, leave it running; Escape then
// still stops it.
TEST_P(LongWorkKeyTest, AKeyThatStartedTheWorkDoesNotStopIt)
{
    const StrayKey& stray = GetParam();
    open();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    bool stillRunning = false;
    QString buttonText;
    const Seen seen = runAndStop(kLongCount, 300, [&](QWidget* w) {
        // Where the keyboard is: the focus widget of the window, or the window itself.
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != w)
            target = w;
        QTest::keyClick(target, stray.key, stray.modifiers);
        QCoreApplication::processEvents();
        buttonText = w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"))->text();
        stillRunning = progressWindow() == w && buttonText == QStringLiteral("Cancel");
        QTest::keyClick(w, Qt::Key_Escape);
    });
    ASSERT_GE(seen.cancelledAtMs, 0) << "no progress window";
    EXPECT_TRUE(stillRunning) << stray.what << " left the button reading " << buttonText.toStdString();
    EXPECT_EQ(outcome, Outcome::Failed) << "Escape stops it";
    EXPECT_LT(returnedAtMs - seen.cancelledAtMs, 1000);
}

INSTANTIATE_TEST_SUITE_P(Keys, LongWorkKeyTest,
                         ::testing::Values(StrayKey{"Return", Qt::Key_Return, Qt::NoModifier},
                                           StrayKey{"Enter", Qt::Key_Enter, Qt::KeypadModifier},
                                           StrayKey{"Space", Qt::Key_Space, Qt::NoModifier},
                                           StrayKey{"CtrlReturn", Qt::Key_Return, Qt::ControlModifier},
                                           StrayKey{"CtrlShiftReturn", Qt::Key_Return,
                                                    Qt::ControlModifier | Qt::ShiftModifier}),
                         [](const ::testing::TestParamInfo<StrayKey>& info) { return info.param.what; });

TEST_F(LongWorkTest, AShortStatementShowsNoProgressWindow)
{
    open();
    bool seenWindow = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { seenWindow = seenWindow || progressWindow(); });
    poll.start(1);
    EXPECT_EQ(execute(QStringLiteral("select * from emp")), Outcome::ResultShown);
    EXPECT_FALSE(seenWindow);
}

} // namespace
