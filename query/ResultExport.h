#pragma once

#include <QItemSelection>
#include <QList>
#include <QString>

#include <functional>

class QIODevice;
class Query;

/// A column that leaves the grid: the field position it shows and its title.
struct ExportColumn
{
    int position = 0;
    QString title;
};

/// Called with the rows written so far; returns whether to go on.
using ExportProgress = std::function<bool(qint64 rows)>;

enum class ExportOutcome
{
    Written,
    Cancelled,
    /// The device refused a write; its errorString() says why.
    Failed,
};

/// Writes every record of an open result as CSV (RFC 4180): a header line of the titles, then
/// one line per record, the columns in the given order. UTF-8 without a byte order mark, CR LF
/// after every line; a field holding a comma, a quote, CR or LF is quoted with its quotes
/// doubled. A NULL is an empty field, a binary value "\x" and the lowercase hex of all its bytes
/// (psql's form of bytea; an empty value is "\x"), other values the text the engine gave.
/// The values go from the row store to the device as bytes, in large writes; progress is called
/// every few thousand rows and once at the end.
ExportOutcome WriteCsv(const Query& query, const QList<ExportColumn>& columns, QIODevice& out,
                       const ExportProgress& progress = {});

/// Cells chosen in the grid: the records and columns that hold a chosen cell, each in grid order,
/// and which of their crossings are chosen (the others become empty fields).
struct CellBlock
{
    QList<int> records;
    QList<ExportColumn> columns;
    /// Indexes into records and columns; empty means every crossing.
    std::function<bool(int recordIndex, int columnIndex)> chosen;
};

/// The cells a grid's selection holds; gridColumns are the grid's columns, in order. Cells
/// between separate ranges that were not chosen are left out, as spreadsheets copy them.
CellBlock ChosenCells(const QItemSelection& selection, int rowCount, const QList<ExportColumn>& gridColumns);

/// The cells as tab-separated text, the way spreadsheets paste it: fields by tabs, records by LF,
/// no line break after the last; with titles, a first line of the column titles. A field that
/// holds a tab, CR, LF or a quote is quoted with its quotes doubled, so that a pasted cell stays
/// one cell. Values are written as in WriteCsv.
QString TabSeparatedText(const Query& query, const CellBlock& block, bool withTitles);
