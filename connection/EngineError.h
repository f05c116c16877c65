#pragma once

#include <QList>
#include <QString>

#include <stdexcept>

/// A failure reported by a database engine: its entries in the order the driver gave them.
/// what() holds the messages joined by line breaks (for logs and the general error box).
class EngineError : public std::runtime_error
{
public:
    struct Entry
    {
        // Not explicit: entries are written as {code, native, message}.
        Entry(QString code = {}, int nativeError = 0, QString message = {})
            : code(std::move(code)), nativeError(nativeError), message(std::move(message))
        {
        }

        QString code; ///< SQLSTATE or the engine's own error code, as text
        int nativeError;
        QString message; ///< the primary message
        // What some engines add: shown with the message where present.
        QString severity; ///< as the engine names it ("ERROR", "FATAL", ...)
        QString detail;
        QString hint;
        int position = 0; ///< 1-based character of the statement the error points at; 0 for none
    };

    explicit EngineError(QList<Entry> entries);
    /// A single-entry error.
    EngineError(const QString& code, int nativeError, const QString& message);

    const QList<Entry>& entries() const { return m_entries; }

private:
    QList<Entry> m_entries;
};

/// A result whose rows did not fit in memory. The rows fetched were let go and the connection
/// stays usable; running the statement again would only fail again, so no second attempt is made.
class ResultTooLarge final : public EngineError
{
public:
    explicit ResultTooLarge(qint64 rowsFetched);
    qint64 rowsFetched() const { return m_rowsFetched; }

private:
    qint64 m_rowsFetched;
};

/// A failure of the engine wrapper itself, such as "No value for parameter 'X'": no entries.
class WrapperError : public std::runtime_error
{
public:
    explicit WrapperError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

/// The failures every driver reports in the same words.
namespace EngineFailure {
/// The session is gone (SQLSTATE 08003); the user must log in again.
EngineError ConnectionLost();
/// A statement the user stopped before the engine could (HY008).
EngineError Cancelled();
/// Connecting stopped by the user (HY008).
EngineError ConnectCancelled();
/// No connection within the time allowed (HYT00).
EngineError ConnectTimedOut(qint64 seconds);
/// For a refusal that came without any message.
QString NoReasonGiven();
/// The server did not stop a statement after the user's cancel, so the program closed the
/// connection itself (08006); the next statement connects again.
EngineError ServerDidNotAnswer();
/// A COPY whose data would have to flow through the program (0A000).
EngineError CopyRefused();
} // namespace EngineFailure
