#pragma once

#include "settings/SettingsStore.h"

#include <QString>

/// The run's settings store: made once as the program starts and passed to every class that
/// remembers something. It holds no entries. Each operation opens its own SettingsStore with
/// open() and lets it go at its end, so every read sees the file as it is and every write is
/// committed when it returns, also when a second copy of the program shares the file.
class Settings final
{
public:
    explicit Settings(QString filePath) : m_filePath(std::move(filePath)) {}

    const QString& filePath() const { return m_filePath; }
    /// One operation's view of the store.
    SettingsStore open() const { return SettingsStore(m_filePath); }

private:
    QString m_filePath;
};
