#include "connection/SchemaCatalogue.h"
#include "connection/Connection.h"
#include "connection/DatabaseDriver.h"
#include "connection/RowStore.h"
#include "connection/SqlLexer.h"
#include "support/PgTest.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

namespace {

/// One line per table of the schema: "name[ view]: column type, ...".
std::string Describe(const SchemaCatalogue& catalogue, const QString& schema)
{
    QStringList lines;
    for (const CatalogueTable& table : catalogue.tables()) {
        if (table.schema != schema)
            continue;
        QStringList columns;
        for (const CatalogueColumn& column : table.columns)
            columns.append(column.name + u' ' + column.type);
        lines.append(table.name + (table.view ? QStringLiteral(" view") : QString()) + QStringLiteral(": ") +
                     columns.join(QStringLiteral(", ")));
    }
    return lines.join(u'\n').toStdString();
}

QStringList TableNames(const SchemaCatalogue& catalogue, const QList<int>& indexes)
{
    QStringList names;
    for (const int i : indexes)
        names.append(catalogue.tables()[i].schema + u'.' + catalogue.tables()[i].name);
    return names;
}

SchemaCatalogue Handmade()
{
    return SchemaCatalogue({{QStringLiteral("public"),
                             QStringLiteral("orders"),
                             false,
                             {{QStringLiteral("id"), QStringLiteral("integer")},
                              {QStringLiteral("Ship Date"), QStringLiteral("date")}}},
                            {QStringLiteral("public"),
                             QStringLiteral("Customer"),
                             true,
                             {{QStringLiteral("id"), QStringLiteral("integer")}}},
                            {QStringLiteral("sales"), QStringLiteral("orders"), false, {}}},
                           QStringLiteral("public"));
}

TEST(SchemaCatalogue, FilterMatchesNamesSchemasAndColumnsWithoutCase)
{
    const SchemaCatalogue catalogue = Handmade();
    const struct
    {
        const char* filter;
        QStringList shown;
    } cases[] = {
        {"", {"public.Customer", "public.orders", "sales.orders"}},
        {"   ", {"public.Customer", "public.orders", "sales.orders"}},
        {"ORD", {"public.orders", "sales.orders"}},
        {"cust", {"public.Customer"}},
        {"sales.", {"sales.orders"}},
        {"lic.ord", {"public.orders"}},
        {"ship d", {"public.orders"}},
        {"ID", {"public.Customer", "public.orders"}},
        {"nothing", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TableNames(catalogue, catalogue.filtered(QString::fromUtf8(c.filter))), c.shown)
            << c.filter;
    }
}

TEST(SchemaCatalogue, NamesForStatementsAndCompletion)
{
    const SchemaCatalogue catalogue = Handmade();
    const auto lower = [](const QString& name) {
        return IsBareSqlName(name, true) ? name : DoubleQuotedSqlName(name);
    };
    // Listed without regard to case, whatever order the engine gave.
    EXPECT_EQ(catalogue.tableSql(catalogue.tables()[0], lower), QStringLiteral("\"Customer\""));
    EXPECT_EQ(catalogue.tableSql(catalogue.tables()[1], lower), QStringLiteral("orders"));
    EXPECT_EQ(catalogue.tableSql(catalogue.tables()[2], lower), QStringLiteral("sales.orders"));

    const QStringList words = catalogue.completionWords();
    EXPECT_EQ(words.count(QStringLiteral("orders")), 1);
    EXPECT_EQ(words.count(QStringLiteral("id")), 1);
    EXPECT_TRUE(words.contains(QStringLiteral("Ship Date")));
    EXPECT_TRUE(words.contains(QStringLiteral("SELECT")));
    const qsizetype customer = words.indexOf(QStringLiteral("Customer"));
    EXPECT_GT(customer, words.indexOf(QStringLiteral("CASE")));
    EXPECT_LT(customer, words.indexOf(QStringLiteral("DELETE")));
}

const char* const kLiteScript = R"sql(
CREATE TABLE EMP (EMPNO INTEGER PRIMARY KEY AUTOINCREMENT, ENAME VARCHAR(30), SAL NUMERIC(8,2));
CREATE TABLE "Order Items" ("Line No" INTEGER, qty);
CREATE VIEW RICH AS SELECT ENAME FROM EMP WHERE SAL > 1000;
INSERT INTO EMP (ENAME, SAL) VALUES ('Li', 900);
)sql";

class CatalogueSqlite : public IsolatedTest
{
protected:
    void SetUp() override
    {
        db = std::make_unique<SqliteFile>(home.path() + QStringLiteral("/lite.sqlite3"),
                                          QString::fromUtf8(kLiteScript));
        SqliteFile extra(home.path() + QStringLiteral("/extra.sqlite3"),
                         QStringLiteral("CREATE TABLE T (X TEXT);"));
        db->writeAlias(QStringLiteral("Lite"));
        connection.setName(QStringLiteral("Lite"));
        connection.connect();
    }

    std::unique_ptr<SqliteFile> db;
    Connection connection;
};

TEST_F(CatalogueSqlite, AViewWhoseTableIsGoneLeavesTheRestListed)
{
    db->exec(QStringLiteral(
        "CREATE TABLE DROPPED (A); CREATE VIEW GONE AS SELECT * FROM DROPPED; DROP TABLE DROPPED;"));
    const SchemaCatalogue catalogue = connection.driver().readCatalogue();
    EXPECT_EQ(Describe(catalogue, QStringLiteral("main")),
              "EMP: EMPNO INTEGER, ENAME VARCHAR(30), SAL NUMERIC(8,2)\n"
              "GONE view: \n"
              "Order Items: Line No INTEGER, qty \n"
              "RICH view: ENAME VARCHAR(30)");
}

TEST_F(CatalogueSqlite, TablesViewsColumnsAndAttachedDatabases)
{
    connection.driver().execute(QStringLiteral("ATTACH DATABASE '%1' AS \"Extra\"")
                                    .arg(home.path() + QStringLiteral("/extra.sqlite3")),
                                {});
    const SchemaCatalogue catalogue = connection.driver().readCatalogue();
    // sqlite_sequence, made by AUTOINCREMENT, is the engine's own.
    EXPECT_EQ(Describe(catalogue, QStringLiteral("main")),
              "EMP: EMPNO INTEGER, ENAME VARCHAR(30), SAL NUMERIC(8,2)\n"
              "Order Items: Line No INTEGER, qty \n"
              "RICH view: ENAME VARCHAR(30)");
    EXPECT_EQ(Describe(catalogue, QStringLiteral("Extra")), "T: X TEXT");

    const auto name = [this](const QString& n) { return connection.driver().nameForSql(n); };
    QStringList written;
    for (const CatalogueTable& table : catalogue.tables())
        written.append(catalogue.tableSql(table, name));
    EXPECT_TRUE(written.contains(QStringLiteral("\"Order Items\"")));
    EXPECT_TRUE(written.contains(QStringLiteral("EMP")));
    EXPECT_TRUE(written.contains(QStringLiteral("Extra.T")));

    // What the catalogue names, the engine finds.
    for (const QString& table : written)
        EXPECT_NO_THROW(connection.driver().fetch(QStringLiteral("SELECT * FROM ") + table, {}, false))
            << table.toStdString();
}

class CataloguePostgres : public PgTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
        pg.psql(QStringLiteral(
            "DROP SCHEMA IF EXISTS cat_a CASCADE; CREATE SCHEMA cat_a;"
            "CREATE TABLE cat_a.\"Mixed\" (id integer PRIMARY KEY, \"Nm\" varchar(5), gone int, born date);"
            "ALTER TABLE cat_a.\"Mixed\" DROP COLUMN gone;"
            "CREATE VIEW cat_a.born_view AS SELECT born FROM cat_a.\"Mixed\";"
            "CREATE TABLE cat_a.empty ();"));
        pg.writeAlias(QStringLiteral("PG"));
        pg.writeOdbcDsn(QStringLiteral("PG DSN"));
    }
};

TEST_F(CataloguePostgres, OneSchemaThroughLibpqAndOdbc)
{
    // Each road names types its own way.
    const struct
    {
        const char* source;
        const char* mixed;
    } roads[] = {{"PG", "Mixed: id integer, Nm character varying(5), born date"},
                 {"PG DSN", "Mixed: id int4, Nm varchar, born date"}};
    for (const auto& [source, mixed] : roads) {
        login(QString::fromUtf8(source));
        const SchemaCatalogue catalogue = connection.driver().readCatalogue();
        EXPECT_EQ(Describe(catalogue, QStringLiteral("cat_a")), "born_view view: born date\n"
                                                                "empty: \n" +
                                                                    std::string(mixed))
            << source;
        EXPECT_EQ(catalogue.defaultSchema(), QStringLiteral("public")) << source;
        for (const CatalogueTable& table : catalogue.tables()) {
            EXPECT_NE(table.schema, QStringLiteral("pg_catalog")) << source;
            EXPECT_NE(table.schema, QStringLiteral("information_schema")) << source;
        }
        const auto name = [this](const QString& n) { return connection.driver().nameForSql(n); };
        for (const CatalogueTable& table : catalogue.tables()) {
            if (table.schema == QStringLiteral("cat_a") && table.name == QStringLiteral("Mixed")) {
                EXPECT_EQ(catalogue.tableSql(table, name), QStringLiteral("cat_a.\"Mixed\"")) << source;
            }
        }
        connection.disconnect();
    }
}

} // namespace
