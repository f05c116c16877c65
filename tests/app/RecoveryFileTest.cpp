#include "app/RecoveryFile.h"
#include "support/FilePermissionsEnforced.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

mode_t ModeOf(const QString& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 0777;
}

class RecoveryFileTest : public IsolatedTest
{
protected:
    QString path = RecoveryFile::LegacyPath();
};

TEST_F(RecoveryFileTest, LivesInTheUsersDataFolder)
{
    EXPECT_EQ(path, home.dataFolder() + QStringLiteral("/VEMRA/editor-recovery.sql"));
}

TEST_F(RecoveryFileTest, EveryTextComesBackUnchanged)
{
    const QString texts[] = {
        QStringLiteral("select * from emp"),
        // Line ends are the editor's own: nothing is converted either way.
        QStringLiteral("select *\nfrom emp\n\n"),
        QStringLiteral("a\r\nb\rc"),
        // A byte order mark the user put first is a character like any other.
        QString(QChar(0xFEFF)) + QStringLiteral("select 1"),
        QStringLiteral("where city = 'Zürich' and price > '€ 5' -- 日本語 😀"),
        QString::fromUtf16(u"nul\0inside", 10),
        QString(QChar(0x2029)) + QStringLiteral(" separators ") + QChar(0x2028),
        QStringLiteral(" "),
    };
    for (const QString& text : texts) {
        RecoveryFile::Write(path, text);
        EXPECT_EQ(RecoveryFile::Read(path), std::optional<QString>(text)) << text.toStdString();
        EXPECT_EQ(ReadBytes(path), text.toUtf8()) << "stored as UTF-8";
    }
}

TEST_F(RecoveryFileTest, EmptyTextLeavesNoFile)
{
    EXPECT_EQ(RecoveryFile::Read(path), std::nullopt) << "nothing kept yet";
    RecoveryFile::Write(path, QString()) /* no file, nothing to remove */;
    EXPECT_FALSE(QFileInfo::exists(path));
    RecoveryFile::Write(path, QStringLiteral("select 1"));
    ASSERT_TRUE(QFileInfo::exists(path));
    RecoveryFile::Write(path, QString());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(RecoveryFile::Read(path), std::nullopt);

    // A file emptied by hand holds nothing to restore either.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(RecoveryFile::Read(path), std::nullopt);
}

TEST_F(RecoveryFileTest, PrivateFileInAPrivateFolder)
{
    const mode_t umask = ::umask(0022);
    RecoveryFile::Write(path, QStringLiteral("select secret from vault"));
    ::umask(umask);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(QFileInfo(path).absolutePath()), 0700u);

    // Replaced, the file stays private, and no temporary file is left beside it.
    RecoveryFile::Write(path, QStringLiteral("select 2"));
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("editor-recovery.sql")}));

    // A folder that exists already (the Sample database's) keeps its mode.
    const QString other = home.path() + QStringLiteral("/shared/VEMRA/kept.sql");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(other).absolutePath()));
    ::chmod(QFile::encodeName(QFileInfo(other).absolutePath()).constData(), 0750);
    RecoveryFile::Write(other, QStringLiteral("x"));
    EXPECT_EQ(ModeOf(QFileInfo(other).absolutePath()), 0750u);
}

TEST_F(RecoveryFileTest, AWriteThatDoesNotFitKeepsTheOldText)
{
    // Writing more than the process may write fails part-way, even for root, as a full disk does.
    struct SizeCase
    {
        const char* name;
        rlim_t room;
        qsizetype characters;
    };
    const SizeCase cases[] = {
        {"no room at all", 0, 10},
        {"room for part of a short text", 16, 100},
        {"room for part of a long text", 64'000, 1'000'000},
    };
    const QString old = QStringLiteral("select 'kept' from dual");
    std::signal(SIGXFSZ, SIG_IGN);
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecoveryFile::Write(path, old);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = c.room;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        try {
            RecoveryFile::Write(path, QString(c.characters, u'x'));
            ADD_FAILURE() << "no error";
        } catch (const RecoveryFileError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(path)) << e.what();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(RecoveryFile::Read(path), std::optional<QString>(old));
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({QStringLiteral("editor-recovery.sql")}))
            << "a temporary file left behind";
    }
}

TEST_F(RecoveryFileTest, TextFromAnotherEncodingKeepsEveryByte)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("select 'caf\xe9' from dual\xff");
    file.close();
    EXPECT_EQ(RecoveryFile::Read(path), std::optional<QString>(QStringLiteral("select 'café' from dualÿ")));
}

TEST_F(RecoveryFileTest, FailuresNameTheFile)
{
    // A folder where the file should be.
    ASSERT_TRUE(QDir().mkpath(path));
    try {
        RecoveryFile::Read(path);
        ADD_FAILURE() << "a folder was read";
    } catch (const RecoveryFileError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(path)) << e.what();
    }
    EXPECT_THROW(RecoveryFile::Write(path, QStringLiteral("x")), RecoveryFileError);
    EXPECT_THROW(RecoveryFile::Write(path, QString()), RecoveryFileError);
    ASSERT_TRUE(QDir().rmdir(path));

    // A file where the folder should be.
    const QString blocked = home.path() + QStringLiteral("/blocked/VEMRA/editor-recovery.sql");
    QFile blocker(home.path() + QStringLiteral("/blocked/VEMRA"));
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(RecoveryFile::Write(blocked, QStringLiteral("x")), RecoveryFileError);

    // A file the user may not read.
    const FilePermissionsEnforced enforced;
    if (!enforced.active())
        GTEST_SKIP() << "permission bits do not hold for this user";
    RecoveryFile::Write(path, QStringLiteral("select 1"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0200), 0);
    EXPECT_THROW(RecoveryFile::Read(path), RecoveryFileError);
}

} // namespace
