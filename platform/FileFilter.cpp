#include "platform/FileFilter.h"

#include <QRegularExpression>

namespace {

const QRegularExpression& TrailingPatterns()
{
    static const QRegularExpression kPatterns(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    return kPatterns;
}

} // namespace

QStringList FileDialogNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString& pattern : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
                if (!pattern.trimmed().isEmpty())
                    patterns.append(pattern.trimmed());
            }
        }
        if (patterns.isEmpty() && description.isEmpty())
            continue;
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        const QString joined = patterns.join(u' ');
        const QRegularExpressionMatch shown = TrailingPatterns().match(description);
        if (shown.hasMatch() && shown.captured(1).simplified() == joined)
            result.append(description);
        else if (description.isEmpty())
            result.append(QStringLiteral("(%1)").arg(joined));
        else
            result.append(QStringLiteral("%1 (%2)").arg(description, joined));
    }
    return result;
}

QStringList FileDialogPatterns(const QString& nameFilter)
{
    const QRegularExpressionMatch match = TrailingPatterns().match(nameFilter);
    if (!match.hasMatch())
        return {nameFilter.trimmed()};
    return match.captured(1).split(u' ', Qt::SkipEmptyParts);
}
