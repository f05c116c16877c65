#include "app/RecoveryCopy.h"
#include "app/RecoveryFile.h"
#include "support/TestHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>
#include <sys/stat.h>
#include <utime.h>

namespace {

mode_t ModeOf(const QString& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 0777;
}

void SetAge(const QString& path, qint64 seconds)
{
    const time_t when = time_t(QDateTime::currentSecsSinceEpoch() - seconds);
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0) << path.toStdString();
}

QString Text(const QString& path)
{
    return RecoveryFile::Read(path).value_or(QStringLiteral("<none>"));
}

class RecoveryCopyTest : public IsolatedTest
{
protected:
    /// One running copy; several in one process are told apart by their locks alone.
    std::unique_ptr<RecoveryCopy> copy() const { return std::make_unique<RecoveryCopy>(folder, legacy); }
    QStringList filesInFolder() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QString folder = RecoveryFile::DefaultFolder();
    QString legacy = RecoveryFile::LegacyPath();
};

TEST_F(RecoveryCopyTest, NothingARunningCopyKeepsIsTouchedByAnother)
{
    const auto a = copy();
    const auto b = copy();
    EXPECT_TRUE(a->claimLeftOver().newestFirst.isEmpty());
    EXPECT_TRUE(b->claimLeftOver().newestFirst.isEmpty());
    a->write(QStringLiteral("select 'a'"));
    b->write(QStringLiteral("select 'b'"));
    ASSERT_NE(a->ownPath(), b->ownPath());
    EXPECT_EQ(Text(a->ownPath()), QStringLiteral("select 'a'"));

    // Running for a day: age alone never makes a lock stale.
    SetAge(a->ownPath() + QStringLiteral(".lock"), 24 * 3600);
    const auto c = copy();
    const RecoveryCopy::LeftOver left = c->claimLeftOver();
    EXPECT_TRUE(left.newestFirst.isEmpty()) << left.newestFirst.join(u' ').toStdString();
    EXPECT_TRUE(left.failure.isEmpty());

    // Clearing one copy's editor removes its file alone.
    b->write(QString());
    EXPECT_FALSE(QFileInfo::exists(b->ownPath()));
    EXPECT_EQ(Text(a->ownPath()), QStringLiteral("select 'a'"));
    b->write(QStringLiteral("select 'b again'"));
    EXPECT_EQ(Text(b->ownPath()), QStringLiteral("select 'b again'")) << "the name stays the copy's";
    EXPECT_EQ(Text(a->ownPath()), QStringLiteral("select 'a'"));
}

TEST_F(RecoveryCopyTest, FilesOfEndedCopiesAreClaimedNewestFirstAndOnce)
{
    QStringList paths;
    for (const int age : {300, 100, 200}) {
        const auto ended = copy();
        ended->write(QStringLiteral("select %1").arg(age));
        paths << ended->ownPath();
        SetAge(ended->ownPath(), age);
    }
    const auto b = copy();
    const RecoveryCopy::LeftOver left = b->claimLeftOver();
    EXPECT_EQ(left.newestFirst, (QStringList{paths[1], paths[2], paths[0]}));
    EXPECT_TRUE(copy()->claimLeftOver().newestFirst.isEmpty()) << "claimed by b already";

    b->adopt(paths[1]);
    b->releaseClaims();
    b->write(QStringLiteral("select 100, more"));
    EXPECT_EQ(b->ownPath(), paths[1]) << "the text put back is replaced, not kept twice";
    EXPECT_EQ(Text(paths[1]), QStringLiteral("select 100, more"));
    // Released: the others are there for a later start; b's own is not.
    EXPECT_EQ(copy()->claimLeftOver().newestFirst, (QStringList{paths[2], paths[0]}));
}

TEST_F(RecoveryCopyTest, TheEarlierVersionsFileIsMovedInWithItsTime)
{
    RecoveryFile::Write(legacy, QStringLiteral("select 'from before'"));
    SetAge(legacy, 3600);
    const QDateTime written = QFileInfo(legacy).lastModified();
    {
        const auto ended = copy();
        ended->write(QStringLiteral("select 'newer'"));
    }
    const auto b = copy();
    const QStringList left = b->claimLeftOver().newestFirst;
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(Text(left[0]), QStringLiteral("select 'newer'"));
    EXPECT_EQ(Text(left[1]), QStringLiteral("select 'from before'"));
    EXPECT_EQ(QFileInfo(left[1]).absolutePath(), folder);
    EXPECT_EQ(QFileInfo(left[1]).lastModified(), written);
    EXPECT_FALSE(QFileInfo::exists(legacy));
    EXPECT_FALSE(QFileInfo::exists(legacy + QStringLiteral(".lock")));
}

TEST_F(RecoveryCopyTest, EmptyFilesAndLocksWithoutTextAreCleared)
{
    {
        const auto cleared = copy();
        cleared->write(QStringLiteral("x"));
        cleared->write(QString());
    }
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile empty(folder + QStringLiteral("/editor-20000101-000000-000-1.sql"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    // Left by a copy that wrote nothing yet when it was killed: its lock names a process gone.
    QFile stale(folder + QStringLiteral("/editor-20000101-000000-000-2.sql.lock"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("999999999\nvemra\n");
    stale.close();
    RecoveryFile::Write(legacy, QString());

    EXPECT_TRUE(copy()->claimLeftOver().newestFirst.isEmpty());
    EXPECT_EQ(filesInFolder(), QStringList());
}

TEST_F(RecoveryCopyTest, PrivateFilesLocksAndFolder)
{
    const mode_t umask = ::umask(0022);
    const auto a = copy();
    a->write(QStringLiteral("select secret from vault"));
    ::umask(umask);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(a->ownPath()), 0600u);
    EXPECT_EQ(ModeOf(a->ownPath() + QStringLiteral(".lock")), 0600u);
    EXPECT_EQ(filesInFolder().size(), 2) << "the text and its lock, no temporary file";
}

TEST_F(RecoveryCopyTest, AFailureIsReportedAndTheTextStaysWhereItWas)
{
    RecoveryFile::Write(legacy, QStringLiteral("select 'old'"));
    // A file where the folder should be.
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const RecoveryCopy::LeftOver left = copy()->claimLeftOver();
    EXPECT_TRUE(left.newestFirst.isEmpty());
    EXPECT_TRUE(left.failure.contains(folder)) << left.failure.toStdString();
    EXPECT_EQ(Text(legacy), QStringLiteral("select 'old'"));

    // Mended, the next start takes it.
    ASSERT_TRUE(QFile::remove(folder));
    const QStringList later = copy()->claimLeftOver().newestFirst;
    ASSERT_EQ(later.size(), 1);
    EXPECT_EQ(Text(later[0]), QStringLiteral("select 'old'"));
}

} // namespace
