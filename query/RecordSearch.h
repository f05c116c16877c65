#pragma once

#include <QList>
#include <QString>

class Query;

/// What to look for in the records of a result.
struct SearchRequest
{
    QString text;
    bool forward = true;
    /// From the first (forward) or last record instead of next to the current one.
    bool entireScope = false;
    /// The whole value must equal the text; otherwise the text may stand anywhere in it.
    bool wholeWordsOnly = true;
    /// The field positions searched, in grid order.
    QList<int> positions;
};

/// Searches the records of an open result in its row store, without moving the cursor until
/// a match is found: then the matching record becomes current. Comparisons are exact and
/// case-sensitive on the values' plain text (a null value is the empty text).
///
/// Forward from the cursor starts at the next record, backward at the prior one; at either end
/// of the result the current record itself is examined. There is no wrap-around.
/// Returns the matching record, or -1 (the cursor stays where it was).
int SearchRecords(Query& query, const SearchRequest& request);
