#pragma once

#include "query/SortKey.h"

class Query;

/// Re-sorts the result dataset by the engine: the statement's own top-level ORDER BY (if any) is
/// cut and the clause of the request appended, the statement re-opened with the same parameter
/// values (every one, by position, as text), and the fields at shownFieldCount and beyond, which
/// the grid did not show, stay hidden. The columns then stand in the statement's own order and
/// the first record is current; the caller puts the stored titles and widths back on them.
///
/// At least one role of the request must be filled. When the engine refuses the new statement
/// its error is raised (EngineError) and the result stays as it was: statement, rows, columns.
void ReSort(Query& query, int shownFieldCount, const SortRequest& request);

/// The statement's lines after the re-sort: its own top-level ORDER BY is replaced by the clause
/// (field names as nameForSql gives them), what follows it (FOR) stays behind the clause, a last
/// ";" and what follows it go. Without an ORDER BY the clause goes before that tail, or on a line
/// of its own at the end. A statement that limits its rows (LIMIT, OFFSET, FETCH) is kept whole
/// inside "SELECT * FROM (...) AS shown_rows" and ordered outside, so the same rows come back.
/// Re-sorting the result again gives a statement of the same length for keys of the same length.
QStringList ReSortedSql(const QStringList& lines, const SortRequest& request,
                        const NameForSql& nameForSql = {});
