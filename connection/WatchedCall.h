#pragma once

#include "connection/EngineProgress.h"
#include "platform/LongWork.h"

#include <QElapsedTimer>

#include <chrono>

class Connection;

/// An engine call the user can watch and stop: for its scope the connection reports to a
/// LongWork over parent, and the LongWork's Cancel stops the call in the engine. A connection the
/// program closed after an unanswered cancel is opened again first.
///
/// Cancel always gives control back: when the engine has not stopped the call kCancelGrace after
/// Cancel (a server that stopped answering), the connection is closed under the call.
class WatchedCall final
{
public:
    /// With the call's next progress report and the closing, control is back within 2 s.
    static constexpr std::chrono::milliseconds kCancelGrace{1500};

    /// Throws as Connection::connect() when the connection must be opened again and cannot be.
    WatchedCall(Connection& connection, QWidget* parent, const QString& what);
    ~WatchedCall();
    WatchedCall(const WatchedCall&) = delete;
    WatchedCall& operator=(const WatchedCall&) = delete;

    /// Whether the user stopped the call: a failure that follows is the cancel's, not a reason
    /// to try again.
    bool cancelled() const { return m_work.cancelled(); }

private:
    void reported(qint64 rows);

    Connection& m_connection;
    ProgressCallback m_before;
    LongWork m_work;
    QElapsedTimer m_sinceCancel;
};
