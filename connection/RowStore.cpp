#include "connection/RowStore.h"

#include "connection/EngineError.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

#include <malloc.h>

namespace {

constexpr std::size_t kFirstBlockBytes = 4096;
/// A store at least this large hands its freed memory back to the system when it goes.
constexpr qint64 kTrimBytes = qint64(8) << 20;

void* SystemReallocate(void* block, std::size_t bytes)
{
    return std::realloc(block, bytes);
}

RowStore::Reallocate g_reallocate = &SystemReallocate;

} // namespace

RowStore::RowStore(int columnCount) : m_columns(std::size_t(std::max(columnCount, 0))) {}

RowStore::~RowStore()
{
    const bool large = memoryBytes() >= kTrimBytes;
    for (Column& column : m_columns) {
        for (Segment& segment : column.segments)
            std::free(segment.bytes);
    }
    m_columns.clear();
    m_order = {};
    m_replaced = {};
    // The allocator keeps freed blocks for reuse: a closed result would leave the process at its
    // peak size.
    if (large)
        malloc_trim(0);
}

void RowStore::setReallocate(Reallocate reallocate)
{
    g_reallocate = reallocate ? reallocate : &SystemReallocate;
}

void RowStore::grow(Segment& segment, std::size_t needed)
{
    // Offsets are 32-bit within a segment.
    if (needed > std::numeric_limits<uint32_t>::max() - segment.used)
        throw WrapperError(QStringLiteral("The result is too large to be held in memory"));
    std::size_t capacity = std::max(segment.capacity * 2, kFirstBlockBytes);
    capacity = std::max(capacity, segment.used + needed);
    capacity = std::min<std::size_t>(std::max(capacity, segment.used + needed),
                                     std::numeric_limits<uint32_t>::max());
    char* bytes = static_cast<char*>(g_reallocate(segment.bytes, capacity));
    if (!bytes)
        throw std::bad_alloc();
    segment.bytes = bytes;
    segment.capacity = capacity;
}

void RowStore::shrink(Segment& segment)
{
    if (segment.capacity == segment.used || segment.used == 0)
        return;
    if (char* bytes = static_cast<char*>(g_reallocate(segment.bytes, segment.used))) {
        segment.bytes = bytes;
        segment.capacity = segment.used;
    }
    segment.ends.shrink_to_fit();
    segment.nulls.shrink_to_fit();
}

void RowStore::publish()
{
    m_baseRecords = int(m_physicalRows);
    for (Column& column : m_columns) {
        if (!column.segments.empty())
            shrink(column.segments.back());
    }
}

uint32_t RowStore::physicalRow(int record) const
{
    const uint32_t id = m_ordered ? m_order[std::size_t(record)] : uint32_t(record);
    if (m_replaced.empty())
        return id;
    const auto it = m_replaced.find(id);
    return it == m_replaced.end() ? id : it->second;
}

bool RowStore::isNull(int record, int column) const
{
    const uint32_t row = physicalRow(record);
    const Segment& s = m_columns[std::size_t(column)].segments[row >> kSegmentShift];
    const uint32_t index = row & (kSegmentRows - 1);
    return (s.nulls[index >> 6] >> (index & 63)) & 1;
}

std::string_view RowStore::cell(int record, int column) const
{
    const uint32_t row = physicalRow(record);
    const Segment& s = m_columns[std::size_t(column)].segments[row >> kSegmentShift];
    const uint32_t index = row & (kSegmentRows - 1);
    const uint32_t begin = index ? s.ends[index - 1] : 0;
    return std::string_view(s.bytes + begin, s.ends[index] - begin);
}

qint64 RowStore::recordId(int record) const
{
    return m_ordered ? m_order[std::size_t(record)] : record;
}

int RowStore::recordOfId(qint64 id) const
{
    if (!m_ordered)
        return id >= 0 && id < m_baseRecords ? int(id) : -1;
    const auto it = std::find(m_order.begin(), m_order.end(), uint32_t(id));
    return it == m_order.end() ? -1 : int(it - m_order.begin());
}

void RowStore::appendValues(const QList<Cell>& values)
{
    for (int c = 0; c < columnCount(); ++c) {
        const Cell& value = c < values.size() ? values[c] : Cell();
        if (value)
            appendCell(c, value->constData(), std::size_t(value->size()));
        else
            appendNull(c);
    }
    finishRow();
}

void RowStore::setRecord(int record, const QList<Cell>& values)
{
    const uint32_t id = uint32_t(recordId(record));
    const uint32_t row = m_physicalRows;
    appendValues(values);
    m_replaced[id] = row;
}

void RowStore::materialiseOrder()
{
    if (m_ordered)
        return;
    m_order.resize(std::size_t(m_baseRecords));
    for (int i = 0; i < m_baseRecords; ++i)
        m_order[std::size_t(i)] = uint32_t(i);
    m_ordered = true;
}

int RowStore::insertRecord(int at)
{
    materialiseOrder();
    at = std::clamp(at, 0, recordCount());
    const uint32_t row = m_physicalRows;
    appendValues({});
    m_order.insert(m_order.begin() + at, row);
    return at;
}

void RowStore::removeRecord(int record)
{
    materialiseOrder();
    const uint32_t id = m_order[std::size_t(record)];
    m_order.erase(m_order.begin() + record);
    m_replaced.erase(id);
}

qint64 RowStore::memoryBytes() const
{
    qint64 total = qint64(sizeof(*this)) + qint64(m_columns.capacity() * sizeof(Column));
    for (const Column& column : m_columns) {
        total += qint64(column.segments.capacity() * sizeof(Segment));
        for (const Segment& s : column.segments) {
            total += qint64(s.capacity + s.ends.capacity() * sizeof(uint32_t) +
                            s.nulls.capacity() * sizeof(uint64_t));
        }
    }
    total += qint64(m_order.capacity() * sizeof(uint32_t));
    // An unordered_map node holds the pair and a next pointer; the buckets one pointer each.
    total += qint64(m_replaced.size() * (sizeof(std::pair<const uint32_t, uint32_t>) + 2 * sizeof(void*)) +
                    m_replaced.bucket_count() * sizeof(void*));
    return total;
}
