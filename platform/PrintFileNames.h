#pragma once

#include <QString>

#include <optional>

/// The folder printouts go to when nobody chose one: the documents folder, or the home folder
/// when there is none.
QString PrintoutFolder();

/// A file name made of a title: characters that a file name cannot hold, or that other systems
/// refuse, become "_"; leading and trailing spaces and dots go; fallback when nothing is left.
QString SafeFileBaseName(const QString& title, const QString& fallback);

/// The first of "base.suffix", "base (2).suffix", "base (3).suffix" ... in folder that does not
/// exist yet.
QString FreeFileName(const QString& folder, const QString& base, const QString& suffix);

/// Like FreeFileName, but creates the file, empty, so that nothing else takes the name before it
/// is written; nullopt when the folder does not take a new file, with the system's reason in
/// reason when given.
std::optional<QString> ReserveFreeFile(const QString& folder, const QString& base, const QString& suffix,
                                       QString* reason = nullptr);
