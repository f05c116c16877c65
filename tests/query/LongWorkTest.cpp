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
