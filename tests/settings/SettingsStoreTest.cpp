#include "settings/SettingsStore.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "support/TestHome.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <functional>

namespace {

struct NumberCase
{
    const char* stored;
    int expected;
};

class SettingsStoreTest : public IsolatedTest
{
};

/// Runs body in a child process, as user "nobody" when we are root (after handing it the folder),
/// and returns the child's exit code.
int runAsUnprivileged(const QString& folder, const std::function<int()>& body)
{
    const bool root = ::geteuid() == 0;
    if (root) {
        const QByteArray cmd = "chown -R 65534:65534 '" + QFile::encodeName(folder) + "'";
        if (std::system(cmd.constData()) != 0)
            return 100;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(101);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (root)
        std::system(("chown -R 0:0 '" + QFile::encodeName(folder) + "'").constData());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 102;
}

int fileMode(const QString& path)
{
    struct stat st
    {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return int(st.st_mode & 0777);
}

} // namespace

TEST(SettingsNumberParse, FollowsTheStoredTextRules)
{
    const int d = -12345;
    const NumberCase cases[] = {
        {"640", 640},
        {"0x1F", 31},
        {"0X10", 16},
        {"$1f", 31},
        {"$1F", 31},
        {"   12", 12},
        {"12 ", d},
        {"TRUE", d},
        {"", d},
        {"0x", d},
        {"x10", d},
        {"-699", -699},
        {"+7", 7},
        {"-", d},
        {"$", d},
        {"$-1", d},
        {"0x-1", d},
        {"2147483647", 2147483647},
        {"-2147483648", INT_MIN},
        {"2147483648", d},
        {"-2147483649", d},
        {"99999999999999999999", d},
        {"$FFFFFFFF", -1},
        {"$100000000", d},
        {"0001", 1},
        {"1.5", d},
        {"\t5", d},
        {" -3", -3},
        {"- 3", d},
        {"00x10", d},
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(SettingsStore::ParseNumber(QString::fromUtf8(c.stored), d), c.expected) << c.stored;
}

TEST_F(SettingsStoreTest, FirstOpenCreatesPrivateRootAndFile)
{
    const QString folder = SettingsStore::rootFolder();
    ASSERT_FALSE(QFileInfo::exists(folder));
    const mode_t old = ::umask(0);
    {
        SettingsStore store;
        EXPECT_FALSE(store.HasSections());
    }
    ::umask(old);
    EXPECT_EQ(fileMode(folder), 0700);
    EXPECT_EQ(fileMode(SettingsStore::defaultPath()), 0600);
}

TEST_F(SettingsStoreTest, FirstRunSeedingAndReadsOfMissingEntries)
{
    SettingsStore store;
    EXPECT_EQ(store.ReadNumber(Schema::Section::General, Schema::General::FontColor, 16711680), 16711680);
    EXPECT_FALSE(store.HasSections()) << "a read must not create a section";
    store.SeedDefaults();
    EXPECT_TRUE(store.HasSections());
    EXPECT_EQ(store.ReadNumber(QStringLiteral("GENERAL"), QStringLiteral("FontColor"), 16711680), 0);
    EXPECT_EQ(store.ReadNumber(QStringLiteral("general"), QStringLiteral("BackGroundColor"), 1), 16777215);
    EXPECT_EQ(store.ReadText(QStringLiteral("PRINTER"), QStringLiteral("D_Orientation"), {}),
              QStringLiteral("poLandscape"));
    EXPECT_TRUE(store.ReadFlag(QStringLiteral("PRINTER"), QStringLiteral("U_ShowRowNumber"), false));
    EXPECT_EQ(store.ReadNumber(QStringLiteral("SYSTEM"), QStringLiteral("DateRefreshMinutes"), 0), 30);
    EXPECT_EQ(store.ReadNumber(QStringLiteral("GRID"), QStringLiteral("LEFT"), -699), -699) << "not seeded";
    EXPECT_EQ(store.ReadText(QStringLiteral("LOGIN"), QStringLiteral("DATASOURCE"), QStringLiteral("none")),
              QStringLiteral("none"));
}

TEST_F(SettingsStoreTest, SeedingWritesExactlyTheFirstRunEntriesInOrder)
{
    {
        SettingsStore store;
        store.SeedDefaults();
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(SettingsStore::defaultPath()).constData(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM entries", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 39);
    sqlite3_finalize(st);
    sqlite3_close(db);
    const auto& entries = Schema::FirstRunEntries();
    ASSERT_EQ(entries.size(), 39u);
    EXPECT_EQ(entries.front().key, QStringLiteral("D_LeftMargin"));
    EXPECT_EQ(entries[8].key, QStringLiteral("D_Copies"));
    EXPECT_EQ(entries[9].key, QStringLiteral("U_LeftMargin"));
    EXPECT_EQ(entries[18].key, QStringLiteral("DateRefreshHours"));
    EXPECT_EQ(entries[24].key, QStringLiteral("MaximumLoginRetries"));
    EXPECT_EQ(entries.back().key, QStringLiteral("MAXIMIZED"));
    EXPECT_EQ(entries.back().section, QStringLiteral("GRID"));
}

TEST_F(SettingsStoreTest, NamesMatchWithoutCaseAndKeepFirstSpelling)
{
    {
        SettingsStore store;
        store.WriteNumber(QStringLiteral("GENERAL"), QStringLiteral("BackgroundColor"), 255);
        store.WriteNumber(QStringLiteral("general"), QStringLiteral("BACKGROUNDCOLOR"), 65280);
        EXPECT_EQ(store.ReadNumber(QStringLiteral("General"), QStringLiteral("BackGroundColor"), 0), 65280);
        store.WriteText(QStringLiteral("QRYFIELDS"), QStringLiteral("ÉTÉ->NAME"), QStringLiteral("Summer"));
        EXPECT_EQ(store.ReadText(QStringLiteral("qryfields"), QStringLiteral("été->name"), {}),
                  QStringLiteral("Summer"));
    }
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(SettingsStore::defaultPath()).constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT section, key FROM entries WHERE key_fold = 'backgroundcolor'", -1, &st,
                       nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "GENERAL");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "BackgroundColor");
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST_F(SettingsStoreTest, AnyNameAndValueReadsBackUnchanged)
{
    SettingsStore store;
    const QString longKey = QString(261, u'k');
    const QString bigValue = QString(300000, u'v') + QStringLiteral("\nend");
    const QList<std::pair<QString, QString>> pairs = {
        {QStringLiteral("a=b"), QStringLiteral("x=y\r\nline 2\n[section]")},
        {QStringLiteral("[weird] key"), QStringLiteral("A|B|C")},
        {QStringLiteral("CUST NAME->WIDTH"), QStringLiteral("120")},
        {QStringLiteral("A|B->NAME"), QStringLiteral("->")},
        {longKey, bigValue},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("名前"), QStringLiteral("値 ü")},
    };
    for (const auto& [key, value] : pairs)
        store.WriteText(QStringLiteral("QRY_SORT_ORDER"), key, value);
    SettingsStore second;
    for (const auto& [key, value] : pairs)
        EXPECT_EQ(second.ReadText(QStringLiteral("QRY_SORT_ORDER"), key, QStringLiteral("default")), value)
            << key.left(40).toStdString();
}

TEST_F(SettingsStoreTest, EmptyTextIsTextButNotANumberOrFlag)
{
    SettingsStore store;
    store.WriteText(QStringLiteral("S"), QStringLiteral("K"), QString());
    EXPECT_EQ(store.ReadText(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")), QString());
    EXPECT_EQ(store.ReadNumber(QStringLiteral("S"), QStringLiteral("K"), 7), 7);
    EXPECT_TRUE(store.ReadFlag(QStringLiteral("S"), QStringLiteral("K"), true));
}

TEST_F(SettingsStoreTest, FlagsAndNumbersInTheirTextForms)
{
    SettingsStore store;
    const QString s = QStringLiteral("T");
    const std::pair<const char*, bool> flags[] = {{"1", true},  {"2", true},     {"-1", true},  {"5", true},
                                                  {"0", false}, {"TRUE", false}, {"0x0", false}};
    for (const auto& [text, expected] : flags) {
        store.WriteText(s, QStringLiteral("F"), QString::fromUtf8(text));
        EXPECT_EQ(store.ReadFlag(s, QStringLiteral("F"), false), expected) << text;
    }
    store.WriteText(s, QStringLiteral("F"), QStringLiteral("TRUE"));
    EXPECT_TRUE(store.ReadFlag(s, QStringLiteral("F"), true)) << "TRUE is not a number: the default";
    store.WriteFlag(s, QStringLiteral("F"), true);
    EXPECT_EQ(store.ReadText(s, QStringLiteral("F"), {}), QStringLiteral("1"));
    store.WriteFlag(s, QStringLiteral("F"), false);
    EXPECT_EQ(store.ReadText(s, QStringLiteral("F"), {}), QStringLiteral("0"));
    store.WriteNumber(s, QStringLiteral("N"), -699);
    EXPECT_EQ(store.ReadText(s, QStringLiteral("N"), {}), QStringLiteral("-699"));
    EXPECT_EQ(store.ReadNumber(s, QStringLiteral("N"), 0), -699);
    store.WriteNumber(s, QStringLiteral("N"), INT_MIN);
    EXPECT_EQ(store.ReadNumber(s, QStringLiteral("N"), 0), INT_MIN);
}

TEST_F(SettingsStoreTest, TextIsCutAtItsFirstNul)
{
    SettingsStore store;
    store.WriteText(QStringLiteral("S"), QStringLiteral("K"),
                    QStringLiteral("abc") + QChar(0) + QStringLiteral("def"));
    EXPECT_EQ(store.ReadText(QStringLiteral("S"), QStringLiteral("K"), {}), QStringLiteral("abc"));
}

TEST_F(SettingsStoreTest, StoreHoldingOnlyAnUnrelatedSectionIsNotSeeded)
{
    SettingsStore store;
    store.WriteText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), QStringLiteral("scott"));
    EXPECT_TRUE(store.HasSections());
}

TEST_F(SettingsStoreTest, UnchangedWriteLeavesTheFileUntouched)
{
    SettingsStore store;
    store.WriteNumber(QStringLiteral("QRYFIELDS"), QStringLiteral("EMPNO->WIDTH"), 64);
    const QString wal = SettingsStore::defaultPath() + QStringLiteral("-wal");
    const qint64 before = QFileInfo(wal).size();
    for (int i = 0; i < 50; ++i)
        store.WriteNumber(QStringLiteral("qryfields"), QStringLiteral("EMPNO->WIDTH"), 64);
    EXPECT_EQ(QFileInfo(wal).size(), before);
    store.WriteNumber(QStringLiteral("QRYFIELDS"), QStringLiteral("EMPNO->WIDTH"), 65);
    EXPECT_GT(QFileInfo(wal).size(), before);
}

TEST_F(SettingsStoreTest, ReadOnlyFileGivesTheErrorTexts)
{
    {
        SettingsStore store;
        store.WriteText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), QStringLiteral("scott"));
    }
    const QString path = SettingsStore::defaultPath();
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    // Root writes read-only files, so the scenario runs as an unprivileged user when we are root.
    ASSERT_EQ(0, runAsUnprivileged(home.path(), [&] {
                  ::chmod(QFile::encodeName(path).constData(), 0400);
                  SettingsStore store;
                  if (store.ReadText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"), {}) !=
                      QStringLiteral("scott"))
                      return 1;
                  try {
                      store.WriteText(QStringLiteral("LOGIN"), QStringLiteral("USERNAME"),
                                      QStringLiteral("tiger"));
                      return 2;
                  } catch (const SettingsError& e) {
                      if (QString::fromUtf8(e.what()) != QStringLiteral("Failed to set data for 'USERNAME'"))
                          return 3;
                  }
                  try {
                      store.WriteText(QStringLiteral("NEW"), QStringLiteral("K"), QStringLiteral("v"));
                      return 4;
                  } catch (const SettingsError& e) {
                      if (QString::fromUtf8(e.what()) != QStringLiteral("Failed to create key NEW"))
                          return 5;
                  }
                  return 0;
              }));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(SettingsStoreTest, FileThatIsNotADatabaseIsNeverReplaced)
{
    QDir().mkpath(SettingsStore::rootFolder());
    const QString path = SettingsStore::defaultPath();
    const QByteArray junk = QByteArray("this is not a database, it is a letter\n").repeated(200);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    SettingsStore store;
    EXPECT_THROW(store.ReadText(QStringLiteral("A"), QStringLiteral("B"), {}), SettingsError);
    try {
        store.WriteText(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("c"));
        FAIL();
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(), "Failed to create key A");
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), junk);
}

TEST_F(SettingsStoreTest, FolderThatCannotBeCreatedGivesTheRootError)
{
    // A file where the root folder should be.
    QFile blocker(home.configFolder() + QStringLiteral("/VEMRA"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        SettingsStore store;
        FAIL();
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(), "Failed to create key VEMRA");
    }
    // The file in the way is neither removed nor written to.
    const QFileInfo after(blocker.fileName());
    EXPECT_TRUE(after.isFile());
    EXPECT_EQ(after.size(), 0);
}

TEST_F(SettingsStoreTest, ASecondProcessWritingAtTheSameTimeLosesNothing)
{
    {
        SettingsStore store;
        store.SeedDefaults();
    }
    // The sqlite3 shell stands in for a second copy of the program, writing through its own file handle.
    QStringList script;
    for (int i = 0; i < 300; ++i)
        script << QStringLiteral("INSERT INTO entries VALUES ('QRYFIELDS', 'OTHER%1->WIDTH', '%1', "
                                 "'qryfields', 'other%1->width');")
                      .arg(i);
    QProcess other;
    other.start(QStringLiteral("sqlite3"),
                {QStringLiteral("-cmd"), QStringLiteral(".timeout 5000"), SettingsStore::defaultPath()});
    ASSERT_TRUE(other.waitForStarted());
    other.write(script.join(u'\n').toUtf8());
    other.closeWriteChannel();
    for (int i = 0; i < 300; ++i) {
        SettingsStore store;
        store.WriteNumber(QStringLiteral("QRYFIELDS"), QStringLiteral("MINE%1->WIDTH").arg(i), i);
    }
    ASSERT_TRUE(other.waitForFinished(30000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();
    SettingsStore store;
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(store.ReadNumber(QStringLiteral("QRYFIELDS"), QStringLiteral("MINE%1->WIDTH").arg(i), -1),
                  i);
        EXPECT_EQ(store.ReadNumber(QStringLiteral("QRYFIELDS"), QStringLiteral("OTHER%1->WIDTH").arg(i), -1),
                  i);
    }
}

namespace {

QString Folded(const Schema::KeyRow& row)
{
    return row.section.toCaseFolded() + u'/' + row.key.toCaseFolded();
}

TEST(SettingsSchema, NoTwoKeysOfOneName)
{
    QStringList seen;
    for (const Schema::KeyRow& row : Schema::Keys()) {
        EXPECT_FALSE(seen.contains(Folded(row))) << qPrintable(Folded(row)) << " stands twice";
        seen.append(Folded(row));
    }
    EXPECT_EQ(seen.size(), 67);
}

TEST(SettingsSchema, ReadDefaultsAreTheFirstRunValuesButForTheTextColour)
{
    int seeded = 0;
    for (const Schema::KeyRow& row : Schema::Keys()) {
        if (!row.firstRun)
            continue;
        ++seeded;
        if (row.section == Schema::Section::General && row.key == Schema::General::FontColor.name) {
            EXPECT_EQ(*row.firstRun, QStringLiteral("0"));
            EXPECT_EQ(row.readDefault, QStringLiteral("16711680"));
            continue;
        }
        EXPECT_EQ(row.readDefault, *row.firstRun) << qPrintable(Folded(row));
    }
    EXPECT_EQ(seeded, 39);
}

TEST(SettingsSchema, ValuesOfNumbersAndFlagsAreWhatTheStoreWrites)
{
    for (const Schema::KeyRow& row : Schema::Keys()) {
        if (row.type == Schema::KeyRow::Type::Text)
            continue;
        const int value = SettingsStore::ParseNumber(row.readDefault, INT_MIN);
        EXPECT_NE(value, INT_MIN) << qPrintable(Folded(row));
        EXPECT_EQ(QString::number(value), row.readDefault) << qPrintable(Folded(row));
        if (row.type == Schema::KeyRow::Type::Flag) {
            EXPECT_TRUE(value == 0 || value == 1) << qPrintable(Folded(row));
        }
    }
}

TEST_F(SettingsStoreTest, TypedKeysReadTheirDefaultThenWhatWasWritten)
{
    SettingsStore store;
    EXPECT_EQ(store.Read(Schema::General::FontColor), 16711680);
    EXPECT_EQ(store.Read(Schema::Grid::Left), -699);
    EXPECT_EQ(store.Read(Schema::Location::Width), 640);
    EXPECT_TRUE(store.Read(Schema::Dialogs::FindDialogFromTop));
    EXPECT_EQ(store.Read(Schema::Printer::U_Orientation), QStringLiteral("poLandscape"));
    EXPECT_EQ(store.ReadOr(Schema::Dialogs::OpenDialogPath, QStringLiteral("/opt/")),
              QStringLiteral("/opt/"));
    EXPECT_FALSE(store.HasSections());
    store.SeedDefaults();
    EXPECT_EQ(store.Read(Schema::General::FontColor), 0);
    store.Write(Schema::General::FontColor, 255);
    store.Write(Schema::Location::Maximized, true);
    store.Write(Schema::Search::History(2), QStringLiteral("SMITH"));
    EXPECT_EQ(store.ReadText(QStringLiteral("general"), QStringLiteral("FONTCOLOR"), {}),
              QStringLiteral("255"));
    EXPECT_EQ(store.ReadText(QStringLiteral("LOCATION"), QStringLiteral("MAXIMIZED"), {}),
              QStringLiteral("1"));
    EXPECT_EQ(store.ReadText(QStringLiteral("SEARCH"), QStringLiteral("History2"), {}),
              QStringLiteral("SMITH"));
    EXPECT_FALSE(store.Read(Schema::Grid::Maximized)) << "the same name in another section";
}

TEST_F(SettingsStoreTest, TheRunsStoreOpensItsOwnFileForEachOperation)
{
    const QString path = home.path() + QStringLiteral("/elsewhere/run.sqlite3");
    const Settings settings(path);
    settings.open().Write(Schema::Login::UserName, QStringLiteral("SCOTT"));
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(settings.open().Read(Schema::Login::UserName), QStringLiteral("SCOTT"));
    EXPECT_FALSE(SettingsStore().HasSections()) << "the user's file is not touched";
}

} // namespace
