#pragma once

/// A loopback TCP port that takes connections and never says a word: a database server that
/// hangs, for connect timeouts and cancels.
class SilentServer final
{
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    /// 0 when the port could not be opened.
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};
