#pragma once

#include "report_engine/RowSource.h"

#include <QStringList>

class Query;

/// An open query as the rows of a report, in the query's current field order.
///
/// Fields are offered under binding names: a field's own name, except that the second and
/// later fields sharing a name (without regard to case, as in "SELECT E.ID, D.ID") get a mark
/// added, so that a report element bound by name finds each of them and not always the first.
class QueryRowSource final : public RowSource
{
public:
    /// The query must stay open, its fields unmoved, while the source is used.
    explicit QueryRowSource(const Query& query);

    int fieldCount() const override { return int(m_names.size()); }
    QString fieldName(int field) const override { return m_names.value(field); }
    int rowCount() const override;
    QString cellText(int row, int field) const override;

private:
    const Query& m_query;
    QStringList m_names;
};
