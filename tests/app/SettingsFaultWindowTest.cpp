// Faults of the settings file while the real program runs: one box names the file, the failure
// and its reason; the run goes on in memory, usable and able to quit; and the file is never
// truncated or replaced.
#include "ProgramFixture.h"
#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "platform/VemraApplication.h"
#include "query/query.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/FilePermissionsEnforced.h"
#include "support/ModalAnswer.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace {

enum class Fault
{
    ReadOnly,           ///< the file's permission bits forbid writing
    Locked,             ///< another process holds the write lock past the busy timeout
    NotADatabase,       ///< the file holds something else
    FolderNotCreatable, ///< a plain file stands where the root folder belongs
    FileImmutable,      ///< the file may not be changed, by root neither (chattr +i)
    FolderFull,         ///< no file can be made in the folder (chattr +i), as on a full disk:
                        ///< the engine cannot make the side files it needs even to read
};

const char* FaultName(Fault f)
{
    switch (f) {
    case Fault::ReadOnly:
        return "read-only";
    case Fault::Locked:
        return "locked";
    case Fault::NotADatabase:
        return "not a database";
    case Fault::FolderNotCreatable:
        return "folder not creatable";
    case Fault::FileImmutable:
        return "file immutable";
    case Fault::FolderFull:
        return "folder full";
    }
    return "?";
}

using Entries = std::map<std::pair<QString, QString>, QString>;

/// Every entry of the settings file, read with the sqlite3 API (not through the store).
Entries ReadEntries(const QString& path)
{
    Entries entries;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT section, key, value FROM entries", -1, &st, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                auto text = [st](int i) {
                    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
                };
                entries[{text(0), text(1)}] = text(2);
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return entries;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// chattr on path; false where the file system or the capabilities do not allow it.
bool Chattr(const char* flag, const QString& path)
{
    QProcess chattr;
    chattr.start(QStringLiteral("chattr"), {QString::fromLatin1(flag), path});
    return chattr.waitForFinished(5000) && chattr.exitStatus() == QProcess::NormalExit &&
           chattr.exitCode() == 0;
}

const QByteArray kJunk =
    QByteArray("Dear settings store, this is a letter and not a database.\n").repeated(100);

/// Puts one fault on the settings file while it lives, and takes it away again.
class SettingsFault final
{
public:
    explicit SettingsFault(Fault fault) : m_fault(fault)
    {
        const QString path = SettingsStore::defaultPath();
        const QString folder = QDir::cleanPath(SettingsStore::rootFolder());
        switch (fault) {
        case Fault::ReadOnly:
            QFile::setPermissions(path, QFileDevice::ReadOwner);
            m_enforced = std::make_unique<FilePermissionsEnforced>();
            break;
        case Fault::Locked:
            m_locker.start(QStringLiteral("sqlite3"), {path});
            m_locker.waitForStarted();
            m_locker.write("BEGIN EXCLUSIVE;\nINSERT INTO entries (section, key, value) SELECT 'X', 'Y', 'Z' "
                           "WHERE 0;\nSELECT 'locked';\n");
            m_locker.waitForReadyRead(5000);
            break;
        case Fault::NotADatabase:
            for (const char* suffix : {"", "-wal", "-shm"})
                QFile::rename(path + QLatin1String(suffix),
                              path + QLatin1String(suffix) + QStringLiteral(".kept"));
            {
                QFile f(path);
                f.open(QIODevice::WriteOnly);
                f.write(kJunk);
            }
            break;
        case Fault::FolderNotCreatable:
            QDir().rename(folder, folder + QStringLiteral(".kept"));
            {
                QFile f(folder);
                f.open(QIODevice::WriteOnly);
            }
            break;
        case Fault::FileImmutable:
            m_applied = Chattr("+i", path);
            break;
        case Fault::FolderFull:
            // The program holds no connection between operations: the side files go, and the next
            // operation must make them anew.
            {
                sqlite3* db = nullptr;
                sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
                sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
                sqlite3_close(db);
            }
            for (const char* side : {"-wal", "-shm"})
                QFile::remove(path + QLatin1String(side));
            m_applied = Chattr("+i", folder);
            break;
        }
    }

    /// False when the fault could not be put in place here (chattr refused).
    bool applied() const { return m_applied; }

    /// What the fault left of the file it stood on: the junk is still junk, the blocker still
    /// an empty file (checked before they go away).
    bool leftUntouched() const
    {
        const QString path = SettingsStore::defaultPath();
        switch (m_fault) {
        case Fault::NotADatabase:
            return FileBytes(path) == kJunk;
        case Fault::FolderNotCreatable:
            return QFileInfo(QDir::cleanPath(SettingsStore::rootFolder())).isFile() &&
                   QFileInfo(QDir::cleanPath(SettingsStore::rootFolder())).size() == 0;
        default:
            return true;
        }
    }

    ~SettingsFault()
    {
        const QString path = SettingsStore::defaultPath();
        const QString folder = QDir::cleanPath(SettingsStore::rootFolder());
        switch (m_fault) {
        case Fault::ReadOnly:
            m_enforced.reset();
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            break;
        case Fault::Locked:
            m_locker.write("ROLLBACK;\n.quit\n");
            m_locker.closeWriteChannel();
            m_locker.waitForFinished(5000);
            break;
        case Fault::NotADatabase:
            QFile::remove(path);
            for (const char* suffix : {"", "-wal", "-shm"})
                QFile::rename(path + QLatin1String(suffix) + QStringLiteral(".kept"),
                              path + QLatin1String(suffix));
            break;
        case Fault::FolderNotCreatable:
            QFile::remove(folder);
            QDir().rename(folder + QStringLiteral(".kept"), folder);
            break;
        case Fault::FileImmutable:
            if (m_applied)
                Chattr("-i", path);
            break;
        case Fault::FolderFull:
            if (m_applied)
                Chattr("-i", folder);
            break;
        }
    }

    bool permissionsHold() const { return !m_enforced || m_enforced->active(); }

private:
    Fault m_fault;
    bool m_applied = true;
    QProcess m_locker;
    std::unique_ptr<FilePermissionsEnforced> m_enforced;
};

/// The text each fault gives a write to "GENERAL"/"ShowToolbar", which exists already.
QString WriteError(Fault fault)
{
    switch (fault) {
    case Fault::ReadOnly:
    case Fault::Locked:
    case Fault::FileImmutable:
        return QStringLiteral("Failed to set data for 'ShowToolbar'");
    case Fault::NotADatabase:
    case Fault::FolderFull:
        return QStringLiteral("Failed to create key GENERAL");
    case Fault::FolderNotCreatable:
        return QStringLiteral("Failed to create key VEMRA");
    }
    return {};
}

class SettingsFaultWindowTest : public ProgramTest, public ::testing::WithParamInterface<Fault>
{
protected:
    /// The boxes that named the settings file: one at most for one failing store.
    std::vector<ScriptedDesktop::Box> storeBoxes() const
    {
        std::vector<ScriptedDesktop::Box> named;
        for (const ScriptedDesktop::Box& box : desktop.boxes) {
            if (box.text.contains(SettingsStore::defaultPath()))
                named.push_back(box);
        }
        return named;
    }
    /// The one box: an error that starts with the failure's own text and names the file.
    void expectOneStoreBox(const QString& failure)
    {
        const std::vector<ScriptedDesktop::Box> named = storeBoxes();
        ASSERT_EQ(named.size(), 1u);
        EXPECT_EQ(named[0].kind, BoxKind::Error);
        EXPECT_TRUE(named[0].text.startsWith(failure)) << named[0].text.toStdString();
    }
};

TEST_P(SettingsFaultWindowTest, AFaultDuringTheRunIsShownAndNothingIsLost)
{
    const Fault fault = GetParam();
    start();
    logIntoSample();
    ASSERT_TRUE(main().isVisible());
    const Entries before = ReadEntries(SettingsStore::defaultPath());
    ASSERT_FALSE(before.empty());

    {
        const SettingsFault injected(fault);
        if (!injected.applied())
            GTEST_SKIP() << "chattr is refused here";
        ASSERT_TRUE(injected.permissionsHold());
        // Hiding the tool bar stores the choice; the store fails and says why, once.
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        fromEventLoop([&] { main().MI_Toolbar->trigger(); });
        desktop.verify();
        expectOneStoreBox(WriteError(fault));

        // The program runs on: the window is up and takes typing.
        EXPECT_TRUE(main().isVisible());
        main().REDT_QueryTool->setFocus();
        QTest::keyClicks(main().REDT_QueryTool, QStringLiteral("select 1"));
        EXPECT_EQ(main().editorText(), QStringLiteral("select 1"));
        EXPECT_TRUE(injected.leftUntouched());
    }

    // Every entry is as it was; the run keeps its choices in memory from now on, without a word
    // more, also when the fault is gone.
    EXPECT_TRUE(ReadEntries(SettingsStore::defaultPath()) == before);
    for (int i = 0; i < 2; ++i) {
        fromEventLoop([&] { main().MI_Toolbar->trigger(); });
        EXPECT_EQ(SettingsStore().ReadFlag(Schema::Section::General, Schema::General::ShowToolbar, false),
                  !main().PNL_Top->isHidden());
    }
    desktop.verify();
    EXPECT_EQ(desktop.boxes.size(), 1u);
    EXPECT_TRUE(ReadEntries(SettingsStore::defaultPath()) == before);
}

TEST_P(SettingsFaultWindowTest, AWidthTheStoreRefusedWhilePaintingIsKeptForTheRun)
{
    const Fault fault = GetParam();
    // The others cannot even read the layout; reading faults are covered above.
    if (fault != Fault::ReadOnly && fault != Fault::Locked && fault != Fault::FileImmutable)
        GTEST_SKIP();
    start();
    logIntoSample();
    ASSERT_TRUE(main().isVisible());
    main().REDT_QueryTool->setPlainText(QStringLiteral("select deptno, dname from dept"));
    const QString widthKey = Schema::QryFields::WidthKey(QStringLiteral("DNAME"));
    bool shown = false;
    int widthSeen = 0;
    WhenModal([&](QWidget*) {
        TFRM_Query& window = *ctx.query;
        shown = window.isVisible();
        QCoreApplication::processEvents();
        {
            const SettingsFault injected(fault);
            if (!injected.applied())
                GTEST_SKIP() << "chattr is refused here";
            ASSERT_TRUE(injected.permissionsHold());
            window.setColumnWidth(1, 171);
            for (int paint = 0; paint < 3; ++paint)
                window.DBG_GridDrawColumnCell(1);
            // Activating the window again keeps the user's width, not the stored one.
            window.FormActivate();
            widthSeen = window.columnWidth(1);
            EXPECT_TRUE(desktop.boxes.empty()) << "painting shows no box";
        }
        // The box comes once the painting is over.
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        window.BBN_Close->click();
    });
    main().BBN_ExecuteSQL->click();
    QCoreApplication::processEvents();
    desktop.verify();
    EXPECT_TRUE(shown);
    EXPECT_EQ(widthSeen, 171);
    expectOneStoreBox(QStringLiteral("Failed to set data for '%1'").arg(widthKey));
    // Kept in memory for the run: the next result with that column gets it.
    EXPECT_EQ(SettingsStore().ReadNumber(Schema::Section::QryFields, widthKey, 0), 171);
}

TEST_P(SettingsFaultWindowTest, AStoreThatCannotBeWrittenAtStartUpStillLetsTheUserIn)
{
    const Fault fault = GetParam();
    // A file that is not a store at all is rescued at start-up (DamagedSettingsTest).
    if (fault != Fault::ReadOnly && fault != Fault::Locked && fault != Fault::FileImmutable)
        GTEST_SKIP();
    {
        // A store that has been used: the start-up's seeding is not needed.
        SettingsStore store;
        store.SeedDefaults();
        store.WriteText(Schema::Section::Login, Schema::Login::UserName, QStringLiteral("scott"));
    }
    const Entries before = ReadEntries(SettingsStore::defaultPath());
    ASSERT_FALSE(before.empty());
    {
        const SettingsFault injected(fault);
        if (!injected.applied())
            GTEST_SKIP() << "chattr is refused here";
        ASSERT_TRUE(injected.permissionsHold());
        // Reading works: start-up shows nothing.
        start();
        desktop.verify();
        EXPECT_TRUE(desktop.boxes.empty());
        TFRM_Login& login = startup->login();
        EXPECT_TRUE(login.isVisible());
        EXPECT_EQ(login.EDT_UserName->text(), QStringLiteral("scott"));

        // The login cannot be remembered: that is said once, and the main window opens.
        login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
        login.EDT_UserName->setText(QStringLiteral("adams"));
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
        QCoreApplication::processEvents();
        desktop.verify();
        expectOneStoreBox(QStringLiteral("Failed to set data for 'DATASOURCE'"));
        EXPECT_FALSE(login.isVisible());
        EXPECT_TRUE(main().isVisible());
        EXPECT_FALSE(desktop.ended);
    }
    EXPECT_TRUE(ReadEntries(SettingsStore::defaultPath()) == before);
}

TEST_P(SettingsFaultWindowTest, FromStartToQuitTheFailingStoreIsNamedOnce)
{
    const Fault fault = GetParam();
    if (fault == Fault::NotADatabase || fault == Fault::FolderNotCreatable)
        GTEST_SKIP() << "rescued at start-up (DamagedSettingsTest)";
    {
        SettingsStore store;
        store.SeedDefaults();
        store.WriteText(Schema::Section::Login, Schema::Login::UserName, QStringLiteral("scott"));
        store.Write(Schema::General::ShowToolbar, false);
    }
    const Entries before = ReadEntries(SettingsStore::defaultPath());
    {
        const SettingsFault injected(fault);
        if (!injected.applied())
            GTEST_SKIP() << "chattr is refused here";
        ASSERT_TRUE(injected.permissionsHold());
        // One box for the store, whenever the run first meets the fault, and the question at the end.
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);

        start();
        TFRM_Login& login = startup->login();
        EXPECT_EQ(login.EDT_UserName->text(), QStringLiteral("scott")) << "what the file gives is used";
        logIntoSample();
        ASSERT_TRUE(main().isVisible());
        EXPECT_TRUE(main().PNL_Top->isHidden()) << "the stored option holds";

        // An option changed is kept for the run.
        fromEventLoop([&] { main().MI_Toolbar->trigger(); });
        EXPECT_FALSE(main().PNL_Top->isHidden());

        // Changing the data source works.
        fromEventLoop([&] { main().BBN_ChangeDataSource->click(); });
        ASSERT_TRUE(login.isVisible());
        login.EDT_Password->setText(QStringLiteral("tiger"));
        QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
        EXPECT_FALSE(login.isVisible());

        // A result window opens and closes.
        main().setEditorText(QStringLiteral("select * from dept"));
        bool resultShown = false;
        WhenModal([&](QWidget*) {
            resultShown = ctx.query->isVisible();
            ctx.query->BBN_Close->click();
        });
        main().BBN_ExecuteSQL->click();
        EXPECT_TRUE(resultShown);
        EXPECT_FALSE(ctx.query->isVisible());

        // And the program ends.
        fromEventLoop([&] { main().close(); });
        EXPECT_TRUE(desktop.ended);
        desktop.verify();
        EXPECT_EQ(desktop.boxes.size(), 2u);
        const std::vector<ScriptedDesktop::Box> named = storeBoxes();
        ASSERT_EQ(named.size(), 1u);
        EXPECT_TRUE(named[0].text.startsWith(QStringLiteral("Failed to "))) << named[0].text.toStdString();
        EXPECT_TRUE(SettingsStore().ReadFlag(Schema::Section::General, Schema::General::ShowToolbar, false))
            << "kept for the run";
    }
    EXPECT_TRUE(ReadEntries(SettingsStore::defaultPath()) == before) << "nothing written behind the fault";
}

TEST_P(SettingsFaultWindowTest, AFaultFirstMetAtQuitIsToldBeforeTheProgramEnds)
{
    const Fault fault = GetParam();
    if (fault != Fault::ReadOnly && fault != Fault::FileImmutable)
        GTEST_SKIP();
    start();
    logIntoSample();
    ASSERT_TRUE(main().isVisible());
    const SettingsFault injected(fault);
    if (!injected.applied())
        GTEST_SKIP() << "chattr is refused here";
    ASSERT_TRUE(injected.permissionsHold());
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    // The placement cannot be kept; the user hears so while the program is still there to say it.
    main().BBN_Close->click();
    EXPECT_TRUE(desktop.ended);
    desktop.verify();
    expectOneStoreBox(QStringLiteral("Failed to create key LOCATION"));
}

INSTANTIATE_TEST_SUITE_P(Faults, SettingsFaultWindowTest,
                         ::testing::Values(Fault::ReadOnly, Fault::Locked, Fault::NotADatabase,
                                           Fault::FolderNotCreatable, Fault::FileImmutable,
                                           Fault::FolderFull),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             QString name = QString::fromLatin1(FaultName(info.param));
                             name.remove(u' ').remove(u'-');
                             return name.toStdString();
                         });

} // namespace
