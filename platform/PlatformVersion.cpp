#include "platform/PlatformVersion.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <sys/utsname.h>

namespace {

/// Undoes the shell-like quoting of an os-release value: "..." or '...', with backslash escapes
/// inside double quotes; an unquoted value is taken as it stands.
QString UnquoteValue(const QString& raw)
{
    const QString value = raw.trimmed();
    if (value.isEmpty())
        return value;
    const QChar quote = value.front();
    if (quote != u'"' && quote != u'\'')
        return value;
    QString result;
    for (qsizetype i = 1; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == quote)
            break;
        if (quote == u'"' && c == u'\\' && i + 1 < value.size()) {
            result += value.at(++i);
            continue;
        }
        result += c;
    }
    return result;
}

QHash<QString, QString> ParseOsRelease(const QString& text)
{
    QHash<QString, QString> values;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const qsizetype equals = trimmed.indexOf(u'=');
        if (equals <= 0)
            continue;
        values.insert(trimmed.left(equals).trimmed(), UnquoteValue(trimmed.mid(equals + 1)));
    }
    return values;
}

} // namespace

QString OsReleasePrettyName(const QString& osReleaseText)
{
    const QHash<QString, QString> values = ParseOsRelease(osReleaseText);
    const QString pretty = values.value(QStringLiteral("PRETTY_NAME"));
    if (!pretty.isEmpty())
        return pretty;
    const QString name = values.value(QStringLiteral("NAME"));
    const QString version = values.value(QStringLiteral("VERSION"));
    if (name.isEmpty())
        return QString();
    return version.isEmpty() ? name : name + u' ' + version;
}

PlatformVersion PlatformVersionFrom(const QString& osReleaseText, const QString& kernelRelease)
{
    PlatformVersion version;
    static const QRegularExpression kMajorMinor(QStringLiteral("^(\\d{1,9})\\.(\\d{1,9})"));
    // The record is a fixed buffer on other systems; a NUL ends the text there as well.
    QString release = kernelRelease.left(kernelRelease.indexOf(QChar(u'\0')));
    const QRegularExpressionMatch match = kMajorMinor.match(release);
    if (!match.hasMatch())
        return version;
    version.ok = true;
    version.majorVersion = match.captured(1).toInt();
    version.minorVersion = match.captured(2).toInt();
    version.supplementary = release.left(PlatformVersion::kMaxSupplementaryLength);
    version.platformName = OsReleasePrettyName(osReleaseText);
    if (version.platformName.isEmpty())
        version.platformName = QStringLiteral("Linux");
    return version;
}

PlatformVersion ReadPlatformVersion()
{
    return ReadPlatformVersion({QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")});
}

PlatformVersion ReadPlatformVersion(const QStringList& osReleasePaths)
{
    QString osRelease;
    for (const QString& path : osReleasePaths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            osRelease = QString::fromUtf8(file.readAll());
            break;
        }
    }
    utsname names{};
    if (uname(&names) != 0)
        return PlatformVersion{};
    return PlatformVersionFrom(osRelease, QString::fromUtf8(names.release));
}

QString KernelVersionText(const PlatformVersion& version)
{
    return QStringLiteral("Kernel Version %1.%2").arg(version.majorVersion).arg(version.minorVersion);
}
