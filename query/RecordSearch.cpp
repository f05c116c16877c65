#include "query/RecordSearch.h"

#include "connection/FieldValue.h"
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
    // A binary value's text is its hex, as copy and export write it.
    QList<bool> binary;
    for (int position : positions)
        binary.append(query.field(position).type == FieldType::Blob);
    QByteArray hex;
    for (int record = start; record != stop; record += step) {
        for (qsizetype k = 0; k < positions.size(); ++k) {
            const int position = positions[k];
            std::string_view value = query.valueBytes(record, position);
            if (binary[k] && !query.isNull(record, position)) {
                hex = FieldValue::BinaryText(value);
                value = std::string_view(hex.constData(), std::size_t(hex.size()));
            }
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
