#include "connection/OdbcResultReader.h"

#include "connection/EngineError.h"
#include "connection/FieldValue.h"
#include "connection/OdbcDiagnostics.h"
#include "connection/RowStore.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

/// Rows per block fetch.
constexpr SQLULEN kBlockRows = 2000;
/// Bound buffers are at most this wide; longer values are read with SQLGetData.
constexpr SQLLEN kMaxBoundBytes = 1024;
/// Long and unsized columns: most values are short, the rest are read with SQLGetData.
constexpr SQLLEN kLongBoundBytes = 256;
constexpr SQLLEN kPieceBytes = 64 * 1024;

FieldType typeOfColumn(SQLSMALLINT sqlType, const QString& typeName)
{
    if (typeName.compare(QStringLiteral("money"), Qt::CaseInsensitive) == 0)
        return FieldType::Money;
    switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        return FieldType::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return FieldType::Real;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return FieldType::Date;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return FieldType::DateTime;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return FieldType::Time;
    case SQL_BIT:
        return FieldType::Boolean;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return FieldType::Blob;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return FieldType::Text;
    default:
        return FieldType::Other;
    }
}

/// The bytes a bound buffer of this column holds, terminator included for text.
SQLLEN boundWidth(SQLSMALLINT sqlType, SQLULEN size, bool binary)
{
    switch (sqlType) {
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_LONGVARBINARY:
        return kLongBoundBytes;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
        // Sizes count characters; UTF-8 takes up to four bytes for one.
        return size > 0 ? std::min<SQLLEN>(SQLLEN(size) * 4, kMaxBoundBytes) + 1 : kLongBoundBytes;
    default:
        if (binary)
            return size > 0 ? std::min<SQLLEN>(SQLLEN(size), kMaxBoundBytes) : kLongBoundBytes;
        // Numbers, dates, times, GUIDs and the like as text.
        return 64;
    }
}

} // namespace

struct OdbcResultReader::Column
{
    SQLSMALLINT cType = SQL_C_CHAR;
    bool bit = false;
    SQLLEN width = 0;
    std::vector<char> buffer;
    std::vector<SQLLEN> indicators;
};

OdbcResultReader::OdbcResultReader(void* statement, quint32 getDataExtensions, Check check)
    : m_statement(statement), m_getData(getDataExtensions), m_check(std::move(check))
{
}

OdbcResultReader::~OdbcResultReader() = default;

FetchedResult OdbcResultReader::read(QStringList* tables, const std::atomic<bool>& stop,
                                     std::atomic<qint64>& rowsSoFar)
{
    const SQLHSTMT h = m_statement;
    SQLSMALLINT count = 0;
    m_check(SQLNumResultCols(h, &count));
    FetchedResult result;
    describe(count, result.columns, tables);
    result.rows = std::make_unique<RowStore>(int(count));
    RowStore& rows = *result.rows;

    // Without SQLGetData in a block, one row at a time keeps every long value readable.
    const bool bound = m_getData & SQL_GD_BOUND;
    m_blockRows = bound && (m_getData & SQL_GD_BLOCK) ? kBlockRows : 1;
    m_check(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(m_blockRows), 0));
    SQLULEN fetched = 0;
    m_check(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0));
    if (bound) {
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            Column& column = m_columns[c];
            column.buffer.resize(std::size_t(column.width) * m_blockRows);
            column.indicators.resize(m_blockRows);
            m_check(SQLBindCol(h, SQLUSMALLINT(c + 1), column.cType, column.buffer.data(), column.width,
                               column.indicators.data()));
        }
    }
    qint64 total = 0;
    for (;;) {
        const SQLRETURN rc = SQLFetch(h);
        if (rc == SQL_NO_DATA)
            break;
        m_check(rc);
        for (SQLULEN r = 0; r < fetched; ++r) {
            try {
                for (std::size_t c = 0; c < m_columns.size(); ++c)
                    bound ? store(rows, int(c), r) : storeWhole(rows, int(c), r);
                rows.finishRow();
            } catch (const std::bad_alloc&) {
                result.rows.reset();
                throw ResultTooLarge(total + qint64(r));
            }
        }
        total += qint64(fetched);
        rowsSoFar.store(total, std::memory_order_relaxed);
        if (stop.load(std::memory_order_relaxed))
            throw OdbcDiagnostics::Cancelled();
    }
    SQLFreeStmt(h, SQL_UNBIND);
    SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    rows.publish();
    return result;
}

void OdbcResultReader::describe(short count, QList<ColumnInfo>& infos, QStringList* tables)
{
    const SQLHSTMT h = m_statement;
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(count); ++c) {
        QByteArray name(256, '\0');
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        m_check(SQLDescribeCol(h, c, reinterpret_cast<SQLCHAR*>(name.data()), SQLSMALLINT(name.size()),
                               &nameLength, &sqlType, &size, &digits, &nullable));
        if (nameLength >= name.size()) {
            name.resize(qsizetype(nameLength) + 1);
            m_check(SQLDescribeCol(h, c, reinterpret_cast<SQLCHAR*>(name.data()), SQLSMALLINT(name.size()),
                                   &nameLength, &sqlType, &size, &digits, &nullable));
        }
        name.truncate(nameLength);
        ColumnInfo info;
        info.name = QString::fromUtf8(name);
        info.type = typeOfColumn(sqlType, attribute(c, SQL_DESC_TYPE_NAME));
        info.displayWidth = FieldValue::DefaultWidth(info.type);
        if (info.type == FieldType::Text && size > 0)
            info.displayWidth = int(std::min<SQLULEN>(size, FieldValue::kMaxDisplayWidth));
        infos.append(info);
        if (tables)
            tables->append(attribute(c, SQL_DESC_BASE_TABLE_NAME));

        Column column;
        const bool binary = info.type == FieldType::Blob;
        column.cType = binary ? SQL_C_BINARY : SQL_C_CHAR;
        column.bit = sqlType == SQL_BIT;
        column.width = boundWidth(sqlType, size, binary);
        m_columns.push_back(std::move(column));
    }
}

QString OdbcResultReader::attribute(unsigned short column, unsigned short field) const
{
    char text[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttribute(m_statement, column, field, text, sizeof text, &length, nullptr)))
        return QString();
    return QString::fromUtf8(text).trimmed();
}

void OdbcResultReader::append(RowStore& rows, int c, const char* data, std::size_t size) const
{
    // ODBC gives bits as 1 and 0; they read as the words elsewhere in the program.
    if (m_columns[std::size_t(c)].bit && size == 1 && (*data == '1' || *data == '0')) {
        const std::string_view word = *data == '1' ? std::string_view("true") : std::string_view("false");
        rows.appendCell(c, word.data(), word.size());
        return;
    }
    rows.appendCell(c, data, size);
}

void OdbcResultReader::store(RowStore& rows, int c, std::size_t r)
{
    const Column& column = m_columns[std::size_t(c)];
    const SQLLEN indicator = column.indicators[r];
    if (indicator == SQL_NULL_DATA) {
        rows.appendNull(c);
        return;
    }
    const SQLLEN room = column.cType == SQL_C_CHAR ? column.width - 1 : column.width;
    if (indicator == SQL_NO_TOTAL || indicator > room) {
        storeWhole(rows, c, r);
        return;
    }
    append(rows, c, column.buffer.data() + std::size_t(column.width) * r, std::size_t(indicator));
}

void OdbcResultReader::storeWhole(RowStore& rows, int c, std::size_t r)
{
    const SQLHSTMT h = m_statement;
    if (m_blockRows > 1)
        m_check(SQLSetPos(h, SQLSETPOSIROW(r + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE));
    const SQLSMALLINT cType = m_columns[std::size_t(c)].cType;
    if (m_piece.empty())
        m_piece.resize(kPieceBytes);
    QByteArray value;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(h, SQLUSMALLINT(c + 1), cType, m_piece.data(), SQLLEN(m_piece.size()), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        m_check(rc);
        if (indicator == SQL_NULL_DATA) {
            rows.appendNull(c);
            return;
        }
        const bool whole =
            indicator != SQL_NO_TOTAL && indicator <= SQLLEN(m_piece.size()) - (cType == SQL_C_CHAR ? 1 : 0);
        std::size_t size = whole ? std::size_t(indicator) : m_piece.size();
        // A driver may end a piece of text early rather than split a character.
        if (!whole && cType == SQL_C_CHAR)
            size = strnlen(m_piece.data(), m_piece.size() - 1);
        value.append(m_piece.data(), qsizetype(size));
        if (whole)
            break;
    }
    append(rows, c, value.constData(), std::size_t(value.size()));
}
