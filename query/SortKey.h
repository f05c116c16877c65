#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>

/// How a field name stands in a statement for the engine at hand (quoted where it must be).
using NameForSql = std::function<QString(const QString&)>;

/// One key of a re-sort: a field name, exactly as the result spells it (never quoted), and a
/// direction. Renders itself as "NAME ASC" or "NAME DESC", the name as nameForSql gives it.
struct SortKey
{
    QString fieldName;
    bool descending = false;

    QString text(const NameForSql& nameForSql = {}) const;
};

/// The three roles of a re-sort, in their fixed order: Sort By, Then By, Finally By.
using SortRequest = std::array<std::optional<SortKey>, 3>;

/// " ORDER BY " followed by the filled roles in order, separated by ", ".
QString OrderByClause(const SortRequest& request, const NameForSql& nameForSql = {});

/// The position of "ORDER" of the statement's own ORDER BY clause: the first ORDER BY, in any
/// letter case, that stands outside string literals, quoted identifiers, comments and
/// parentheses; -1 when the statement has none. Names such as ORDERS, and an ORDER BY inside a
/// sub-select or a window definition, are not it.
qsizetype FindTopLevelOrderBy(QStringView sql);

/// Where a re-sort's clause goes in a statement; positions are -1 when absent.
struct SortPlace
{
    /// The statement's own top-level ORDER BY (see FindTopLevelOrderBy).
    qsizetype orderBy = -1;
    /// The first top-level LIMIT, OFFSET, FETCH or FOR after it (or anywhere, without one): what
    /// must stay behind the clause.
    qsizetype tail = -1;
    /// The end of the statement: a last ";" and the blanks and comments after it are not in it.
    qsizetype end = 0;
    /// A top-level LIMIT, OFFSET or FETCH: the statement picks which rows it returns, so another
    /// order of its own would pick other rows.
    bool limitsRows = false;
};
SortPlace FindSortPlace(QStringView sql);
