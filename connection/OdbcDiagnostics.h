#pragma once

#include "connection/EngineError.h"

#include <QList>
#include <QString>

/// Reading what ODBC drivers report, for every path that talks to a driver manager.
namespace OdbcDiagnostics {

/// Appends every diagnostic record of the handle (SQL_HANDLE_ENV, _DBC or _STMT), in order.
void Append(short handleType, void* handle, QList<EngineError::Entry>& entries);

/// SQLSTATE class 08 (connection exception), and PostgreSQL's states for a session the server
/// ended (administrator or crash shutdown).
bool IsLostConnection(const QString& state);

/// The error of a call stopped by a cancel that the driver had no word of its own for.
EngineError Cancelled();

} // namespace OdbcDiagnostics
