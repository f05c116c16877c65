#include "settings/SettingsRescue.h"

#include "platform/Desktop.h"
#include "settings/Settings.h"
#include "settings/SettingsCheck.h"
#include "settings/SettingsStore.h"

#include <QFileInfo>

void RescueDamagedSettings(const Settings& settings, Desktop& desktop, QWidget* parent)
{
    const std::optional<SettingsDamage> damage = FindSettingsDamage(settings.filePath());
    if (!damage)
        return;
    SettingsStore::useMemoryForRun(settings.filePath());
    const QString keptAs = AsideName(damage->path);
    const QString question =
        QStringLiteral("The settings file %1 cannot be used: %2.\r\r"
                       "The program runs on its default settings for now; what you change is kept "
                       "only until it ends.\r\r"
                       "Move the damaged file aside (it is kept as %3) and start a new settings file?")
            .arg(damage->path, damage->reason, QFileInfo(keptAs).fileName());
    if (desktop.messageBox(BoxKind::Confirmation, question, BoxButtons::YesNo, parent) != BoxAnswer::Yes)
        return;
    try {
        MoveAside(damage->path, keptAs);
        SettingsStore::useFile();
        // Opening creates the new file; should that fail too, the run stays in memory.
        settings.open().HasSections();
    } catch (const std::exception& failure) {
        SettingsStore::useMemoryForRun(settings.filePath());
        desktop.messageBox(BoxKind::Error,
                           QStringLiteral("The settings file %1 could not be moved aside: %2.\r\r"
                                          "Move or remove it yourself; until then the program runs on "
                                          "its default settings.")
                               .arg(damage->path, QString::fromUtf8(failure.what())),
                           BoxButtons::Ok, parent);
    }
}
