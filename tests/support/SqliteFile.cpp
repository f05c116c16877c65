#include "support/SqliteFile.h"

#include "connection/AliasFile.h"
#include "connection/DataSources.h"
#include "support/TestDataSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

struct Closer
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, Closer>;

Database openFile(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        Database guard(db);
        throw std::runtime_error("Cannot open " + path.toStdString());
    }
    return Database(db);
}

QString sqliteOdbcDriver()
{
    for (const QString& dir :
         {QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc"), QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc"),
          QStringLiteral("/usr/lib/odbc")}) {
        const QString path = dir + QStringLiteral("/libsqlite3odbc.so");
        if (QFileInfo::exists(path))
            return path;
    }
    return QStringLiteral("SQLite3");
}

} // namespace

SqliteFile::SqliteFile(const QString& path, const QString& script) : m_path(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!script.isEmpty())
        exec(script);
    else
        openFile(path);
}

void SqliteFile::exec(const QString& sql) const
{
    Database db = openFile(m_path);
    char* message = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error("SQLite: " + text);
    }
}

QString SqliteFile::scalar(const QString& sql) const
{
    Database db = openFile(m_path);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db.get()));
    QString result;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        result = text ? QString::fromUtf8(text) : QStringLiteral("NULL");
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db.get()));
    return result;
}

void SqliteFile::writeAlias(const QString& aliasName, const QString& aliasFile) const
{
    AliasFile::Alias alias;
    alias.name = aliasName;
    alias.driver = QStringLiteral("SQLITE");
    alias.database = m_path;
    WriteTestAlias(alias, aliasFile);
}

void SqliteFile::writeOdbcDsn(const QString& dsnName, const QString& odbcIni) const
{
    AppendTestOdbcDsn(dsnName, odbcIni,
                      QStringLiteral("Driver = %1\nDatabase = %2\n").arg(sqliteOdbcDriver(), m_path));
}
