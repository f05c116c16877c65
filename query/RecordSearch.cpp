#include "query/RecordSearch.h"

#include "connection/Query.h"

#include <string_view>

int SearchRecords(Query& query, const SearchRequest& request)
{
    const int count = query.isActive() ? query.recordCount() : 0;
    if (count <= 0 || request.text.isEmpty() || request.positions.isEmpty())
        return -1;
    const int current = std::clamp(query.recNo(), 0, count - 1);
    int start = 0;
    if (request.forward)
        start = request.entireScope ? 0 : std::min(current + 1, count - 1);
    else
        start = request.entireScope ? count - 1 : std::max(current - 1, 0);
    const int step = request.forward ? 1 : -1;
    const int stop = request.forward ? count : -1;

    // The store holds UTF-8: comparing bytes is comparing characters, and costs no conversion.
    const QByteArray needleBytes = request.text.toUtf8();
    const std::string_view needle(needleBytes.constData(), size_t(needleBytes.size()));
    const QList<int>& positions = request.positions;
    for (int record = start; record != stop; record += step) {
        for (int position : positions) {
            const std::string_view value = query.valueBytes(record, position);
            const bool match =
                request.wholeWordsOnly ? value == needle : value.find(needle) != std::string_view::npos;
            if (match) {
                query.setRecNo(record);
                return record;
            }
        }
    }
    return -1;
}
