#pragma once

#include "query/SortKey.h"

class TFRM_Query;

/// Re-sorts the result window's dataset by the engine: the statement's own top-level ORDER BY
/// (if any) is cut and the clause of the request appended, the statement re-opened with the same
/// parameter values (every one, by position, as text), fields the grid did not show stay hidden,
/// and the stored titles and widths are put back. The columns then stand in the statement's own
/// order and the first record is current.
///
/// At least one role of the request must be filled. When the engine refuses the new statement
/// its error is raised (EngineError) and the dataset stays closed.
void ReSort(TFRM_Query& window, const SortRequest& request);

/// The statement text after the re-sort: the lines each followed by CR LF, cut at the top-level
/// ORDER BY, then the clause. Split at its line breaks it gives the new SQL lines.
QStringList ReSortedSql(const QStringList& lines, const SortRequest& request);
