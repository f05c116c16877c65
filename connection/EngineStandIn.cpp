// Temporary stand-in until the engine branch is merged: only what the login dialog needs.
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/EngineError.h"
#include "connection/Query.h"

class DatabaseDriver
{
};

struct Query::Impl
{
};

Connection::Connection(QObject* parent) : QObject(parent) {}
Connection::~Connection() = default;
void Connection::setName(const QString& name) { m_name = name; }
void Connection::connect()
{
    if (m_name != DataSources::kSample)
        throw EngineError(QStringLiteral("08001"), 0, QStringLiteral("no such data source"));
    m_driver = std::make_unique<DatabaseDriver>();
}
void Connection::disconnect()
{
    Q_EMIT aboutToDisconnect();
    m_driver.reset();
}
bool Connection::isConnected() const { return m_driver != nullptr; }

Query::~Query() = default;

EngineError::EngineError(const QString& code, int nativeError, const QString& message)
    : std::runtime_error(message.toStdString()), m_entries{{code, nativeError, message}}
{
}

QStringList DataSources::List(const QStringList& connectionNames)
{
    QStringList names = connectionNames;
    names << kSample;
    names.sort(Qt::CaseInsensitive);
    return names;
}
