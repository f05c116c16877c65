#pragma once

#include "settings/SettingsStore.h"

#include <QString>

#include <functional>
#include <memory>

/// The run's settings store: made once as the program starts and passed to every class that
/// remembers something. It holds no entries. Each operation opens its own SettingsStore with
/// open() and lets it go at its end, so every read sees the file as it is and every write is
/// committed when it returns, also when a second copy of the program shares the file.
///
/// A file that cannot be opened, read or written never fails an operation: the run goes on in
/// memory from there (SettingsStore's fallback) and the reader set with reportFailuresTo() is
/// told once, from the event loop, since the failing operation may be painting a window.
class Settings final
{
public:
    explicit Settings(QString filePath);

    const QString& filePath() const { return m_filePath; }
    /// One operation's view of the store.
    SettingsStore open() const;

    /// Where the one report of a failing store goes (a message box). Without one it is logged.
    void reportFailuresTo(std::function<void(const QString& text)> show) const;
    /// Shows a report still waiting for the event loop now: the program is about to end.
    void showPendingReport() const;

private:
    struct Report;

    QString m_filePath;
    // Shared with the stores' notices, which may outlive an operation's scope in the event queue.
    std::shared_ptr<Report> m_report;
};
