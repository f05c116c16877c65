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

/// The file in the user's data folder that keeps the editor's text between runs, so that text
/// typed but never saved survives an exit or a crash.
///
/// The text is stored as it is, UTF-8, without any line-end conversion, and read back unchanged.
/// Each write replaces the whole file atomically (a temporary file renamed over it), so a crash
/// leaves either the old text or the new one. Two running copies of the program share the file:
/// the copy that wrote last wins. The file is private (0600); a folder it creates is 0700.
namespace RecoveryFile {

/// VEMRA/editor-recovery.sql in the user's data folder, beside the Sample database.
QString DefaultPath();

/// Keeps text in the file at path; an empty text removes the file. Throws RecoveryFileError.
void Write(const QString& path, const QString& text);
/// The text kept at path; nullopt when there is none (no file, or an empty one). Throws
/// RecoveryFileError when a file is there but cannot be read.
std::optional<QString> Read(const QString& path);

} // namespace RecoveryFile
