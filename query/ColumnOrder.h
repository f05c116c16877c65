#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

/// The stored column order of a result: its field names in column order, duplicates included,
/// joined by "|"; and the moves that put a result's fields back into a stored order.
class ColumnOrder final
{
public:
    /// Longer values are not written.
    static constexpr qsizetype kMaxLength = 524285;

    /// One move of a field: from position, to position (the others keep their relative order).
    using Move = std::pair<int, int>;

    static QString value(const QStringList& fieldNames);

    /// The names of a stored value, left to right; an empty piece between two "|" is a name, a
    /// "|" at the very end adds none.
    static QStringList names(const QString& value);

    /// The moves that bring fields in their current order into the stored order. Target position
    /// p takes the p-th stored name: the first field from position p on whose name matches it
    /// without regard to case moves there. Fields already placed are not taken again, so two
    /// fields of one name keep their stored places. A name that matches nothing is skipped.
    static QList<Move> restoreMoves(QStringList currentNames, const QStringList& storedNames);
};
