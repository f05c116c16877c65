#pragma once

#include "report_engine/RowSource.h"

#include <QList>
#include <QStringList>

/// Rows held in memory: for reports built from values the program already has, and for tests.
class TableRowSource final : public RowSource
{
public:
    TableRowSource() = default;
    explicit TableRowSource(QStringList fieldNames) : m_names(std::move(fieldNames)) {}

    void addRow(QStringList cells) { m_rows.append(std::move(cells)); }
    void reserve(int rows) { m_rows.reserve(rows); }

    int fieldCount() const override { return int(m_names.size()); }
    QString fieldName(int field) const override { return m_names.value(field); }
    int rowCount() const override { return int(m_rows.size()); }
    QString cellText(int row, int field) const override { return m_rows.value(row).value(field); }

private:
    QStringList m_names;
    QList<QStringList> m_rows;
};
