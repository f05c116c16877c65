#include "support/TestHome.h"

#include <QDir>

#include <cstdlib>

TestHome::TestHome()
{
    m_savedHome = qgetenv("HOME");
    const QString base = m_dir.path();
    QDir().mkpath(configFolder());
    QDir().mkpath(dataFolder());
    qputenv("HOME", base.toUtf8());
    qputenv("XDG_CONFIG_HOME", configFolder().toUtf8());
    qputenv("XDG_DATA_HOME", dataFolder().toUtf8());
    qputenv("XDG_CACHE_HOME", (base + QStringLiteral("/cache")).toUtf8());
    qputenv("ODBCINI", (base + QStringLiteral("/odbc.ini")).toUtf8());
}

TestHome::~TestHome()
{
    qputenv("HOME", m_savedHome);
}

QString TestHome::configFolder() const
{
    return m_dir.path() + QStringLiteral("/config");
}

QString TestHome::dataFolder() const
{
    return m_dir.path() + QStringLiteral("/data");
}
