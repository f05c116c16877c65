#include "connection/SchemaCatalogue.h"

#include "connection/DatabaseDriver.h"
#include "connection/EngineError.h"
#include "connection/RowStore.h"

#include <QHash>
#include <QSet>

#include <algorithm>

#include <sqlite3.h>

namespace {

QString cellText(const RowStore& rows, int record, int column)
{
    const std::string_view cell = rows.cell(record, column);
    return QString::fromUtf8(cell.data(), qsizetype(cell.size()));
}

QString sqlLiteral(const QString& text)
{
    QString inner = text;
    return u'\'' + inner.replace(u'\'', QStringLiteral("''")) + u'\'';
}

/// A read the user stopped, as against one the engine refused.
bool IsInterrupt(const EngineError& error)
{
    return !error.entries().isEmpty() && (error.entries().first().nativeError & 0xff) == SQLITE_INTERRUPT;
}

} // namespace

SchemaCatalogue::SchemaCatalogue(QList<CatalogueTable> tables, QString defaultSchema)
    : m_tables(std::move(tables)), m_defaultSchema(std::move(defaultSchema))
{
    // Engines sort names by their own collations; a person looks for them without regard to case.
    std::stable_sort(m_tables.begin(), m_tables.end(), [](const CatalogueTable& a, const CatalogueTable& b) {
        const int schema = a.schema.compare(b.schema, Qt::CaseInsensitive);
        return schema != 0 ? schema < 0 : a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
}

SchemaCatalogue SchemaCatalogue::FromRows(const RowStore& rows, const QString& defaultSchema)
{
    QList<CatalogueTable> tables;
    QHash<std::pair<QString, QString>, qsizetype> index;
    for (int r = 0; r < rows.recordCount(); ++r) {
        const QString schema = cellText(rows, r, 0);
        const QString name = cellText(rows, r, 1);
        const std::pair<QString, QString> key{schema, name};
        auto at = index.find(key);
        if (at == index.end()) {
            at = index.insert(key, tables.size());
            CatalogueTable table;
            table.schema = schema;
            table.name = name;
            table.view = cellText(rows, r, 2).compare(u"view", Qt::CaseInsensitive) == 0;
            tables.append(std::move(table));
        }
        if (!rows.isNull(r, 3))
            tables[at.value()].columns.append({cellText(rows, r, 3), cellText(rows, r, 4)});
    }
    return SchemaCatalogue(std::move(tables), defaultSchema);
}

SchemaCatalogue SchemaCatalogue::FromOdbcRows(const RowStore& tables, const RowStore& columns,
                                              const QString& defaultSchema)
{
    // SQLTables: TABLE_SCHEM, TABLE_NAME, TABLE_TYPE; SQLColumns adds COLUMN_NAME and TYPE_NAME.
    QList<CatalogueTable> list;
    QHash<std::pair<QString, QString>, qsizetype> index;
    for (int r = 0; r < tables.recordCount(); ++r) {
        CatalogueTable table;
        table.schema = cellText(tables, r, 1);
        table.name = cellText(tables, r, 2);
        table.view = cellText(tables, r, 3).compare(u"view", Qt::CaseInsensitive) == 0;
        index.insert({table.schema, table.name}, list.size());
        list.append(std::move(table));
    }
    for (int r = 0; r < columns.recordCount(); ++r) {
        const auto at = index.constFind({cellText(columns, r, 1), cellText(columns, r, 2)});
        if (at != index.constEnd())
            list[at.value()].columns.append({cellText(columns, r, 3), cellText(columns, r, 5)});
    }
    return SchemaCatalogue(std::move(list), defaultSchema);
}

QList<int> SchemaCatalogue::filtered(const QString& filter) const
{
    const QString wanted = filter.trimmed();
    QList<int> shown;
    for (int i = 0; i < m_tables.size(); ++i) {
        const CatalogueTable& table = m_tables[i];
        bool match = wanted.isEmpty() || table.name.contains(wanted, Qt::CaseInsensitive);
        if (!match && !table.schema.isEmpty())
            match = (table.schema + u'.' + table.name).contains(wanted, Qt::CaseInsensitive);
        for (qsizetype c = 0; !match && c < table.columns.size(); ++c)
            match = table.columns[c].name.contains(wanted, Qt::CaseInsensitive);
        if (match)
            shown.append(i);
    }
    return shown;
}

QString SchemaCatalogue::tableSql(const CatalogueTable& table,
                                  const std::function<QString(const QString&)>& nameForSql) const
{
    if (table.schema.isEmpty() || table.schema == m_defaultSchema)
        return nameForSql(table.name);
    return nameForSql(table.schema) + u'.' + nameForSql(table.name);
}

QStringList SchemaCatalogue::completionWords() const
{
    QSet<QString> seen;
    QStringList words;
    const auto add = [&](const QString& word) {
        if (!word.isEmpty() && !seen.contains(word)) {
            seen.insert(word);
            words.append(word);
        }
    };
    for (const CatalogueTable& table : m_tables) {
        add(table.name);
        for (const CatalogueColumn& column : table.columns)
            add(column.name);
    }
    for (const QString& keyword : SqlCompletionKeywords())
        add(keyword);
    std::sort(words.begin(), words.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return words;
}

const QStringList& SqlCompletionKeywords()
{
    static const QStringList keywords =
        QStringLiteral(
            "ALL ALTER AND AS ASC BEGIN BETWEEN BY CASCADE CASE CAST COALESCE COLUMN COMMIT COUNT CREATE "
            "CROSS DEFAULT DELETE DESC DISTINCT DROP ELSE END EXCEPT EXISTS EXPLAIN FALSE FETCH FROM FULL "
            "GROUP HAVING IN INDEX INNER INSERT INTERSECT INTO IS JOIN LEFT LIKE LIMIT NOT NULL OFFSET ON "
            "OR ORDER OUTER PRIMARY REFERENCES RETURNING RIGHT ROLLBACK SELECT SET TABLE THEN TRUE UNION "
            "UNIQUE UPDATE USING VALUES VIEW WHEN WHERE WITH")
            .split(u' ');
    return keywords;
}

SchemaCatalogue ReadSqliteCatalogue(DatabaseDriver& driver)
{
    const FetchedResult databases =
        driver.fetch(QStringLiteral("SELECT name FROM pragma_database_list ORDER BY seq"), {}, false);
    QStringList names;
    for (int r = 0; r < databases.rows->recordCount(); ++r)
        names.append(cellText(*databases.rows, r, 0));
    const QString where = QStringLiteral(" WHERE m.type IN ('table', 'view') "
                                         "AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    try {
        QStringList parts;
        for (const QString& name : std::as_const(names)) {
            parts.append(QStringLiteral("SELECT ") + sqlLiteral(name) +
                         QStringLiteral(", m.name, m.type, p.name, p.type, p.cid FROM ") +
                         driver.quoteIdentifier(name) +
                         QStringLiteral(".sqlite_master AS m LEFT JOIN pragma_table_info(m.name, ") +
                         sqlLiteral(name) + QStringLiteral(") AS p") + where);
        }
        const FetchedResult rows = driver.fetch(
            parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" ORDER BY 1, 2, 6"), {}, false);
        return SchemaCatalogue::FromRows(*rows.rows, QStringLiteral("main"));
    } catch (const EngineError& e) {
        if (IsInterrupt(e))
            throw;
    }
    // A view whose table is gone fails the read of every column at once: each object on its own
    // then, a broken one listed without columns.
    QList<CatalogueTable> tables;
    for (const QString& name : std::as_const(names)) {
        const FetchedResult objects = driver.fetch(
            QStringLiteral("SELECT m.name, m.type FROM ") + driver.quoteIdentifier(name) +
                QStringLiteral(".sqlite_master AS m") + where + QStringLiteral(" ORDER BY m.name"),
            {}, false);
        for (int r = 0; r < objects.rows->recordCount(); ++r) {
            CatalogueTable table{name,
                                 cellText(*objects.rows, r, 0),
                                 cellText(*objects.rows, r, 1) == QStringLiteral("view"),
                                 {}};
            try {
                const FetchedResult columns = driver.fetch(
                    QStringLiteral("SELECT name, type FROM pragma_table_info(%1, %2) ORDER BY cid")
                        .arg(sqlLiteral(table.name), sqlLiteral(name)),
                    {}, false);
                for (int c = 0; c < columns.rows->recordCount(); ++c)
                    table.columns.append({cellText(*columns.rows, c, 0), cellText(*columns.rows, c, 1)});
            } catch (const EngineError& e) {
                if (IsInterrupt(e))
                    throw;
            }
            tables.append(std::move(table));
        }
    }
    return SchemaCatalogue(std::move(tables), QStringLiteral("main"));
}

SchemaCatalogue ReadPostgresCatalogue(DatabaseDriver& driver)
{
    static const QString kTables = QStringLiteral(
        "SELECT n.nspname, c.relname, CASE WHEN c.relkind IN ('v', 'm') THEN 'view' ELSE 'table' END, "
        "a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod) "
        "FROM pg_catalog.pg_class AS c "
        "JOIN pg_catalog.pg_namespace AS n ON n.oid = c.relnamespace "
        "LEFT JOIN pg_catalog.pg_attribute AS a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT "
        "a.attisdropped "
        "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') "
        "AND n.nspname <> 'information_schema' AND n.nspname !~ '^pg_' "
        "ORDER BY n.nspname, c.relname, a.attnum");
    const FetchedResult current = driver.fetch(QStringLiteral("SELECT current_schema()"), {}, false);
    const QString defaultSchema = current.rows->recordCount() > 0 && !current.rows->isNull(0, 0)
                                      ? cellText(*current.rows, 0, 0)
                                      : QString();
    const FetchedResult rows = driver.fetch(kTables, {}, false);
    return SchemaCatalogue::FromRows(*rows.rows, defaultSchema);
}
