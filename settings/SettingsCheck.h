#pragma once

#include <QString>

#include <optional>

/// What stands where the settings store belongs and cannot serve as it.
struct SettingsDamage
{
    QString path;   ///< the damaged file, or the file that stands where the root folder belongs
    QString reason; ///< why it cannot serve, in words for the user
};

/// Looks at the settings store file at path without changing anything: a file in place of its
/// folder; a folder, device or unreadable file in place of the file; a file that is not an SQLite
/// database, a damaged one, or one holding another program's tables. A missing, empty, read-only
/// or locked store is no damage.
std::optional<SettingsDamage> FindSettingsDamage(const QString& path);

/// A free name beside path for keeping it: path + ".damaged", else ".damaged-2", ...
QString AsideName(const QString& path);
/// Renames the damaged path to target, with the SQLite side files of a database; nothing is
/// deleted. Throws SettingsError with the system's reason when the rename fails.
void MoveAside(const QString& path, const QString& target);
