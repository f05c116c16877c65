#include "support/TestDataSource.h"

#include "connection/DataSources.h"

#include <QFile>

#include <stdexcept>

void WriteTestAlias(const AliasFile::Alias& alias, const QString& aliasFile)
{
    const QString path = aliasFile.isEmpty() ? DataSources::AliasFilePath() : aliasFile;
    if (!AliasFile::Write(path, alias))
        throw std::runtime_error("Cannot write the alias file " + path.toStdString());
}

void AppendTestOdbcDsn(const QString& dsnName, const QString& odbcIni, const QString& lines)
{
    const QString path = odbcIni.isEmpty() ? QString::fromLocal8Bit(qgetenv("ODBCINI")) : odbcIni;
    if (path.isEmpty())
        throw std::runtime_error("No odbc.ini given and ODBCINI is not set");
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text) ||
        file.write(QStringLiteral("\n[%1]\n%2").arg(dsnName, lines).toUtf8()) < 0)
        throw std::runtime_error("Cannot write " + path.toStdString());
}
