#pragma once

#include <QList>
#include <QString>

/// The engine's alias file: one block per alias,
///
///     [Name]
///     Driver = QPSQL          (QPSQL or POSTGRESQL for libpq, SQLITE, or a Qt Sql driver name)
///     Database = ...
///     Host = ...
///     Port = ...
///     Options = ...           (connect options: "name=value;name=value")
///
/// Keys match without regard to case; lines starting with ";" or "#" are comments.
class AliasFile final
{
public:
    struct Alias
    {
        QString name;
        QString driver;
        QString database;
        QString host;
        int port = -1;
        QString options;
    };

    /// The aliases of the file, in file order; a missing or unreadable file has none.
    static QList<Alias> Read(const QString& path);
    /// The alias of this name (without regard to case), if the file has it.
    static bool Find(const QString& path, const QString& name, Alias* alias);
    /// Adds the alias to the file, or replaces the block of that name; creates file and folder.
    static bool Write(const QString& path, const Alias& alias);
};
