#include "connection/AliasFile.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/EngineError.h"
#include "connection/Query.h"
#include "support/PgServer.h"
#include "support/PgTest.h"
#include "support/TestHome.h"

#include <QDate>

#include <gtest/gtest.h>

namespace {

const char* const kSchema = R"sql(
DROP VIEW IF EXISTS item_view;
DROP TABLE IF EXISTS items, tags, nokey;
CREATE TABLE items (id serial PRIMARY KEY, name varchar(20) NOT NULL, price numeric(8,2), added date DEFAULT '2000-01-01',
                    seen timestamp, active boolean, cost money);
INSERT INTO items (name, price, added, seen, active, cost) VALUES
    ('Blue pen', 1.25, '2024-02-29', '2024-03-01 10:11:12', true, 3.5),
    ('Red ink', NULL, NULL, NULL, NULL, NULL),
    ('Big pad', 10.50, '2023-12-31', NULL, false, 12);
CREATE TABLE tags (id integer, tag varchar(10));
INSERT INTO tags VALUES (1, 'office'), (3, 'paper');
CREATE TABLE nokey (v text);
INSERT INTO nokey VALUES ('a');
CREATE VIEW item_view AS SELECT * FROM items;
)sql";

class Postgres : public PgTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
        pg.psql(QString::fromUtf8(kSchema));
        pg.writeAlias(QStringLiteral("PG"));
        pg.writeOdbcDsn(QStringLiteral("PG DSN"));
    }
};

TEST_F(Postgres, WrongPasswordsAndUnknownUsersFailOnBothRoads)
{
    for (const QString& name : {QStringLiteral("PG"), QStringLiteral("PG DSN")}) {
        EXPECT_THROW(login(name, pg.user(), QStringLiteral("wrong")), EngineError) << name.toStdString();
        EXPECT_FALSE(connection.isConnected());
        EXPECT_THROW(login(name, QStringLiteral("nobody_here"), pg.password()), EngineError)
            << name.toStdString();
        EXPECT_THROW(login(name, pg.user(), QString()), EngineError) << name.toStdString();
        EXPECT_NO_THROW(login(name, pg.user(), pg.password())) << name.toStdString();
        EXPECT_TRUE(connection.isConnected());
        connection.disconnect();
    }
    try {
        login(QStringLiteral("PG"), pg.user(), QStringLiteral("wrong"));
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("password authentication failed")), -1);
    }
}

TEST_F(Postgres, AnUnreachableServerFails)
{
    AliasFile::Alias alias{QStringLiteral("Down"),
                           QStringLiteral("QPSQL"),
                           pg.database(),
                           home.path() + QStringLiteral("/no-server-here"),
                           pg.port(),
                           {}};
    ASSERT_TRUE(AliasFile::Write(DataSources::AliasFilePath(), alias));
    EXPECT_THROW(login(QStringLiteral("Down"), pg.user(), pg.password()), EngineError);
}

TEST_F(Postgres, ParametersBesideCastsLiteralsAndComments)
{
    login(QStringLiteral("PG"), pg.user(), pg.password());
    query.addSql(
        QStringLiteral("SELECT :A::int + 1 AS x, '::lit :NOT' AS l, $$ :NOR $$ AS d, E'it\\'s :NEITHER' AS e "
                       "-- it's :NOPE\n, :B::text || 'x' AS y /* :NO */"));
    ASSERT_EQ(query.paramCount(), 2);
    EXPECT_EQ(query.paramName(0), QStringLiteral("A"));
    EXPECT_EQ(query.paramName(1), QStringLiteral("B"));
    query.setParamAsString(0, QStringLiteral("41"));
    query.setParamAsString(1, QStringLiteral("O'Brien"));
    query.open();
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("42"));
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("::lit :NOT"));
    EXPECT_EQ(query.valueText(0, 2), QStringLiteral(" :NOR "));
    EXPECT_EQ(query.valueText(0, 3), QStringLiteral("it's :NEITHER"));
    EXPECT_EQ(query.valueText(0, 4), QStringLiteral("O'Brienx"));
}

TEST_F(Postgres, NestedBlockCommentsAreTheServersToo)
{
    login(QStringLiteral("PG"), pg.user(), pg.password());
    query.addSql(QStringLiteral("/* a /* b */ :p c */ SELECT 1 AS one, :q::int AS two"));
    ASSERT_EQ(query.paramCount(), 1);
    EXPECT_EQ(query.paramName(0), QStringLiteral("q"));
    query.setParamAsString(0, QStringLiteral("2"));
    query.open();
    ASSERT_EQ(query.recordCount(), 1);
    EXPECT_EQ(query.valueText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("2"));
}

TEST_F(Postgres, ValuesKeepTheirTypesAndExactDigits)
{
    login(QStringLiteral("PG"), pg.user(), pg.password());
    run(QStringLiteral("SELECT * FROM ITEMS ORDER BY ID"));
    ASSERT_EQ(query.recordCount(), 3);
    EXPECT_EQ(query.field(1).displayWidth, 20);
    EXPECT_EQ(query.valueText(0, 1), QStringLiteral("Blue pen"));
    EXPECT_EQ(query.valueText(2, 2), QStringLiteral("10.50"));
    EXPECT_EQ(query.value(0, 3), QVariant(QDate(2024, 2, 29)));
    EXPECT_EQ(query.valueText(0, 4), QStringLiteral("2024-03-01 10:11:12"));
    EXPECT_EQ(query.value(0, 5), QVariant(true));
    EXPECT_EQ(query.field(6).type, FieldType::Money);
    for (int c = 2; c < 7; ++c)
        EXPECT_TRUE(query.isNull(1, c)) << c;
}

TEST_F(Postgres, LiveEditsInsertsAndDeletesThroughAnAlias)
{
    login(QStringLiteral("PG"), pg.user(), pg.password());
    // Upper-case names, as the statement normaliser sends them, reach the lower-case table.
    run(QStringLiteral("SELECT ID, NAME, PRICE, ADDED FROM ITEMS ORDER BY ID"));
    ASSERT_TRUE(query.canModify());
    query.setRecNo(1);
    query.setFieldValue(1, QStringLiteral("Black ink"));
    query.setFieldValue(2, QStringLiteral("2.10"));
    query.setFieldValue(3, QDate(2022, 7, 1));
    query.post();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT name || '|' || price || '|' || added FROM items WHERE id = 2")),
              QStringLiteral("Black ink|2.10|2022-07-01"));

    query.append();
    query.setFieldValue(1, QStringLiteral("Ruler"));
    query.post();
    EXPECT_EQ(query.valueText(3, 0), QStringLiteral("4")); // the serial key comes back
    EXPECT_EQ(query.valueText(3, 3), QStringLiteral("2000-01-01"));
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT name FROM items WHERE id = 4")), QStringLiteral("Ruler"));

    query.first();
    query.deleteRecord();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM items WHERE id = 1")), QStringLiteral("0"));
    EXPECT_EQ(query.recordCount(), 3);
}

TEST_F(Postgres, LiveEditsThroughTheOdbcDsn)
{
    login(QStringLiteral("PG DSN"), pg.user(), pg.password());
    run(QStringLiteral("SELECT ID, NAME FROM ITEMS ORDER BY ID"));
    ASSERT_TRUE(query.canModify());
    query.last();
    query.setFieldValue(1, QStringLiteral("Small pad"));
    query.post();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT name FROM items WHERE id = 3")), QStringLiteral("Small pad"));
    query.first();
    query.deleteRecord();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM items")), QStringLiteral("2"));
}

TEST_F(Postgres, APostToARowThatIsGoneIsRefused)
{
    login(QStringLiteral("PG"), pg.user(), pg.password());
    run(QStringLiteral("SELECT * FROM items ORDER BY id"));
    pg.psql(QStringLiteral("DELETE FROM items WHERE id = 1"));
    query.setFieldValue(1, QStringLiteral("Ghost"));
    try {
        query.post();
        FAIL() << "posted to a row that is gone";
    } catch (const EngineError& e) {
        ASSERT_EQ(e.entries().size(), 1);
        EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("not found")), -1);
    }
    EXPECT_EQ(query.state(), Query::State::Edit);
    query.cancel();
    EXPECT_THROW(query.deleteRecord(), EngineError);
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT count(*) FROM items WHERE name = 'Ghost'")),
              QStringLiteral("0"));
}

TEST_F(Postgres, APostInsideTheUsersTransactionStaysPartOfIt)
{
    login(QStringLiteral("PG"), pg.user(), pg.password());
    Query command(connection);
    command.addSql(QStringLiteral("BEGIN"));
    command.execSQL();
    command.setSql({QStringLiteral("UPDATE items SET price = 99 WHERE id = 3")});
    command.execSQL();
    run(QStringLiteral("SELECT ID, NAME FROM ITEMS ORDER BY ID"));
    query.setFieldValue(1, QStringLiteral("Inside"));
    query.post();
    // A refused post must not undo the user's own work either.
    pg.psql(QStringLiteral("SELECT 1")); // (another session: sees nothing yet)
    query.next();
    query.setFieldValue(0, 1); // would collide with the key of the first row
    EXPECT_THROW(query.post(), EngineError);
    query.cancel();
    command.setSql({QStringLiteral("COMMIT")});
    command.execSQL();
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT name FROM items WHERE id = 1")), QStringLiteral("Inside"));
    EXPECT_EQ(pg.psql(QStringLiteral("SELECT price FROM items WHERE id = 3")), QStringLiteral("99.00"));
}

struct PgReadOnlyCase
{
    const char* sql;
};

void PrintTo(const PgReadOnlyCase& c, std::ostream* os)
{
    *os << c.sql;
}

class PostgresReadOnly : public Postgres, public ::testing::WithParamInterface<PgReadOnlyCase>
{
};

TEST_P(PostgresReadOnly, ALiveRequestThatCannotBeGrantedGivesAReadOnlyResult)
{
    login(QStringLiteral("PG"), pg.user(), pg.password());
    ASSERT_NO_THROW(run(QString::fromUtf8(GetParam().sql)));
    EXPECT_GT(query.recordCount(), 0);
    EXPECT_FALSE(query.canModify());
    EXPECT_THROW(query.edit(), WrapperError);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, PostgresReadOnly,
    ::testing::Values(PgReadOnlyCase{"SELECT i.name, t.tag FROM items i JOIN tags t ON t.id = i.id"},
                      PgReadOnlyCase{"SELECT name FROM items"},
                      PgReadOnlyCase{"SELECT id AS name, name AS id FROM items"},
                      PgReadOnlyCase{"SELECT id, upper(name) FROM items"},
                      PgReadOnlyCase{"SELECT * FROM nokey"}, PgReadOnlyCase{"SELECT * FROM item_view"}));

TEST_F(Postgres, EngineErrorsAndRowsAffected)
{
    for (const QString& name : {QStringLiteral("PG"), QStringLiteral("PG DSN")}) {
        login(name, pg.user(), pg.password());
        query.setSql({QStringLiteral("SELECT * FROM nosuch")});
        try {
            query.open();
            FAIL() << "no error";
        } catch (const EngineError& e) {
            ASSERT_FALSE(e.entries().isEmpty());
            EXPECT_EQ(e.entries()[0].code, QStringLiteral("42P01")) << name.toStdString();
            EXPECT_NE(e.entries()[0].message.indexOf(QStringLiteral("\"nosuch\" does not exist")), -1);
        }
        query.setSql({QStringLiteral("UPDATE items SET price = 1 WHERE price IS NOT NULL")});
        query.execSQL();
        EXPECT_EQ(query.rowsAffected(), 2) << name.toStdString();
        query.setSql({QStringLiteral("CREATE TEMP TABLE scratch (a int)")});
        query.execSQL();
        EXPECT_EQ(query.rowsAffected(), -1) << name.toStdString();
        connection.disconnect();
    }
}

} // namespace
