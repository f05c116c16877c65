#pragma once

#include <QString>

/// The operating system's version record as the status bar shows it: on Linux the distribution's
/// name, the kernel's major and minor version and the kernel's full release text.
struct PlatformVersion
{
    bool ok = false;       ///< false when the system could not tell its version
    QString platformName;  ///< the distribution's name, e.g. "Debian GNU/Linux 12 (bookworm)"
    int majorVersion = 0;  ///< kernel major version
    int minorVersion = 0;  ///< kernel minor version
    QString supplementary; ///< the kernel's full release, at most kMaxSupplementaryLength characters

    static constexpr int kMaxSupplementaryLength = 128;
};

/// The distribution's display name from the text of an os-release file: PRETTY_NAME, else NAME
/// and VERSION, else empty. Quoting and backslash escapes are undone.
QString OsReleasePrettyName(const QString& osReleaseText);

/// Builds the record from an os-release text and a kernel release such as "6.1.0-18-amd64".
/// Fails when the release does not start with "major.minor". An empty name becomes "Linux".
PlatformVersion PlatformVersionFrom(const QString& osReleaseText, const QString& kernelRelease);

/// Asks the running system: the first readable os-release file of the list and uname().
PlatformVersion ReadPlatformVersion();
PlatformVersion ReadPlatformVersion(const QStringList& osReleasePaths);

/// "Kernel Version 6.1": the second panel's text.
QString KernelVersionText(const PlatformVersion& version);
