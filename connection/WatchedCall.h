#pragma once

#include "connection/EngineProgress.h"
#include "platform/LongWork.h"

class Connection;

/// An engine call the user can watch and stop: for its scope the connection reports to a
/// LongWork over parent, and the LongWork's Cancel stops the call in the engine.
class WatchedCall final
{
public:
    WatchedCall(Connection& connection, QWidget* parent, const QString& what);
    ~WatchedCall();
    WatchedCall(const WatchedCall&) = delete;
    WatchedCall& operator=(const WatchedCall&) = delete;

    /// Whether the user stopped the call: a failure that follows is the cancel's, not a reason
    /// to try again.
    bool cancelled() const { return m_work.cancelled(); }

private:
    Connection& m_connection;
    ProgressCallback m_before;
    LongWork m_work;
};
