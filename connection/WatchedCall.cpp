#include "connection/WatchedCall.h"

#include "connection/Connection.h"

WatchedCall::WatchedCall(Connection& connection, QWidget* parent, const QString& what)
    : m_connection(connection), m_before(connection.progressCallback()), m_work(parent, what)
{
    m_work.setOnCancel([this] {
        m_sinceCancel.start();
        m_connection.cancel();
    });
    m_connection.setProgressCallback([this](qint64 rows) { reported(rows); });
    try {
        m_connection.reconnectIfClosed();
    } catch (...) {
        m_connection.setProgressCallback(m_before);
        throw;
    }
}

WatchedCall::~WatchedCall()
{
    m_connection.setProgressCallback(m_before);
    m_connection.endCall();
}

void WatchedCall::reported(qint64 rows)
{
    m_work.progress(rows);
    if (m_sinceCancel.isValid() && m_sinceCancel.elapsed() >= kCancelGrace.count())
        m_connection.closeUnanswered();
}
