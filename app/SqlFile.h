#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>

class Desktop;
class QWidget;
class Settings;
struct LoginFacts;

/// A failure to read or write an SQL file; what() is the text the general error box shows.
class SqlFileError : public std::runtime_error
{
public:
    explicit SqlFileError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

/// The SQL file commands without their window: the open and save dialogs with the folders they
/// remember in the settings store and the names they remember for the run, and the file format.
///
/// File format: UTF-8; a file that is not valid UTF-8 is read as Windows-1252, so every byte
/// becomes a character and none is lost. Lines end in CR LF when written; CR LF, LF and a lone CR
/// all end a line when read. Text is "\n"-separated lines, as the editor holds it.
class SqlFile final
{
public:
    SqlFile(Desktop& desktop, const Settings& settings, const LoginFacts& facts);

    /// Runs the open dialog in the remembered folder. On a choice, stores its folder and returns
    /// the path; nullopt when cancelled (nothing stored).
    std::optional<QString> chooseFileToLoad(QWidget* parent);
    /// The same for the save dialog, which asks before replacing an existing file.
    std::optional<QString> chooseFileToSave(QWidget* parent);

    /// The whole file as editor text. Throws SqlFileError "Cannot open file <path>" (with the
    /// reason when path is no regular file: a folder, a device, a pipe), "Failed to Load Stream"
    /// when reading breaks off, or TooLargeText when the text does not fit in memory.
    /// betweenChunks runs after each megabyte read.
    static QString Read(const QString& path, const std::function<void()>& betweenChunks = {});
    /// Writes text through a temporary file that replaces path only when complete, so a failure
    /// leaves the old file as it was. Throws "Cannot create file <path>" or "Failed to Save Stream",
    /// each with the system's reason on a line of its own ("No space left on device").
    static void Write(const QString& path, const QString& text);
    /// The failure for a file of size bytes that does not fit in memory.
    static QString TooLargeText(const QString& path, qint64 size);

    static QString Decode(const QByteArray& bytes);
    static QByteArray Encode(const QString& text);
    /// The folder of a chosen file, ending in "/" ("/" for a file at the root).
    static QString FolderOf(const QString& path);

private:
    Desktop& m_desktop;
    const Settings& m_settings;
    const LoginFacts& m_facts;
    QString m_lastOpenName; ///< the file name last chosen in each dialog, offered again
    QString m_lastSaveName;
};
