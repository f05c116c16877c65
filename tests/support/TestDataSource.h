#pragma once

#include "connection/AliasFile.h"

#include <QString>

/// Writes the alias into aliasFile, or the program's own alias file when that is empty; throws
/// when it cannot.
void WriteTestAlias(const AliasFile::Alias& alias, const QString& aliasFile);

/// Appends an ODBC data source block (the lines after its "[name]") to odbcIni, or to the file
/// ODBCINI names when that is empty; throws when it cannot.
void AppendTestOdbcDsn(const QString& dsnName, const QString& odbcIni, const QString& lines);
