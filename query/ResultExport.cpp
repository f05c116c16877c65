#include "query/ResultExport.h"

#include "connection/Field.h"
#include "connection/FieldValue.h"
#include "connection/Query.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kWriteBytes = std::size_t(1) << 20;
constexpr qint64 kProgressRows = 4096;

/// Bytes that make a field quoted: a table, as the test runs for every byte written.
using QuoteSet = std::array<bool, 256>;

constexpr QuoteSet MakeQuoteSet(std::string_view specials)
{
    QuoteSet set{};
    for (const char c : specials)
        set[static_cast<unsigned char>(c)] = true;
    return set;
}

constexpr QuoteSet kCsvSpecials = MakeQuoteSet(",\"\r\n");
constexpr QuoteSet kTabSpecials = MakeQuoteSet("\t\"\r\n");

void AppendField(std::string& out, std::string_view value, const QuoteSet& specials)
{
    bool quote = false;
    for (const char c : value) {
        if (specials[static_cast<unsigned char>(c)]) {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out.append(value);
        return;
    }
    out.push_back('"');
    for (std::size_t start = 0;;) {
        const std::size_t q = value.find('"', start);
        if (q == std::string_view::npos) {
            out.append(value.substr(start));
            break;
        }
        out.append(value.substr(start, q + 1 - start));
        out.push_back('"');
        start = q + 1;
    }
    out.push_back('"');
}

/// One cell's text: the stored text, NULL as nothing, binary bytes as "\x" and hex (all of them,
/// so that the text loads back); scratch holds the text made for a binary value.
std::string_view CellBytes(const Query& query, int record, const ExportColumn& column, bool blob,
                           QByteArray& scratch)
{
    if (query.isNull(record, column.position))
        return {};
    if (blob) {
        scratch = FieldValue::BinaryText(query.valueBytes(record, column.position));
        return {scratch.constData(), std::size_t(scratch.size())};
    }
    return query.valueBytes(record, column.position);
}

QList<bool> BlobColumns(const Query& query, const QList<ExportColumn>& columns)
{
    QList<bool> blobs;
    for (const ExportColumn& c : columns)
        blobs.append(query.field(c.position).type == FieldType::Blob);
    return blobs;
}

bool Flush(QIODevice& out, std::string& buffer)
{
    const bool ok = out.write(buffer.data(), qint64(buffer.size())) == qint64(buffer.size());
    buffer.clear();
    return ok;
}

} // namespace

ExportOutcome WriteCsv(const Query& query, const QList<ExportColumn>& columns, QIODevice& out,
                       const ExportProgress& progress)
{
    const QList<bool> blobs = BlobColumns(query, columns);
    std::string buffer;
    buffer.reserve(kWriteBytes + kWriteBytes / 4);
    QByteArray scratch;

    for (qsizetype c = 0; c < columns.size(); ++c) {
        if (c > 0)
            buffer.push_back(',');
        const QByteArray title = columns[c].title.toUtf8();
        AppendField(buffer, {title.constData(), std::size_t(title.size())}, kCsvSpecials);
    }
    buffer.append("\r\n");

    const int records = query.recordCount();
    for (int r = 0; r < records; ++r) {
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (c > 0)
                buffer.push_back(',');
            AppendField(buffer, CellBytes(query, r, columns[c], blobs[c], scratch), kCsvSpecials);
        }
        buffer.append("\r\n");
        // Also after every write, so that rows of long values still report often enough.
        bool wrote = false;
        if (buffer.size() >= kWriteBytes) {
            if (!Flush(out, buffer))
                return ExportOutcome::Failed;
            wrote = true;
        }
        if (progress && (wrote || (r + 1) % kProgressRows == 0) && !progress(r + 1))
            return ExportOutcome::Cancelled;
    }
    if (!buffer.empty() && !Flush(out, buffer))
        return ExportOutcome::Failed;
    if (progress && !progress(records))
        return ExportOutcome::Cancelled;
    return ExportOutcome::Written;
}

CellBlock ChosenCells(const QItemSelection& selection, int rowCount, const QList<ExportColumn>& gridColumns)
{
    std::vector<bool> rows(std::size_t(std::max(0, rowCount)));
    std::vector<bool> columns(std::size_t(gridColumns.size()));
    for (const QItemSelectionRange& range : selection) {
        for (int r = std::max(0, range.top()); r <= range.bottom() && r < rowCount; ++r)
            rows[std::size_t(r)] = true;
        for (int c = std::max(0, range.left()); c <= range.right() && c < int(columns.size()); ++c)
            columns[std::size_t(c)] = true;
    }
    CellBlock block;
    QList<int> chosenColumns;
    for (int r = 0; r < int(rows.size()); ++r) {
        if (rows[std::size_t(r)])
            block.records.append(r);
    }
    for (int c = 0; c < int(columns.size()); ++c) {
        if (columns[std::size_t(c)]) {
            chosenColumns.append(c);
            block.columns.append(gridColumns[c]);
        }
    }
    if (selection.size() > 1) {
        block.chosen = [selection, records = block.records, chosenColumns](int recordIndex, int columnIndex) {
            const int row = records[recordIndex];
            const int column = chosenColumns[columnIndex];
            for (const QItemSelectionRange& range : selection) {
                if (row >= range.top() && row <= range.bottom() && column >= range.left() &&
                    column <= range.right())
                    return true;
            }
            return false;
        };
    }
    return block;
}

QString TabSeparatedText(const Query& query, const CellBlock& block, bool withTitles)
{
    const QList<bool> blobs = BlobColumns(query, block.columns);
    std::string text;
    QByteArray scratch;
    if (withTitles) {
        for (qsizetype c = 0; c < block.columns.size(); ++c) {
            if (c > 0)
                text.push_back('\t');
            const QByteArray title = block.columns[c].title.toUtf8();
            AppendField(text, {title.constData(), std::size_t(title.size())}, kTabSpecials);
        }
    }
    for (qsizetype r = 0; r < block.records.size(); ++r) {
        if (withTitles || r > 0)
            text.push_back('\n');
        for (qsizetype c = 0; c < block.columns.size(); ++c) {
            if (c > 0)
                text.push_back('\t');
            if (block.chosen && !block.chosen(int(r), int(c)))
                continue;
            AppendField(text, CellBytes(query, block.records[r], block.columns[c], blobs[c], scratch),
                        kTabSpecials);
        }
    }
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
