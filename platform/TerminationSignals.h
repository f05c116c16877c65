#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

/// Turns the signals that ask a program to end (SIGTERM at logout or shutdown, SIGHUP when its
/// terminal goes, SIGINT from Ctrl+C) into an ordinary end of the run: every long work running is
/// cancelled, then the handler given runs on the user-interface thread, so the program ends
/// through its usual teardown and keeps what it keeps at exit. Without this the default action
/// kills the process on the spot. The signal is seen while a long work reports, too: it keeps
/// the event loop turning.
///
/// One object per process; the signal handlers stay installed after it is gone, and a signal then
/// does nothing.
class TerminationSignals final : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};
