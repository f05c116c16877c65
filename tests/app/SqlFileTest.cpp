#include "app/SqlFile.h"
#include "platform/AppContext.h"
#include "platform/LoginFacts.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/ScriptedDesktop.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

template <std::size_t N> QString U16(const char16_t (&text)[N])
{
    return QString::fromUtf16(text, N - 1); // NULs inside count
}

struct DecodeCase
{
    const char* name;
    QByteArray bytes;
    QString text;
};

TEST(SqlFileFormat, Decode)
{
    const DecodeCase cases[] = {
        {"empty", QByteArray(), QString()},
        {"CR LF lines", "SELECT *\r\nFROM EMP\r\n", QStringLiteral("SELECT *\nFROM EMP")},
        {"LF lines", "SELECT *\nFROM EMP\n", QStringLiteral("SELECT *\nFROM EMP")},
        {"CR lines", "SELECT *\rFROM EMP\r", QStringLiteral("SELECT *\nFROM EMP")},
        {"mixed", "a\r\nb\nc\rd", QStringLiteral("a\nb\nc\nd")},
        {"no last line end", "a\r\nb", QStringLiteral("a\nb")},
        {"empty last line", "a\r\n\r\n", QStringLiteral("a\n")},
        {"only a line end", "\r\n", QString()},
        {"UTF-8", "SELECT 'K\xC3\xB6ln \xE2\x82\xAC'\r\n",
         QString::fromUtf8("SELECT 'K\xC3\xB6ln \xE2\x82\xAC'")},
        {"UTF-8 byte order mark kept", "\xEF\xBB\xBFx\r\n", QString(QChar(0xFEFF)) + u'x'},
        {"Windows-1252", "SELECT 'K\xF6ln \x80 \x93q\x94'\r\n",
         QString::fromUtf8("SELECT 'K\xC3\xB6ln \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D'")},
        {"unassigned 1252 bytes", "\x81\x8D\x8F\x90\x9D", U16(u"\u0081\u008D\u008F\u0090\u009D")},
        {"NUL inside a line", QByteArray("a\0b\r\n", 5), U16(u"a\u0000b")},
        {"overlong UTF-8 is not UTF-8", "\xC0\xAF", U16(u"\u00C0\u00AF")},
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(SqlFile::Decode(c.bytes), c.text) << c.name;
}

TEST(SqlFileFormat, EncodeWritesCrLfAfterEveryLine)
{
    EXPECT_EQ(SqlFile::Encode(QString()), QByteArray());
    EXPECT_EQ(SqlFile::Encode(QStringLiteral("SELECT *\nFROM EMP")), QByteArray("SELECT *\r\nFROM EMP\r\n"));
    EXPECT_EQ(SqlFile::Encode(QStringLiteral("a\n")), QByteArray("a\r\n\r\n"));
    EXPECT_EQ(SqlFile::Encode(QString::fromUtf8("\xE2\x82\xAC")), QByteArray("\xE2\x82\xAC\r\n"));
}

TEST(SqlFileFormat, EveryByteSurvivesALoad)
{
    // A binary file: every byte value, twice, with the line-end bytes elsewhere too.
    QByteArray bytes;
    for (int round = 0; round < 2; ++round)
        for (int b = 0; b < 256; ++b)
            bytes.append(char(b));
    const QString text = SqlFile::Decode(bytes);
    // Not UTF-8, so one character per byte; CR LF counts as one line end and a lone CR as another.
    const qsizetype crlf = bytes.count("\r\n");
    EXPECT_EQ(text.size(), bytes.size() - crlf);
    EXPECT_EQ(text.count(QChar(0)), 2);
    // Saved and loaded again (now as UTF-8), the text is the same.
    EXPECT_EQ(SqlFile::Decode(SqlFile::Encode(text)), text);
}

TEST(SqlFileFormat, TextSurvivesARoundTrip)
{
    const QString texts[] = {
        QStringLiteral("SELECT *\nFROM EMP\nWHERE SAL > 100"),
        QStringLiteral("\n\nx\n\n"),
        U16(u"tab\there\u00A0nbsp\u2028sep\u0000nul"),
        QString(QChar(0xFEFF)) + QStringLiteral("bom"),
    };
    for (const QString& text : texts)
        EXPECT_EQ(SqlFile::Decode(SqlFile::Encode(text)), text) << text.toStdString();
}

TEST(SqlFileFormat, FolderOf)
{
    EXPECT_EQ(SqlFile::FolderOf(QStringLiteral("/home/a/q.SQL")), QStringLiteral("/home/a/"));
    EXPECT_EQ(SqlFile::FolderOf(QStringLiteral("/q.SQL")), QStringLiteral("/"));
}

class SqlFileTest : public IsolatedTest
{
protected:
    QString dir(const QString& name)
    {
        const QString path = home.path() + u'/' + name;
        QDir().mkpath(path);
        return path;
    }
    QString stored(const QString& key) const
    {
        return SettingsStore().ReadText(Schema::Section::Dialogs, key, QStringLiteral("<missing>"));
    }

    SqlFileTest() { facts.ProgramFolder = QStringLiteral("/opt/vemra/bin/"); }

    ScriptedDesktop desktop;
    LoginFacts facts;
    Settings settings{SettingsStore::defaultPath()};
    SqlFile file{desktop, settings, facts};
};

TEST_F(SqlFileTest, WriteAndReadBack)
{
    const QString path = dir(QStringLiteral("sql")) + QStringLiteral("/q.SQL");
    SqlFile::Write(path, QString::fromUtf8("SELECT 'K\xC3\xB6ln'\nFROM EMP"));
    EXPECT_EQ(ReadBytes(path), QByteArray("SELECT 'K\xC3\xB6ln'\r\nFROM EMP\r\n"));
    EXPECT_EQ(SqlFile::Read(path), QString::fromUtf8("SELECT 'K\xC3\xB6ln'\nFROM EMP"));

    SqlFile::Write(path, QStringLiteral("x")); // replaces the whole file
    EXPECT_EQ(ReadBytes(path), QByteArray("x\r\n"));
}

TEST_F(SqlFileTest, ReadFailures)
{
    const QString missing = home.path() + QStringLiteral("/none.SQL");
    try {
        SqlFile::Read(missing);
        FAIL() << "no error";
    } catch (const SqlFileError& e) {
        EXPECT_EQ(QString::fromStdString(e.what()), QStringLiteral("Cannot open file ") + missing);
    }
    const QString folder = dir(QStringLiteral("folder.SQL"));
    EXPECT_THROW(SqlFile::Read(folder), SqlFileError);
}

TEST_F(SqlFileTest, FailedSaveKeepsTheOldFile)
{
    const QString path = dir(QStringLiteral("sql")) + QStringLiteral("/q.SQL");
    WriteBytes(path, "old\r\n");

    // Writing more than the process may write fails half-way, even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
        SqlFile::Write(path, QString(100'000, u'x'));
        ADD_FAILURE() << "no error";
    } catch (const SqlFileError& e) {
        EXPECT_STREQ(e.what(), "Failed to Save Stream\nFile too large");
    }
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(ReadBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(dir(QStringLiteral("sql"))).entryList(QDir::Files), QStringList{QStringLiteral("q.SQL")})
        << "temporary file left behind";

    const QString noFolder = home.path() + QStringLiteral("/missing/q.SQL");
    try {
        SqlFile::Write(noFolder, QStringLiteral("x"));
        ADD_FAILURE() << "no error";
    } catch (const SqlFileError& e) {
        EXPECT_EQ(QString::fromStdString(e.what()), QStringLiteral("Cannot create file ") + noFolder +
                                                        QStringLiteral("\nNo such file or directory"));
    }
}

TEST_F(SqlFileTest, ASaveThatDoesNotFitFailsAndKeepsTheOldFileWhateverTheTextsSize)
{
    // Below the write buffer's size the text reaches the file only as it is committed.
    struct SizeCase
    {
        const char* name;
        rlim_t room;
        qsizetype characters;
    };
    const SizeCase cases[] = {
        {"a short text, no room", 0, 60},
        {"a short text, a little room", 8'192, 15'000},
        {"just below the buffer's size", 4'096, 16'382},
        {"a long text", 100'000, 400'000},
    };
    const QString path = dir(QStringLiteral("sql")) + QStringLiteral("/q.SQL");
    std::signal(SIGXFSZ, SIG_IGN);
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(path, "old\r\n");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = c.room;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        try {
            SqlFile::Write(path, QString(c.characters, u'x'));
            ADD_FAILURE() << "no error";
        } catch (const SqlFileError& e) {
            EXPECT_STREQ(e.what(), "Failed to Save Stream\nFile too large");
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(ReadBytes(path), QByteArray("old\r\n"));
        EXPECT_EQ(QDir(dir(QStringLiteral("sql"))).entryList(QDir::Files),
                  QStringList{QStringLiteral("q.SQL")});
    }
}

TEST_F(SqlFileTest, FirstUseOpensTheProgramFolder)
{
    desktop.expectOpenFile(std::nullopt);
    desktop.expectSaveFile(std::nullopt);
    EXPECT_EQ(file.chooseFileToLoad(nullptr), std::nullopt);
    EXPECT_EQ(file.chooseFileToSave(nullptr), std::nullopt);

    ASSERT_EQ(desktop.openRequests.size(), 1u);
    const FileDialogRequest& open = desktop.openRequests[0];
    EXPECT_EQ(open.title, QStringLiteral("Open SQL File"));
    EXPECT_EQ(open.folder, QStringLiteral("/opt/vemra/bin/"));
    EXPECT_EQ(open.filter, QStringLiteral("SQL files (*.SQL)|*.SQL"));
    EXPECT_EQ(open.defaultExtension, QStringLiteral("SQL"));
    EXPECT_FALSE(open.confirmOverwrite);

    ASSERT_EQ(desktop.saveRequests.size(), 1u);
    const FileDialogRequest& save = desktop.saveRequests[0];
    EXPECT_EQ(save.title, QStringLiteral("Save SQL File"));
    EXPECT_EQ(save.folder, QStringLiteral("/opt/vemra/bin/"));
    EXPECT_TRUE(save.confirmOverwrite);

    // Cancelling stores nothing.
    EXPECT_FALSE(SettingsStore().HasSections());
}

TEST_F(SqlFileTest, EachDialogRemembersItsFolderAndName)
{
    const QString saveDir = dir(QStringLiteral("saved"));
    const QString openDir = dir(QStringLiteral("opened"));
    desktop.expectSaveFile(saveDir + QStringLiteral("/query.SQL"));
    desktop.expectOpenFile(openDir + QStringLiteral("/emp.sql"));
    desktop.expectSaveFile(std::nullopt);
    desktop.expectOpenFile(std::nullopt);

    EXPECT_EQ(file.chooseFileToSave(nullptr), saveDir + QStringLiteral("/query.SQL"));
    EXPECT_EQ(stored(Schema::Dialogs::SaveDialogPath), saveDir + u'/');
    EXPECT_EQ(stored(Schema::Dialogs::OpenDialogPath), QStringLiteral("<missing>"));
    EXPECT_EQ(file.chooseFileToLoad(nullptr), openDir + QStringLiteral("/emp.sql"));
    EXPECT_EQ(stored(Schema::Dialogs::OpenDialogPath), openDir + u'/');

    file.chooseFileToSave(nullptr);
    file.chooseFileToLoad(nullptr);
    ASSERT_EQ(desktop.saveRequests.size(), 2u);
    EXPECT_EQ(desktop.saveRequests[1].folder, saveDir + u'/');
    EXPECT_EQ(desktop.saveRequests[1].fileName, QStringLiteral("query.SQL"));
    ASSERT_EQ(desktop.openRequests.size(), 2u);
    EXPECT_EQ(desktop.openRequests[1].folder, openDir + u'/');
    EXPECT_EQ(desktop.openRequests[1].fileName, QStringLiteral("emp.sql"));

    // The names are for this run only; the folders are in the store for the next.
    SqlFile nextRun(desktop, settings, facts);
    desktop.expectSaveFile(std::nullopt);
    nextRun.chooseFileToSave(nullptr);
    EXPECT_EQ(desktop.saveRequests[2].folder, saveDir + u'/');
    EXPECT_EQ(desktop.saveRequests[2].fileName, QString());
}

TEST_F(SqlFileTest, FileAtTheRootStoresTheRootFolder)
{
    desktop.expectOpenFile(QStringLiteral("/a.SQL"));
    file.chooseFileToLoad(nullptr);
    EXPECT_EQ(stored(Schema::Dialogs::OpenDialogPath), QStringLiteral("/"));
}

} // namespace
