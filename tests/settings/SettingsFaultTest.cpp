#include "settings/SettingsStore.h"
#include "support/TestHome.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SettingsFaultTest : public IsolatedTest
{
};

QString widthKey(int i)
{
    return QStringLiteral("COLUMN%1->WIDTH").arg(i);
}

} // namespace

TEST_F(SettingsFaultTest, KilledDuringABurstKeepsEveryWriteThatReturned)
{
    {
        SettingsStore store;
        store.SeedDefaults();
    }
    // Killed at several points of a burst, each burst going on where the last one's reports end:
    // the file must open after every kill and hold every write that returned before it.
    int first = 0;
    for (const int killAfter : {400, 7, 1200, 63, 250}) {
        SCOPED_TRACE(killAfter);
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(pipeFds[0]);
            SettingsStore store;
            for (int i = first;; ++i) {
                store.WriteNumber(QStringLiteral("QRYFIELDS"), widthKey(i), i);
                // Report only after the write has returned.
                if (::write(pipeFds[1], &i, sizeof i) != sizeof i)
                    ::_exit(1);
            }
        }
        ::close(pipeFds[1]);
        int last = first - 1;
        int value = 0;
        while (last < first + killAfter && ::read(pipeFds[0], &value, sizeof value) == sizeof value)
            last = value;
        ::kill(pid, SIGKILL);
        // Drain what was reported before the kill landed.
        while (::read(pipeFds[0], &value, sizeof value) == sizeof value)
            last = value;
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        SettingsStore store;
        EXPECT_EQ(store.ReadText(QStringLiteral("GENERAL"), QStringLiteral("FontName"), {}),
                  QStringLiteral("Courier New"));
        for (int i = 0; i <= last; ++i)
            ASSERT_EQ(store.ReadNumber(QStringLiteral("QRYFIELDS"), widthKey(i), -1), i)
                << "write " << i << " lost";
        first = last + 1;
    }
}

TEST_F(SettingsFaultTest, FileLockedLongerThanTheBusyTimeoutFailsWritesWithTheirText)
{
    {
        SettingsStore store;
        store.WriteText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), QStringLiteral("scott"));
    }
    const QString path = SettingsStore::defaultPath();
    // Another process holds the write lock for longer than the store waits.
    QProcess locker;
    locker.start(QStringLiteral("sqlite3"), {path});
    ASSERT_TRUE(locker.waitForStarted());
    locker.write("BEGIN EXCLUSIVE;\nINSERT INTO entries VALUES ('X','Y','Z','x','y');\n"
                 "SELECT 'locked';\n");
    ASSERT_TRUE(locker.waitForReadyRead(5000));
    {
        SettingsStore store;
        // Readers still see the last committed state while the writer holds its lock.
        EXPECT_EQ(store.ReadText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), {}),
                  QStringLiteral("scott"));
        try {
            store.WriteText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), QStringLiteral("tiger"));
            ADD_FAILURE() << "write through a lock succeeded";
        } catch (const SettingsError& e) {
            EXPECT_STREQ(e.what(), "Failed to set data for 'USERNAME'");
        }
    }
    locker.write("ROLLBACK;\n.quit\n");
    locker.closeWriteChannel();
    ASSERT_TRUE(locker.waitForFinished(5000));
    SettingsStore store;
    EXPECT_EQ(store.ReadText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), {}),
              QStringLiteral("scott"));
    store.WriteText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), QStringLiteral("tiger"));
    EXPECT_EQ(store.ReadText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), {}),
              QStringLiteral("tiger"));
}

TEST_F(SettingsFaultTest, GarbageWhereNumbersAreExpectedReadsAsTheDefaultAndStays)
{
    SettingsStore store;
    const QString garbage[] = {QStringLiteral("wide"), QStringLiteral("12px"), QStringLiteral("\x01\x02"),
                               QString(262, u'9'),     QStringLiteral("0x"),   QStringLiteral("--5")};
    for (const QString& g : garbage) {
        store.WriteText(QStringLiteral("GRID"), QStringLiteral("WIDTH"), g);
        EXPECT_EQ(store.ReadNumber(QStringLiteral("GRID"), QStringLiteral("WIDTH"), 640), 640);
        EXPECT_EQ(store.ReadText(QStringLiteral("GRID"), QStringLiteral("WIDTH"), {}), g);
    }
    const QString key262 = QString(262, u'K');
    store.WriteText(QStringLiteral("QRY_SORT_ORDER"), key262, QStringLiteral("A|B"));
    EXPECT_EQ(store.ReadText(QStringLiteral("QRY_SORT_ORDER"), key262, {}), QStringLiteral("A|B"));
}
