// A settings store that is damaged before the program starts: one box names the file and offers
// to move it aside; either answer lets the user log in and work, and the damaged file is never
// deleted or changed.
#include "ProgramFixture.h"

#include "settings/SettingsCheck.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/FilePermissionsEnforced.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>

#include <sqlite3.h>

#include <random>

namespace {

enum class Damage
{
    Truncated,
    RandomBytes,
    Folder,
    Unreadable,
    ForeignDatabase,
    FileInPlaceOfFolder,
};

struct DamageCase
{
    Damage damage;
    const char* name;
};

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

/// A store that has been used: seeded, with a last login.
void UsedStore()
{
    SettingsStore store;
    store.SeedDefaults();
    store.WriteText(Schema::Section::Login, Schema::Login::UserName, QStringLiteral("scott"));
}

/// Puts the damage in place; returns the path that is damaged (the file, or the blocking file).
QString Inflict(Damage damage)
{
    const QString path = SettingsStore::defaultPath();
    switch (damage) {
    case Damage::Truncated: {
        UsedStore();
        const qint64 size = QFileInfo(path).size();
        QFile(path).resize(size / 2);
        return path;
    }
    case Damage::RandomBytes: {
        QDir().mkpath(SettingsStore::rootFolder());
        std::mt19937 random(18);
        QByteArray bytes(5000, Qt::Uninitialized);
        for (char& b : bytes)
            b = char(random());
        WriteFile(path, bytes);
        return path;
    }
    case Damage::Folder:
        QDir().mkpath(path);
        WriteFile(path + QStringLiteral("/inside.txt"), "kept");
        return path;
    case Damage::Unreadable:
        UsedStore();
        QFile::setPermissions(path, {});
        return path;
    case Damage::ForeignDatabase: {
        QDir().mkpath(SettingsStore::rootFolder());
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(
            db,
            "CREATE TABLE orders (id INTEGER PRIMARY KEY, total REAL); INSERT INTO orders VALUES (1, 9.5)",
            nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return path;
    }
    case Damage::FileInPlaceOfFolder: {
        const QString folder = QDir::cleanPath(SettingsStore::rootFolder());
        WriteFile(folder, "not a folder");
        return folder;
    }
    }
    return {};
}

/// What a damaged path holds, to see that nothing of it changed.
QByteArray Contents(const QString& path)
{
    if (QFileInfo(path).isDir())
        return FileBytes(path + QStringLiteral("/inside.txt"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return FileBytes(path);
}

class DamagedSettingsTest : public ProgramTest, public ::testing::WithParamInterface<DamageCase>
{
protected:
    void TearDown() override
    {
        ProgramTest::TearDown();
        SettingsStore::useFile();
    }

    bool toolbarFlag()
    {
        return SettingsStore().ReadFlag(Schema::Section::General, Schema::General::ShowToolbar, true);
    }
};

TEST_P(DamagedSettingsTest, OneBoxNamesTheFileAndTheUserGetsIn)
{
    for (const BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Yes}) {
        SCOPED_TRACE(answer == BoxAnswer::Yes ? "moved aside" : "kept in place");
        // Each answer on a store damaged afresh.
        QDir(home.configFolder()).removeRecursively();
        QDir().mkpath(home.configFolder());
        const QString damaged = Inflict(GetParam().damage);
        std::optional<FilePermissionsEnforced> enforced;
        if (GetParam().damage == Damage::Unreadable) {
            enforced.emplace();
            ASSERT_TRUE(enforced->active());
        }
        const std::optional<SettingsDamage> found = FindSettingsDamage(SettingsStore::defaultPath());
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->path, damaged);

        desktop.expectBox(BoxKind::Confirmation, answer);
        start();
        desktop.verify();
        ASSERT_EQ(desktop.boxes.size(), 1u) << "said once";
        const QString text = desktop.boxes.front().text;
        EXPECT_TRUE(text.contains(damaged)) << text.toStdString();
        EXPECT_TRUE(text.contains(QFileInfo(damaged).fileName() + QStringLiteral(".damaged")))
            << text.toStdString();
        EXPECT_EQ(desktop.boxes.front().buttons, BoxButtons::YesNo);
        EXPECT_TRUE(startup->login().isVisible());

        logIntoSample();
        ASSERT_TRUE(main().isVisible()) << "the login reaches the main window";
        EXPECT_EQ(main().REDT_QueryTool->font().pointSize(), 10) << "the default settings";
        // A choice made in the run is kept for the run.
        fromEventLoop([&] { main().MI_Toolbar->trigger(); });
        EXPECT_FALSE(toolbarFlag());
        EXPECT_EQ(desktop.boxes.size(), 1u) << "no further box";
        enforced.reset();

        const QString keptAs = damaged + QStringLiteral(".damaged");
        if (answer == BoxAnswer::No) {
            EXPECT_TRUE(SettingsStore::usesMemory());
            EXPECT_FALSE(QFileInfo::exists(keptAs));
        } else {
            // A new store took the file's place and holds what the run wrote.
            EXPECT_FALSE(SettingsStore::usesMemory());
            EXPECT_TRUE(QFileInfo(SettingsStore::defaultPath()).isFile());
            SettingsStore::useFile();
            EXPECT_FALSE(toolbarFlag());
            EXPECT_EQ(SettingsStore().ReadText(Schema::Section::Login, Schema::Login::UserName, {}),
                      QStringLiteral("scott"));
        }
        const QString still = answer == BoxAnswer::No ? damaged : keptAs;
        EXPECT_TRUE(QFileInfo::exists(still)) << "never deleted";
        EXPECT_NE(Contents(still), QByteArray("<unreadable>"));
        startup.reset();
        SettingsStore::useFile();
        desktop.boxes.clear();
    }
}

TEST_P(DamagedSettingsTest, TheDamagedFileKeepsEveryByte)
{
    const QString damaged = Inflict(GetParam().damage);
    const QByteArray before = Contents(damaged);
    // The first start is answered No, the next one asks again and is answered Yes.
    for (const BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Yes}) {
        std::optional<FilePermissionsEnforced> enforced;
        if (GetParam().damage == Damage::Unreadable) {
            QFile::setPermissions(damaged, {});
            enforced.emplace();
        }
        desktop.expectBox(BoxKind::Confirmation, answer);
        start();
        logIntoSample();
        ASSERT_TRUE(main().isVisible());
        startup.reset();
        enforced.reset();
        desktop.verify();
        EXPECT_EQ(Contents(answer == BoxAnswer::No ? damaged : damaged + QStringLiteral(".damaged")), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedSettingsTest,
                         ::testing::Values(DamageCase{Damage::Truncated, "Truncated"},
                                           DamageCase{Damage::RandomBytes, "RandomBytes"},
                                           DamageCase{Damage::Folder, "Folder"},
                                           DamageCase{Damage::Unreadable, "Unreadable"},
                                           DamageCase{Damage::ForeignDatabase, "ForeignDatabase"},
                                           DamageCase{Damage::FileInPlaceOfFolder, "FileInPlaceOfFolder"}),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

} // namespace
