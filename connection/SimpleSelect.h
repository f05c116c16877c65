#pragma once

#include "connection/DatabaseDriver.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

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

/// The live target of a simple SELECT, from the columns and primary key of its table as the
/// catalogue names them: every result column must map to its own table column (by exact name, or
/// else the only one differing in case alone) and the whole key must be among them. quote turns a
/// table column name into SQL text.
std::optional<LiveTarget> MapLiveTarget(const SimpleSelect& select, const QList<ColumnInfo>& columns,
                                        const QStringList& tableColumns, const QStringList& keys,
                                        const std::function<QString(const QString&)>& quote);
