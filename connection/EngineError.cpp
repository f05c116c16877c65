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
