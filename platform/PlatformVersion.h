#pragma once
// Temporary stand-in until the platform branch is merged.
#include <QString>
struct PlatformVersion
{
    bool failed = false;
    QString distribution;
    int major = 0;
    int minor = 0;
    QString release;
};
inline PlatformVersion QueryPlatformVersion() { return {false, QStringLiteral("Linux"), 6, 1, QStringLiteral("6.1.0")}; }
