#pragma once

#include <QString>

#include <array>
#include <optional>

/// One key of a re-sort: a field name, exactly as the result spells it (never quoted), and a
/// direction. Renders itself as "NAME ASC" or "NAME DESC".
struct SortKey
{
    QString fieldName;
    bool descending = false;

    QString text() const;
};

/// The three roles of a re-sort, in their fixed order: Sort By, Then By, Finally By.
using SortRequest = std::array<std::optional<SortKey>, 3>;

/// " ORDER BY " followed by the filled roles in order, separated by ", ".
QString OrderByClause(const SortRequest& request);

/// The position of "ORDER" of the statement's own ORDER BY clause: the first ORDER BY, in any
/// letter case, that stands outside string literals, quoted identifiers, comments and
/// parentheses; -1 when the statement has none. Names such as ORDERS, and an ORDER BY inside a
/// sub-select or a window definition, are not it.
qsizetype FindTopLevelOrderBy(QStringView sql);
