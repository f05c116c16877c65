#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <optional>

#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

namespace Schema {
template <typename T> struct Key;
}

/// A failure of the settings medium; what() is the user-facing text ("Failed to set data for 'X'").
class SettingsError : public std::runtime_error
{
public:
    explicit SettingsError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

/// One operation's view of the per-user settings store under the root "VEMRA".
///
/// Open one for the reads and writes of a single handler and let it go at the end: nothing is
/// cached, every read consults the file and every write is committed before it returns. Section
/// and key names match without regard to case and keep the spelling of their first write.
class SettingsStore final
{
public:
    /// Opens the store at defaultPath() (tests, tools); the program opens it through Settings.
    SettingsStore();
    /// Told once, with a text for the user, when the run's store fails and the run goes on in memory.
    using FallbackNotice = std::function<void(const QString& text)>;

    /// Opens the store at a file path, creating its folder (0700) and the file (0600); a path
    /// the run keeps in memory (useMemoryForRun()) opens that memory. A failure of the medium
    /// throws SettingsError.
    explicit SettingsStore(const QString& filePath);
    /// The run's store: when the file cannot be opened, read or written, the operation does not
    /// fail. The run's entries move to memory for the rest of the run, starting from what the file
    /// still gives, the operation is done there, and notice is told why.
    SettingsStore(const QString& filePath, FallbackNotice notice);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    /// The root folder "VEMRA" in the user's configuration folder, ending in "/".
    static QString rootFolder();
    static QString defaultPath();

    /// For the rest of the run (or until useFile()), stores opened on this file keep their
    /// entries in memory, starting empty: the file is damaged and stays untouched. Only for this
    /// one path: a store of another file uses its file.
    static void useMemoryForRun(const QString& filePath = defaultPath());
    /// Stores opened on that file use the file again.
    static void useFile();
    static bool usesMemory();

    QString ReadText(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteText(const QString& section, const QString& key, const QString& value);
    int ReadNumber(const QString& section, const QString& key, int defaultValue) const;
    void WriteNumber(const QString& section, const QString& key, int value);
    bool ReadFlag(const QString& section, const QString& key, bool defaultValue) const;
    void WriteFlag(const QString& section, const QString& key, bool value);

    /// The schema's fixed keys: a missing or unparsable entry reads as the key's read default.
    QString Read(const Schema::Key<QString>& key) const;
    int Read(const Schema::Key<int>& key) const;
    bool Read(const Schema::Key<bool>& key) const;
    /// A key whose read default only the run knows (a folder of the program).
    QString ReadOr(const Schema::Key<QString>& key, const QString& runTimeDefault) const;
    void Write(const Schema::Key<QString>& key, const QString& value);
    void Write(const Schema::Key<int>& key, int value);
    void Write(const Schema::Key<bool>& key, bool value);

    /// True when the root holds at least one section.
    bool HasSections() const;
    /// Writes the first-run entries of the schema, in their fixed order.
    void SeedDefaults();

    /// Number parsing of stored texts: decimal with optional sign after leading blanks, or
    /// "$"/"0x" hexadecimal; anything else, or a value outside 32 bits, gives the default.
    static int ParseNumber(const QString& text, int defaultValue);

    /// What the user is told when the store at path fails: the failure's own text, the file, and
    /// what the run does instead. written tells a refused write from a refused read.
    static QString FallbackText(const QString& failure, const QString& path, bool written,
                                const QString& reason);

private:
    void open(const QString& filePath);
    void openMemory(const QByteArray& uri) const;
    void prepareSchema() const;
    void closeDatabase() const;
    /// Throws SettingsError with message, keeping the engine's own reason for the user.
    [[noreturn]] void fail(const QString& message) const;
    /// Runs one operation; a failure of the file moves the run to memory and runs it again there.
    template <typename Operation> auto guarded(bool writes, Operation operation) const;
    void fallBack(const SettingsError& failure, bool writes) const;
    QString readTextFrom(const QString& section, const QString& key, const QString& defaultValue) const;
    void writeTextTo(const QString& section, const QString& key, const QString& value);
    bool hasSections() const;
    std::optional<QByteArray> storedBytes(const QByteArray& sectionFold, const QByteArray& keyFold,
                                          const QString& key) const;

    enum CachedStatement
    {
        kSelectValue,
        kUpsert,
        kProbeSection,
        kAnySection,
        kStatementCount
    };
    // A const operation may move the store to memory: the connection changes, the store's content
    // as its user sees it does not.
    mutable sqlite3* m_db = nullptr;
    // Prepared once per store object; a handler's burst of reads and writes reuses them.
    mutable std::array<sqlite3_stmt*, kStatementCount> m_statements{};
    mutable QString m_path;
    QString m_filePath;
    FallbackNotice m_notice;
    /// Why the last operation failed, in the engine's or the system's words.
    mutable QString m_reason;
};
