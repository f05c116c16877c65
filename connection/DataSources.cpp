#include "connection/DataSources.h"

#include "connection/AliasFile.h"

#include <QStandardPaths>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>

namespace {

/// A data source of the driver manager and the driver it names.
struct OdbcSource
{
    QString name;
    QString driver;
};

/// The driver manager's data sources: user DSNs, then system DSNs.
QList<OdbcSource> odbcDataSources()
{
    QList<OdbcSource> sources;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return sources;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    for (const SQLUSMALLINT first :
         {SQLUSMALLINT(SQL_FETCH_FIRST_USER), SQLUSMALLINT(SQL_FETCH_FIRST_SYSTEM)}) {
        SQLUSMALLINT direction = first;
        for (;;) {
            SQLCHAR name[SQL_MAX_DSN_LENGTH * 4 + 1] = {};
            SQLCHAR driver[1024] = {};
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT driverLength = 0;
            const SQLRETURN rc = SQLDataSources(env, direction, name, SQLSMALLINT(sizeof name), &nameLength,
                                                driver, SQLSMALLINT(sizeof driver), &driverLength);
            if (!SQL_SUCCEEDED(rc))
                break;
            sources.append({QString::fromUtf8(reinterpret_cast<const char*>(name)),
                            QString::fromUtf8(reinterpret_cast<const char*>(driver))});
            direction = SQL_FETCH_NEXT;
        }
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return sources;
}

QStringList odbcDataSourceNames()
{
    QStringList names;
    for (const OdbcSource& source : odbcDataSources())
        names.append(source.name);
    return names;
}

} // namespace

QStringList DataSources::OdbcNames()
{
    return odbcDataSourceNames();
}

QString DataSources::OdbcDriverOf(const QString& dsn)
{
    if (dsn.isEmpty())
        return QString();
    for (const OdbcSource& source : odbcDataSources()) {
        if (source.name.compare(dsn, Qt::CaseInsensitive) == 0)
            return source.driver;
    }
    return QString();
}

QStringList DataSources::List(const QStringList& connectionNames)
{
    QStringList candidates{kSample};
    candidates += odbcDataSourceNames();
    for (const AliasFile::Alias& alias : AliasFile::Read(AliasFilePath()))
        candidates.append(alias.name);
    for (const QString& name : connectionNames) {
        if (!name.contains(QLatin1Char(':')) && !name.contains(QLatin1Char('\\')))
            candidates.append(name);
    }
    QStringList names;
    for (const QString& name : candidates) {
        const bool known = std::any_of(names.cbegin(), names.cend(), [&name](const QString& other) {
            return other.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!name.isEmpty() && !known)
            names.append(name);
    }
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString DataSources::AliasFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/VEMRA/datasources.ini");
}

QString DataSources::SampleDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VEMRA/sample.sqlite3");
}
