#include "platform/WholeFile.h"
#include "support/FilePermissionsEnforced.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

/// Every entry of the folder, hidden ones too.
QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(WholeFileTest, TheFileAppearsWholeOrKeepsWhatItHad)
{
    struct Case
    {
        const char* name;
        rlim_t room; ///< bytes a file may have; 0 for no limit
        qsizetype writeSize;
        int writes;
        bool commit;        ///< false: given up before the commit
        const char* reason; ///< empty when it is written
    };
    const Case cases[] = {
        {"fits", 0, 50'000, 3, true, ""},
        {"nothing fits", 1, 4'096, 1, true, "File too large"},
        {"one write cut short: it is asked again and gives the reason", 10'000, 100'000, 1, true,
         "File too large"},
        {"small writes, the fourth does not fit", 10'000, 3'000, 6, true, "File too large"},
        {"ends exactly at the limit", 12'000, 3'000, 4, true, ""},
        {"given up", 0, 50'000, 2, false, ""},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(path, "what the user had");
        ::chmod(QFile::encodeName(path).constData(), 0640);
        const QByteArray bytes(c.writeSize, 'x');
        bool committed = false;
        QString reason;
        {
            WholeFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            std::optional<FileSizeLimit> limit;
            if (c.room > 0)
                limit.emplace(c.room);
            for (int i = 0; i < c.writes; ++i)
                file.write(bytes);
            // A painter's device closes it before the commit.
            file.close();
            if (c.commit)
                committed = file.commit();
            reason = file.reason();
            if (!reason.isEmpty()) {
                EXPECT_EQ(file.errorString(), reason) << "what QIODevice users read";
            }
        }
        const bool written = c.commit && QByteArray(c.reason).isEmpty();
        EXPECT_EQ(committed, written);
        EXPECT_EQ(reason, QString::fromUtf8(c.reason));
        EXPECT_EQ(Contents(path), written ? bytes.repeated(c.writes) : QByteArray("what the user had"));
        EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("report.pdf")}) << "no temporary file left";
        struct stat info
        {
        };
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0640u) << "a file written over keeps who may read it";
    }
}

TEST(WholeFileTest, APlaceThatTakesNoFileSaysWhy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("a folder")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("locked")));
    ::chmod(QFile::encodeName(dir.filePath(QStringLiteral("locked"))).constData(), 0555);
    const FilePermissionsEnforced enforced;
    struct Case
    {
        QString path;
        const char* reason;
        bool needsPermissions;
    };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("no/such/folder/x.pdf")), "No such file or directory", false},
        {dir.filePath(QStringLiteral("a folder")), "Is a directory", false},
        {dir.filePath(QStringLiteral("locked/x.pdf")), "Permission denied", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        if (c.needsPermissions && !enforced.active())
            continue;
        WholeFile file(c.path);
        EXPECT_FALSE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(file.reason(), QString::fromUtf8(c.reason));
        EXPECT_FALSE(file.commit());
        EXPECT_EQ(file.reason(), QString::fromUtf8(c.reason)) << "the first reason stays";
    }
    EXPECT_TRUE(Entries(dir.filePath(QStringLiteral("locked"))).isEmpty());
    EXPECT_TRUE(Entries(dir.filePath(QStringLiteral("a folder"))).isEmpty());
}

TEST(WholeFileTest, ANewFileIsMadeOnlyByTheCommit)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.csv"));
    WholeFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write("a,b\r\n"), 5);
    EXPECT_FALSE(QFile::exists(path)) << "nobody sees a file half written";
    ASSERT_TRUE(file.commit()) << qPrintable(file.reason());
    EXPECT_EQ(Contents(path), QByteArray("a,b\r\n"));
    EXPECT_EQ(Entries(dir.path()), QStringList{QStringLiteral("new.csv")});
}

} // namespace
