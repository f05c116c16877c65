#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

/// The rows of an open result, held compactly: per column, the values' UTF-8 bytes packed in large
/// blocks with one end offset and one null bit per cell. Nothing is kept per cell as an object.
///
/// Rows are filled once, a cell per column in order, then finishRow(). After that the store also
/// serves as the result's record list: records can be replaced, inserted and removed, and every
/// record keeps an identity (its bookmark) for as long as the store lives.
class RowStore final
{
public:
    using Cell = std::optional<QByteArray>;

    explicit RowStore(int columnCount);
    ~RowStore();
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    int columnCount() const { return int(m_columns.size()); }

    // Filling
    inline void appendCell(int column, const char* data, std::size_t size);
    inline void appendNull(int column);
    void finishRow() { ++m_physicalRows; }

    // Records
    int recordCount() const { return m_ordered ? int(m_order.size()) : m_baseRecords; }
    bool isNull(int record, int column) const;
    /// Valid until the store next changes.
    std::string_view cell(int record, int column) const;
    qint64 recordId(int record) const;
    /// The record that has this identity now, or -1 when it was removed.
    int recordOfId(qint64 id) const;
    /// Gives a record new values (one per column).
    void setRecord(int record, const QList<Cell>& values);
    /// A new record of NULLs at position at (0 .. recordCount()); returns at.
    int insertRecord(int at);
    void removeRecord(int record);

    /// What grows and shrinks the value blocks, with realloc's contract (nullptr: no memory).
    /// std::realloc unless a test makes the store run out of memory at a point of its choosing.
    using Reallocate = void* (*)(void* block, std::size_t bytes);
    static void setReallocate(Reallocate reallocate);

    /// Bytes held: blocks, offsets, null bits and bookkeeping.
    qint64 memoryBytes() const;

    /// Ends filling: the filled rows become the records, and the last blocks give back their slack.
    void publish();

private:
    static constexpr uint32_t kSegmentShift = 13;
    static constexpr uint32_t kSegmentRows = 1u << kSegmentShift;

    struct Segment
    {
        char* bytes = nullptr;
        std::size_t used = 0;
        std::size_t capacity = 0;
        std::vector<uint32_t> ends;
        std::vector<uint64_t> nulls;
    };
    struct Column
    {
        std::vector<Segment> segments;
    };

    Segment& writableSegment(Column& column);
    static void grow(Segment& segment, std::size_t needed);
    static void shrink(Segment& segment);
    uint32_t physicalRow(int record) const;
    void appendValues(const QList<Cell>& values);
    void materialiseOrder();

    std::vector<Column> m_columns;
    uint32_t m_physicalRows = 0;
    int m_baseRecords = 0;
    /// Record -> identity; unused (m_ordered false) while the records are the published rows in order.
    bool m_ordered = false;
    std::vector<uint32_t> m_order;
    /// Identity -> physical row, for records given new values.
    std::unordered_map<uint32_t, uint32_t> m_replaced;
};

inline void RowStore::appendCell(int column, const char* data, std::size_t size)
{
    Segment& s = writableSegment(m_columns[std::size_t(column)]);
    if (s.used + size > s.capacity)
        grow(s, size);
    if (size)
        std::memcpy(s.bytes + s.used, data, size);
    s.used += size;
    if ((s.ends.size() & 63) == 0)
        s.nulls.push_back(0);
    s.ends.push_back(uint32_t(s.used));
}

inline void RowStore::appendNull(int column)
{
    Segment& s = writableSegment(m_columns[std::size_t(column)]);
    const std::size_t index = s.ends.size();
    if ((index & 63) == 0)
        s.nulls.push_back(0);
    s.nulls.back() |= uint64_t(1) << (index & 63);
    s.ends.push_back(uint32_t(s.used));
}

inline RowStore::Segment& RowStore::writableSegment(Column& column)
{
    if (column.segments.empty() || column.segments.back().ends.size() == kSegmentRows) {
        std::size_t estimate = 0;
        if (!column.segments.empty()) {
            Segment& full = column.segments.back();
            shrink(full);
            estimate = full.used + full.used / 16 + 64;
        }
        column.segments.emplace_back();
        Segment& s = column.segments.back();
        if (estimate) {
            s.ends.reserve(kSegmentRows);
            s.nulls.reserve(kSegmentRows / 64);
            grow(s, estimate);
        }
    }
    return column.segments.back();
}
