#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <functional>

/// Told how far a running engine call is, on the thread that made the call: the rows fetched so
/// far, or -1 while none has arrived (the engine still works, or waits for the server). The
/// callback may keep the user interface painting and may ask the call to stop.
using ProgressCallback = std::function<void(qint64 rowsSoFar)>;

/// A running call reports at least this often.
inline constexpr std::chrono::milliseconds kProgressInterval{100};

/// Paces the reports of one call. row() is cheap enough to call per fetched row; waiting() is for
/// loops that wait on the server or a worker thread.
class ProgressPacer final
{
public:
    explicit ProgressPacer(const ProgressCallback& callback)
        : m_callback(callback), m_last(std::chrono::steady_clock::now())
    {
    }

    void row(qint64 rowsSoFar)
    {
        // The clock is read only every 64 rows: a row costs far less than the clock.
        if (m_callback && (rowsSoFar & 63) == 0)
            report(rowsSoFar);
    }

    void waiting(qint64 rowsSoFar = -1)
    {
        if (m_callback)
            report(rowsSoFar);
    }

private:
    void report(qint64 rowsSoFar)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < kProgressInterval)
            return;
        m_last = now;
        m_callback(rowsSoFar);
    }

    const ProgressCallback& m_callback;
    std::chrono::steady_clock::time_point m_last;
};

/// What connecting is told and watched with: progress while it waits, a stop request from the
/// progress callback or another thread, and how long it may take.
struct ConnectWatch
{
    ProgressCallback progress;
    const std::atomic<bool>* cancelled = nullptr;
    std::chrono::seconds timeout{30};

    bool cancelRequested() const { return cancelled && cancelled->load(std::memory_order_relaxed); }
};
