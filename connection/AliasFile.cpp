#include "connection/AliasFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

namespace {

QString blockText(const AliasFile::Alias& alias)
{
    QString text = QLatin1Char('[') + alias.name + QStringLiteral("]\n");
    text += QStringLiteral("Driver = ") + alias.driver + QLatin1Char('\n');
    text += QStringLiteral("Database = ") + alias.database + QLatin1Char('\n');
    if (!alias.host.isEmpty())
        text += QStringLiteral("Host = ") + alias.host + QLatin1Char('\n');
    if (alias.port > 0)
        text += QStringLiteral("Port = ") + QString::number(alias.port) + QLatin1Char('\n');
    if (!alias.options.isEmpty())
        text += QStringLiteral("Options = ") + alias.options + QLatin1Char('\n');
    return text;
}

QStringList fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

} // namespace

QList<AliasFile::Alias> AliasFile::Read(const QString& path)
{
    QList<Alias> aliases;
    for (QString line : fileLines(path)) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (!name.isEmpty())
                aliases.append(Alias{name, {}, {}, {}, -1, {}});
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || aliases.isEmpty())
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        Alias& alias = aliases.last();
        if (key.compare(u"Driver", Qt::CaseInsensitive) == 0)
            alias.driver = value;
        else if (key.compare(u"Database", Qt::CaseInsensitive) == 0)
            alias.database = value;
        else if (key.compare(u"Host", Qt::CaseInsensitive) == 0)
            alias.host = value;
        else if (key.compare(u"Port", Qt::CaseInsensitive) == 0)
            alias.port = value.toInt();
        else if (key.compare(u"Options", Qt::CaseInsensitive) == 0)
            alias.options = value;
    }
    return aliases;
}

bool AliasFile::Find(const QString& path, const QString& name, Alias* alias)
{
    for (const Alias& candidate : Read(path)) {
        if (candidate.name.compare(name, Qt::CaseInsensitive) == 0) {
            if (alias)
                *alias = candidate;
            return true;
        }
    }
    return false;
}

bool AliasFile::Write(const QString& path, const Alias& alias)
{
    // Keep every other line of the file as it is; only the block of this name is replaced.
    QStringList kept;
    bool skipping = false;
    for (const QString& line : fileLines(path)) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']')))
            skipping =
                trimmed.mid(1, trimmed.size() - 2).trimmed().compare(alias.name, Qt::CaseInsensitive) == 0;
        if (!skipping)
            kept.append(line);
    }
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    QString text = kept.join(QLatin1Char('\n'));
    if (!text.isEmpty())
        text += QStringLiteral("\n\n");
    text += blockText(alias);

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}
