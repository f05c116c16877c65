#pragma once

#include <QDateTime>
#include <QString>

#include <stdexcept>
#include <vector>

/// One executed statement as the history keeps it.
struct HistoryEntry
{
    enum class Kind
    {
        Rows,     ///< a result: count is its rows
        Affected, ///< a command: count is the rows it affected, -1 when the engine does not say
        Error,    ///< it failed: error is the first line of the engine's message
    };

    /// The text as it was executed, its :name markers unfilled: values never reach the history.
    QString statement;
    QString dataSource;
    QString user;
    QDateTime start;
    qint64 durationMs = 0;
    Kind kind = Kind::Rows;
    qint64 count = 0;
    QString error;

    /// "12 rows", "3 affected", "done" or the error line.
    QString outcomeText() const;
};

/// A failure of the history file; what() names the file and the engine's reason.
class HistoryError : public std::runtime_error
{
public:
    explicit HistoryError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

/// The executed statements of every run, newest kept, in an SQLite file of their own.
///
/// Each operation opens the file for itself (WAL journal, busy timeout), so that any number of
/// running copies of the program add to one file without failing each other. The folder is made
/// 0700 and the file 0600: statements may name what the user keeps private.
class SqlHistory final
{
public:
    static constexpr int kKept = 10000;

    explicit SqlHistory(QString filePath = defaultPath(), int kept = kKept);

    /// history.sqlite3 in the program's folder under the user's data folder.
    static QString defaultPath();
    const QString& filePath() const { return m_filePath; }

    /// Adds an entry and lets the oldest go beyond the kept count. Throws HistoryError.
    void record(const HistoryEntry& entry) const;
    /// Every kept entry, the newest first. A file not made yet gives none. Throws HistoryError.
    std::vector<HistoryEntry> newestFirst() const;

    /// The text up to the first line break, trimmed.
    static QString FirstLine(const QString& text);

private:
    QString m_filePath;
    int m_kept;
};
