#pragma once

#include <QIODevice>
#include <QString>

/// A file that appears whole or not at all. The bytes go to a hidden temporary file in the same
/// folder, which takes the file's name only once every byte is on the disk; until then a file of
/// that name keeps its content. Unlike QSaveFile it keeps the system's own reason for the first
/// failure ("No space left on device", "File too large", "Permission denied"), also where a write
/// comes out short and no error is set, and it checks that the file holds every byte written.
///
/// Write only. A painter's device may close it before it is committed; close() keeps the bytes.
class WholeFile final : public QIODevice
{
public:
    explicit WholeFile(const QString& path, QObject* parent = nullptr);
    ~WholeFile() override;
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    /// Creates the temporary file; only WriteOnly (Unbuffered implied) is taken.
    bool open(OpenMode mode) override;
    /// Marks the device closed; the temporary file stays for commit().
    void close() override;
    bool isSequential() const override { return true; }

    /// Puts the bytes on the disk and gives them the file's name. False, with reason(), when any
    /// write failed or the file did not come out whole; the temporary file is gone then.
    bool commit();
    /// Drops what was written; the file keeps what it had.
    void discard();

    QString path() const { return m_path; }
    /// Why writing failed, in the system's words; empty while nothing failed.
    QString reason() const { return m_reason; }
    qint64 bytesWritten() const { return m_written; }
    /// The temporary file's descriptor while open, for its mode; -1 otherwise.
    int handle() const { return m_fd; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    /// Keeps the first failure: later ones follow from it.
    void fail(int error);
    void fail(const QString& reason);
    void removeTemporary();

    QString m_path;
    QString m_temporary;
    int m_fd = -1;
    qint64 m_written = 0;
    QString m_reason;
    bool m_committed = false;
};

/// A message about a file with the system's reason on a line of its own; the message alone when
/// the reason is not known.
QString WithReason(const QString& message, const QString& reason);
