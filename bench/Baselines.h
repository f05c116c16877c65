#pragma once
// The client libraries alone, as the benchmarks compare the program with them: a plain libpq
// connection to the tests' server, and a bare block fetch through the ODBC driver manager.

#include "support/PgServer.h"

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>

#include <stdexcept>
#include <vector>

/// What a baseline read: rows, and the bytes of their values as text.
struct Fetched
{
    long long rows = 0;
    long long textBytes = 0;
};

inline PGconn* ConnectPlain(const PgServer& pg)
{
    const QByteArray host = pg.socketDir().toUtf8();
    const QByteArray port = QByteArray::number(pg.port());
    const QByteArray db = pg.database().toUtf8();
    const QByteArray user = pg.user().toUtf8();
    const QByteArray password = pg.password().toUtf8();
    const char* keys[] = {"host", "port", "dbname", "user", "password", nullptr};
    const char* values[] = {host.constData(), port.constData(),     db.constData(),
                            user.constData(), password.constData(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 0);
    if (PQstatus(conn) != CONNECTION_OK)
        throw std::runtime_error(PQerrorMessage(conn));
    return conn;
}

inline void OdbcCheck(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle)
{
    if (SQL_SUCCEEDED(rc))
        return;
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    throw std::runtime_error(reinterpret_cast<const char*>(message));
}

/// A bare block fetch through the driver manager, every column bound as text, with the driver
/// options the program's ODBC driver sets for psqlODBC.
class OdbcBlockFetch
{
public:
    explicit OdbcBlockFetch(const QString& dsn)
    {
        const PgServer& pg = PgServer::instance();
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        QByteArray text = QStringLiteral("DSN=%1;UID=%2;PWD={%3};UseDeclareFetch=1;Fetch=20000")
                              .arg(dsn, pg.user(), pg.password())
                              .toUtf8();
        OdbcCheck(SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr,
                                   0, nullptr, SQL_DRIVER_NOPROMPT),
                  SQL_HANDLE_DBC, m_dbc);
    }
    ~OdbcBlockFetch()
    {
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    OdbcBlockFetch(const OdbcBlockFetch&) = delete;
    OdbcBlockFetch& operator=(const OdbcBlockFetch&) = delete;

    Fetched fetch(const char* sql)
    {
        constexpr SQLULEN kBlock = 2000;
        constexpr SQLLEN kWidth = 128;
        SQLHSTMT st = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st);
        SQLULEN fetched = 0;
        SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlock), 0);
        SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
        OdbcCheck(SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS),
                  SQL_HANDLE_STMT, st);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(st, &columns);
        std::vector<std::vector<char>> buffers(std::size_t(columns),
                                               std::vector<char>(std::size_t(kWidth * kBlock)));
        std::vector<std::vector<SQLLEN>> indicators(std::size_t(columns),
                                                    std::vector<SQLLEN>(std::size_t{kBlock}));
        for (SQLSMALLINT c = 0; c < columns; ++c)
            SQLBindCol(st, SQLUSMALLINT(c + 1), SQL_C_CHAR, buffers[std::size_t(c)].data(), kWidth,
                       indicators[std::size_t(c)].data());
        Fetched f;
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            f.rows += (long long)fetched;
            for (std::size_t c = 0; c < buffers.size(); ++c) {
                for (SQLULEN r = 0; r < fetched; ++r) {
                    if (indicators[c][r] > 0) {
                        benchmark::DoNotOptimize(buffers[c][r * kWidth]);
                        f.textBytes += indicators[c][r];
                    }
                }
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return f;
    }

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
};
