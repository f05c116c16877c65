// Faults of the settings file while the real program runs: the failure's text in the general
// error box, the program still running and usable, and the file never truncated or replaced.
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

namespace {

enum class Fault
{
    ReadOnly,           ///< the file's permission bits forbid writing
    Locked,             ///< another process holds the write lock past the busy timeout
    NotADatabase,       ///< the file holds something else
    FolderNotCreatable, ///< a plain file stands where the root folder belongs
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
        }
    }

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
        }
    }

    bool permissionsHold() const { return !m_enforced || m_enforced->active(); }

private:
    Fault m_fault;
    QProcess m_locker;
    std::unique_ptr<FilePermissionsEnforced> m_enforced;
};

/// The text each fault gives a write to "GENERAL"/"ShowToolbar", which exists already.
QString WriteError(Fault fault)
{
    switch (fault) {
    case Fault::ReadOnly:
    case Fault::Locked:
        return QStringLiteral("Failed to set data for 'ShowToolbar'");
    case Fault::NotADatabase:
        return QStringLiteral("Failed to create key GENERAL");
    case Fault::FolderNotCreatable:
        return QStringLiteral("Failed to create key VEMRA");
    }
    return {};
}

class SettingsFaultWindowTest : public ProgramTest, public ::testing::WithParamInterface<Fault>
{
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
        ASSERT_TRUE(injected.permissionsHold());
        // Hiding the tool bar stores the choice; the store fails and says why.
        desktop.expectBox(BoxKind::Error, WriteError(fault), BoxAnswer::Ok);
        fromEventLoop([&] { main().MI_Toolbar->trigger(); });
        desktop.verify();

        // The program runs on: the window is up and takes typing.
        EXPECT_TRUE(main().isVisible());
        main().REDT_QueryTool->setFocus();
        QTest::keyClicks(main().REDT_QueryTool, QStringLiteral("select 1"));
        EXPECT_EQ(main().editorText(), QStringLiteral("select 1"));
        EXPECT_TRUE(injected.leftUntouched());
    }

    // Every entry is as it was, and with the fault gone the same command stores its choice.
    EXPECT_EQ(ReadEntries(SettingsStore::defaultPath()), before);
    for (int i = 0; i < 2; ++i) {
        fromEventLoop([&] { main().MI_Toolbar->trigger(); });
        EXPECT_EQ(SettingsStore().ReadFlag(Schema::Section::General, Schema::General::ShowToolbar, false),
                  !main().PNL_Top->isHidden());
    }
    desktop.verify();
}

TEST_P(SettingsFaultWindowTest, AWidthTheStoreRefusedWhilePaintingIsWrittenAsTheWindowCloses)
{
    const Fault fault = GetParam();
    // The others cannot even read the layout; reading faults are covered above.
    if (fault != Fault::ReadOnly && fault != Fault::Locked)
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
            ASSERT_TRUE(injected.permissionsHold());
            window.setColumnWidth(1, 171);
            for (int paint = 0; paint < 3; ++paint)
                window.DBG_GridDrawColumnCell(1);
            // Activating the window again keeps the user's width, not the stored one.
            window.FormActivate();
            widthSeen = window.columnWidth(1);
            EXPECT_TRUE(desktop.boxes.empty()) << "painting shows no box";
        }
        window.BBN_Close->click();
    });
    main().BBN_ExecuteSQL->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(widthSeen, 171);
    EXPECT_EQ(SettingsStore().ReadNumber(Schema::Section::QryFields, widthKey, 0), 171);
    EXPECT_TRUE(desktop.boxes.empty());
}

TEST_P(SettingsFaultWindowTest, AStoreThatCannotBeWrittenAtStartUpStillLetsTheUserIn)
{
    const Fault fault = GetParam();
    // A file that is not a store at all is rescued at start-up (DamagedSettingsTest).
    if (fault != Fault::ReadOnly && fault != Fault::Locked)
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
        desktop.expectBox(BoxKind::Error, QStringLiteral("Failed to set data for 'DATASOURCE'"),
                          BoxAnswer::Ok);
        QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
        desktop.verify();
        EXPECT_FALSE(login.isVisible());
        EXPECT_TRUE(main().isVisible());
        EXPECT_FALSE(desktop.ended);
    }
    EXPECT_EQ(ReadEntries(SettingsStore::defaultPath()), before);
}

INSTANTIATE_TEST_SUITE_P(Faults, SettingsFaultWindowTest,
                         ::testing::Values(Fault::ReadOnly, Fault::Locked, Fault::NotADatabase,
                                           Fault::FolderNotCreatable),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             QString name = QString::fromLatin1(FaultName(info.param));
                             name.remove(u' ').remove(u'-');
                             return name.toStdString();
                         });

} // namespace
