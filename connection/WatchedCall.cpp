#include "connection/WatchedCall.h"

#include "connection/Connection.h"

WatchedCall::WatchedCall(Connection& connection, QWidget* parent, const QString& what)
    : m_connection(connection), m_before(connection.progressCallback()), m_work(parent, what)
{
    m_work.setOnCancel([this] { m_connection.cancel(); });
    m_connection.setProgressCallback([this](qint64 rows) { m_work.progress(rows); });
}

WatchedCall::~WatchedCall()
{
    m_connection.setProgressCallback(m_before);
}
