#include "print/QueryRowSource.h"

#include "connection/Query.h"

#include <QHash>

namespace {
// Cannot appear in a name a user typed, so the marked names never meet a real one.
constexpr char16_t kMark = u'\x1F';
} // namespace

QueryRowSource::QueryRowSource(const Query& query) : m_query(query)
{
    QHash<QString, int> seen;
    for (int i = 0; i < query.fieldCount(); ++i) {
        const QString name = query.field(i).name;
        const int earlier = seen[name.toCaseFolded()]++;
        m_names.append(earlier == 0 ? name : name + kMark + QString::number(earlier + 1));
    }
}

int QueryRowSource::rowCount() const
{
    return m_query.recordCount();
}

QString QueryRowSource::cellText(int row, int field) const
{
    return m_query.valueText(row, field);
}
