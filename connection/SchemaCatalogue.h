#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class DatabaseDriver;
class RowStore;

/// A column of a table or view, with its type as the engine names it.
struct CatalogueColumn
{
    QString name;
    QString type;
};

/// A table or view of the connected source and its columns in their order.
struct CatalogueTable
{
    QString schema; ///< empty where the engine has none
    QString name;
    bool view = false;
    QList<CatalogueColumn> columns;
};

/// The schemas, tables and views of one connection, as the driver read them at one moment.
/// The schema window lists it and the editor completes names from it.
class SchemaCatalogue final
{
public:
    SchemaCatalogue() = default;
    /// defaultSchema is the one whose tables a statement reaches without naming it.
    SchemaCatalogue(QList<CatalogueTable> tables, QString defaultSchema);

    /// From rows of (schema, table, kind, column, type): kind "view" marks a view; a NULL column
    /// is a table without columns. A table's rows need not stand together; columns keep their order.
    static SchemaCatalogue FromRows(const RowStore& rows, const QString& defaultSchema);
    /// From the results of the ODBC catalogue functions SQLTables and SQLColumns, in their columns.
    static SchemaCatalogue FromOdbcRows(const RowStore& tables, const RowStore& columns,
                                        const QString& defaultSchema);

    const QList<CatalogueTable>& tables() const { return m_tables; }
    QString defaultSchema() const { return m_defaultSchema; }

    /// The tables whose schema-qualified name or one of whose columns holds filter, without regard
    /// to case; every table for a blank filter.
    QList<int> filtered(const QString& filter) const;

    /// The table's name as a statement writes it, each part through nameForSql; the schema is left
    /// out where it is the default one.
    QString tableSql(const CatalogueTable& table,
                     const std::function<QString(const QString&)>& nameForSql) const;

    /// Table, view and column names and the SQL keywords, each once, sorted without regard to case.
    QStringList completionWords() const;

private:
    QList<CatalogueTable> m_tables;
    QString m_defaultSchema;
};

/// The SQL keywords the editor completes, upper case.
const QStringList& SqlCompletionKeywords();

/// The catalogue of an SQLite database and the databases attached to it, through its pragmas.
SchemaCatalogue ReadSqliteCatalogue(DatabaseDriver& driver);
/// The catalogue of a PostgreSQL database outside its system schemas, in one statement.
SchemaCatalogue ReadPostgresCatalogue(DatabaseDriver& driver);
