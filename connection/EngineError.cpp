#include "connection/EngineError.h"

#include <QStringList>

namespace {

std::string joinedMessages(const QList<EngineError::Entry>& entries)
{
    QStringList messages;
    for (const EngineError::Entry& entry : entries)
        messages.append(entry.message);
    return messages.join(QLatin1Char('\n')).toStdString();
}

} // namespace

EngineError::EngineError(QList<Entry> entries)
    : std::runtime_error(joinedMessages(entries)), m_entries(std::move(entries))
{
}

EngineError::EngineError(const QString& code, int nativeError, const QString& message)
    : EngineError(QList<Entry>{Entry{code, nativeError, message}})
{
}

ResultTooLarge::ResultTooLarge(qint64 rowsFetched)
    : EngineError(QStringLiteral("HY001"), 0,
                  QStringLiteral("The result did not fit in memory after %1 rows. The rows fetched were "
                                 "let go; narrow the statement (a WHERE clause, fewer columns) and run it "
                                 "again.")
                      .arg(rowsFetched)),
      m_rowsFetched(rowsFetched)
{
}

namespace EngineFailure {

EngineError ConnectionLost()
{
    return EngineError(
        QStringLiteral("08003"), 0,
        QStringLiteral("The connection to the database was lost. Log in again with Change Data Source."));
}

EngineError Cancelled()
{
    return EngineError(QStringLiteral("HY008"), 0, QStringLiteral("The statement was cancelled."));
}

EngineError ConnectCancelled()
{
    return EngineError(QStringLiteral("HY008"), 0,
                       QStringLiteral("Connecting to the database was cancelled."));
}

EngineError ConnectTimedOut(qint64 seconds)
{
    return EngineError(QStringLiteral("HYT00"), 0,
                       QStringLiteral("The database server did not answer within %1 seconds.").arg(seconds));
}

QString NoReasonGiven()
{
    return QStringLiteral("The database engine refused the statement without giving a reason.");
}

EngineError ServerDidNotAnswer()
{
    return EngineError(QStringLiteral("08006"), 0,
                       QStringLiteral("The database server did not answer the cancel, so the connection "
                                      "to it was closed. The next statement connects again."));
}

EngineError CopyRefused()
{
    return EngineError(QStringLiteral("0A000"), 0,
                       QStringLiteral("COPY ... TO STDOUT and COPY ... FROM STDIN cannot run here: this "
                                      "program does not send or receive the data of a COPY. Copy to or "
                                      "from a file on the server, or select the rows instead."));
}

} // namespace EngineFailure
