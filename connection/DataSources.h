#pragma once

#include <QString>
#include <QStringList>

/// The named data sources the user can pick at login.
namespace DataSources {

inline const QString kSample = QStringLiteral("Sample");

/// "Sample", the driver manager's ODBC DSNs (user and system), the aliases of the alias file and
/// the given connection object names that are not folder paths (no ":" and no "\"); sorted without
/// regard to case, each once.
QStringList List(const QStringList& connectionNames);

/// The driver manager's data source names (user DSNs, then system DSNs).
QStringList OdbcNames();
/// The driver the DSN of this name (without regard to case) names: an odbcinst.ini name or a
/// library path; empty when there is no such DSN.
QString OdbcDriverOf(const QString& dsn);

/// The alias file: VEMRA/datasources.ini in the user's configuration folder.
QString AliasFilePath();

/// The Sample database file in the user's data folder.
QString SampleDatabasePath();

} // namespace DataSources
