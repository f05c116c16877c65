#pragma once

#include "connection/DatabaseDriver.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

/// A statement text with the values to bind to its placeholders, in order.
struct KeyedStatement
{
    QString sql;
    QVariantList values;
};

/// Builds the statements that post a live result's changes to its base table: every row is
/// addressed by the original values of its key columns, and every value is bound.
class KeyedStatements final
{
public:
    using Cell = std::optional<QByteArray>;

    /// types: the field type of each result column (values are bound typed); placeholder(k): the
    /// engine's placeholder for the k-th value. With realsAsText, reals are bound as their text,
    /// for engines that compare exact decimals.
    KeyedStatements(LiveTarget target, QList<FieldType> types, std::function<QString(int)> placeholder,
                    bool realsAsText);

    /// UPDATE of the changed columns; original holds the row as read, edited the new values.
    KeyedStatement update(const QList<Cell>& original, const QList<Cell>& edited, const QList<bool>& changed,
                          bool returning) const;
    /// INSERT of the changed columns (DEFAULT VALUES when none changed).
    KeyedStatement insert(const QList<Cell>& edited, const QList<bool>& changed, bool returning) const;
    KeyedStatement remove(const QList<Cell>& original) const;
    /// SELECT of every column of the row with these key values (taken from row by key column).
    KeyedStatement selectByKey(const QList<Cell>& row) const;

    const LiveTarget& target() const { return m_target; }

private:
    QVariant bound(int column, const Cell& cell) const;
    QString whereClause(const QList<Cell>& original, QVariantList& values) const;
    QString returningClause(bool returning) const;

    LiveTarget m_target;
    QList<FieldType> m_types;
    std::function<QString(int)> m_placeholder;
    bool m_realsAsText = false;
};
