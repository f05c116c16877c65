#pragma once

#include <QString>

/// An SQLite database file for a test, made by a script and reachable through the engine: as an
/// alias of the alias file (Driver SQLITE) or as an ODBC DSN through the SQLite ODBC driver.
/// Set-up and checks go straight through the sqlite3 C API, never through the engine under test.
class SqliteFile final
{
public:
    /// Creates (or opens) the file and runs script on it; throws std::runtime_error on failure.
    explicit SqliteFile(const QString& path, const QString& script = QString());

    QString path() const { return m_path; }
    /// Runs statements; throws std::runtime_error with SQLite's message on failure.
    void exec(const QString& sql) const;
    /// The first column of the first row as text ("NULL" for NULL, empty when there is no row).
    QString scalar(const QString& sql) const;

    /// Adds an alias (Driver SQLITE) to the alias file, by default DataSources::AliasFilePath().
    void writeAlias(const QString& aliasName, const QString& aliasFile = QString()) const;
    /// Adds a DSN through the SQLite3 ODBC driver to an odbc.ini, by default $ODBCINI.
    void writeOdbcDsn(const QString& dsnName, const QString& odbcIni = QString()) const;

private:
    QString m_path;
};
