#include "query/FieldSetKey.h"

#include <QCollator>
#include <QSet>

#include <algorithm>

FieldSetKey::FieldSetKey(const QStringList& fieldNames)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QStringList sorted = fieldNames;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    QStringList once;
    QSet<QString> seen;
    for (const QString& name : std::as_const(sorted)) {
        const QString folded = name.toCaseFolded();
        if (seen.contains(folded))
            continue;
        seen.insert(folded);
        once.append(name);
    }
    m_text = once.join(QLatin1Char('|'));
}
