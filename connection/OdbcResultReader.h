#pragma once

#include "connection/DatabaseDriver.h"

#include <atomic>
#include <functional>
#include <vector>

/// Reads an executed ODBC result into a row store: bound column arrays of narrow (UTF-8) text or
/// bytes, block after block; a value longer than its buffer is read whole with SQLGetData. Where
/// the driver cannot mix SQLGetData with blocks, it reads one row at a time.
class OdbcResultReader final
{
public:
    /// Raises the statement's diagnostics when the return code is a failure.
    using Check = std::function<void(short returnCode)>;

    /// getDataExtensions: the driver's SQL_GETDATA_EXTENSIONS.
    OdbcResultReader(void* statement, quint32 getDataExtensions, Check check);
    ~OdbcResultReader();
    OdbcResultReader(const OdbcResultReader&) = delete;
    OdbcResultReader& operator=(const OdbcResultReader&) = delete;

    /// Every row of the result, and where tables is given the base table the driver names for
    /// each column. rowsSoFar follows the rows read; a raised stop flag ends the read after the
    /// block at hand with the cancel error.
    FetchedResult read(QStringList* tables, const std::atomic<bool>& stop, std::atomic<qint64>& rowsSoFar);

private:
    struct Column;

    void describe(short count, QList<ColumnInfo>& infos, QStringList* tables);
    QString attribute(unsigned short column, unsigned short field) const;
    void append(RowStore& rows, int c, const char* data, std::size_t size) const;
    void store(RowStore& rows, int c, std::size_t r);
    /// Reads the value of block row r, column c whole with SQLGetData, piece by piece.
    void storeWhole(RowStore& rows, int c, std::size_t r);

    void* m_statement;
    quint32 m_getData;
    Check m_check;
    std::vector<Column> m_columns;
    std::size_t m_blockRows = 1;
    std::vector<char> m_piece;
};
