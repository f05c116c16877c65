#pragma once

#include <QString>

#include <optional>
#include <stdexcept>

/// A failure to keep or read the editor's text; what() names the file and the reason.
class RecoveryFileError : public std::runtime_error
{
public:
    explicit RecoveryFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

/// A file in the user's data folder that keeps the editor's text between runs, so that text
/// typed but never saved survives an exit or a crash. Each running copy of the program has its
/// own (see RecoveryCopy).
///
/// The text is stored as it is, UTF-8, without any line-end conversion, and read back unchanged.
/// Each write replaces the whole file atomically (a temporary file renamed over it), so a crash
/// leaves either the old text or the new one. The file is private (0600); a folder it creates is 0700.
namespace RecoveryFile {

/// VEMRA/editor-recovery in the user's data folder, beside the Sample database: one file per copy.
QString DefaultFolder();
/// VEMRA/editor-recovery.sql: the one file that every copy shared before each had its own.
QString LegacyPath();
/// Creates folder (and its parents) if missing; a folder it creates is 0700. Throws RecoveryFileError.
void MakeFolder(const QString& folder);

/// Keeps text in the file at path; an empty text removes the file. Throws RecoveryFileError.
void Write(const QString& path, const QString& text);
/// The text kept at path; nullopt when there is none (no file, or an empty one). Throws
/// RecoveryFileError when a file is there but cannot be read.
std::optional<QString> Read(const QString& path);

} // namespace RecoveryFile
