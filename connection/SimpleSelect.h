#pragma once

#include <QString>
#include <QStringView>

/// What a conservative reading of a query finds: whether it is a plain
/// SELECT <columns or *> FROM <one table> [alias] [WHERE/ORDER BY/LIMIT/OFFSET/FETCH/FOR ...]
/// whose select list holds only column references (no aliases, expressions or DISTINCT), so that
/// every result column is a column of that table under its own name.
struct SimpleSelect
{
    bool simple = false;
    /// The table reference as the statement writes it (quotes and schema kept), valid SQL text.
    QString table;
    /// The last part of the reference without quotes, for catalog look-ups.
    QString tableName;
};

SimpleSelect ParseSimpleSelect(QStringView sql);
