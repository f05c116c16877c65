#include "query/SortKey.h"
#include "query/ReSort.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

SortKey Asc(const char* name)
{
    return {QString::fromUtf8(name), false};
}
SortKey Desc(const char* name)
{
    return {QString::fromUtf8(name), true};
}

TEST(SortKey, ClauseNamesTheFilledRolesInOrder)
{
    EXPECT_EQ(OrderByClause({Desc("NAME"), std::nullopt, std::nullopt}),
              QStringLiteral(" ORDER BY NAME DESC"));
    EXPECT_EQ(OrderByClause({Asc("NAME"), std::nullopt, Desc("CITY")}),
              QStringLiteral(" ORDER BY NAME ASC, CITY DESC"));
    EXPECT_EQ(OrderByClause({std::nullopt, Asc("CITY"), std::nullopt}), QStringLiteral(" ORDER BY CITY ASC"));
    EXPECT_EQ(OrderByClause({Asc("A"), Desc("A"), Asc("B")}),
              QStringLiteral(" ORDER BY A ASC, A DESC, B ASC"));
    // Names pass as the result spells them, never quoted.
    EXPECT_EQ(OrderByClause({Asc("Full Name"), std::nullopt, std::nullopt}),
              QStringLiteral(" ORDER BY Full Name ASC"));
}

struct FindCase
{
    const char* sql;
    int position;
};

void PrintTo(const FindCase& c, std::ostream* os)
{
    *os << c.sql;
}

class TopLevelOrderByCases : public ::testing::TestWithParam<FindCase>
{
};

TEST_P(TopLevelOrderByCases, FindsOnlyTheStatementsOwnClause)
{
    EXPECT_EQ(FindTopLevelOrderBy(QString::fromUtf8(GetParam().sql)), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    SortKey, TopLevelOrderByCases,
    ::testing::Values(
        FindCase{"SELECT * FROM EMP", -1}, FindCase{"SELECT * FROM EMP ORDER BY ID", 18},
        FindCase{"select * from emp order by id", 18}, FindCase{"SELECT * FROM EMP Order\r\n By ID", 18},
        FindCase{"SELECT * FROM ORDERS", -1}, FindCase{"SELECT * FROM ORDERS ORDER BY AMOUNT", 21},
        FindCase{"SELECT ORDER_DATE FROM T", -1}, FindCase{"SELECT * FROM REORDER BY", -1},
        FindCase{"SELECT 'x order by y' FROM T", -1}, FindCase{"SELECT \"order by\" FROM T", -1},
        FindCase{"SELECT [ORDER BY] FROM T", -1}, FindCase{"SELECT * FROM T -- order by a\r\n", -1},
        FindCase{"SELECT * FROM T /* ORDER BY A */ ORDER BY B", 33},
        FindCase{"SELECT * FROM (SELECT * FROM T ORDER BY A) X", -1},
        FindCase{"SELECT ROW_NUMBER() OVER (ORDER BY A) FROM T ORDER BY B", 45},
        FindCase{"SELECT * FROM T ORDER /* c */ BY A", 16}, FindCase{"SELECT 'it''s' FROM T ORDER BY A", 22},
        FindCase{"SELECT * FROM T WHERE ORDERED = 1", -1}, FindCase{"SELECT * FROM T ORDER", -1},
        FindCase{"SELECT 'unterminated ORDER BY A", -1}));

struct ReSortCase
{
    std::vector<const char*> lines;
    SortRequest request;
    std::vector<const char*> result;
};

class ReSortedSqlCases : public ::testing::TestWithParam<ReSortCase>
{
};

TEST_P(ReSortedSqlCases, CutsTheOldOrderAndAppendsTheClause)
{
    QStringList lines;
    for (const char* l : GetParam().lines)
        lines << QString::fromUtf8(l);
    QStringList expected;
    for (const char* l : GetParam().result)
        expected << QString::fromUtf8(l);
    EXPECT_EQ(ReSortedSql(lines, GetParam().request), expected);
}

INSTANTIATE_TEST_SUITE_P(
    SortKey, ReSortedSqlCases,
    ::testing::Values(
        // an uncut statement gains the clause as a line of its own
        ReSortCase{{"SELECT * FROM EMP"},
                   {Asc("NAME"), std::nullopt, std::nullopt},
                   {"SELECT * FROM EMP", " ORDER BY NAME ASC"}},
        // the cut leaves the blank before it: two blanks before ORDER
        ReSortCase{{"SELECT * FROM EMP ORDER BY ID"},
                   {Desc("NAME"), std::nullopt, std::nullopt},
                   {"SELECT * FROM EMP  ORDER BY NAME DESC"}},
        ReSortCase{{"select * from emp order by id"},
                   {Desc("NAME"), std::nullopt, std::nullopt},
                   {"select * from emp  ORDER BY NAME DESC"}},
        ReSortCase{{"SELECT * FROM ORDERS "},
                   {Asc("AMOUNT"), std::nullopt, std::nullopt},
                   {"SELECT * FROM ORDERS ", " ORDER BY AMOUNT ASC"}},
        // a statement that limits its rows keeps them: it is ordered from outside
        ReSortCase{{"SELECT *", "FROM T", "ORDER BY A", "LIMIT 5"},
                   {std::nullopt, Desc("B"), std::nullopt},
                   {"SELECT * FROM (", "SELECT *", "FROM T", "ORDER BY A", "LIMIT 5",
                    ") AS shown_rows ORDER BY B DESC"}},
        ReSortCase{{"SELECT * FROM EMP ORDER BY SAL DESC LIMIT 5 OFFSET 2 ;  -- top"},
                   {Asc("NAME"), std::nullopt, std::nullopt},
                   {"SELECT * FROM (", "SELECT * FROM EMP ORDER BY SAL DESC LIMIT 5 OFFSET 2",
                    ") AS shown_rows ORDER BY NAME ASC"}},
        ReSortCase{
            {"SELECT * FROM T FETCH FIRST 3 ROWS ONLY"},
            {Asc("A"), std::nullopt, std::nullopt},
            {"SELECT * FROM (", "SELECT * FROM T FETCH FIRST 3 ROWS ONLY", ") AS shown_rows ORDER BY A ASC"}},
        ReSortCase{
            {"select * from t offset 10 -- skip"},
            {Asc("A"), std::nullopt, std::nullopt},
            {"SELECT * FROM (", "select * from t offset 10 -- skip", ") AS shown_rows ORDER BY A ASC"}},
        // a wrapped statement is re-sorted by its outer ORDER BY, never wrapped twice
        ReSortCase{{"SELECT * FROM (", "SELECT * FROM T LIMIT 5", ") AS shown_rows ORDER BY A ASC"},
                   {Desc("B"), std::nullopt, std::nullopt},
                   {"SELECT * FROM (", "SELECT * FROM T LIMIT 5", ") AS shown_rows  ORDER BY B DESC"}},
        ReSortCase{{"SELECT * FROM T WHERE A = 1 FOR UPDATE"},
                   {Asc("A"), std::nullopt, std::nullopt},
                   {"SELECT * FROM T WHERE A = 1  ORDER BY A ASC FOR UPDATE"}},
        // a last ";" goes; a line comment cannot take the clause in
        ReSortCase{{"SELECT * FROM T ; "},
                   {Asc("A"), std::nullopt, std::nullopt},
                   {"SELECT * FROM T ", " ORDER BY A ASC"}},
        ReSortCase{{"SELECT * FROM T -- all"},
                   {Asc("A"), std::nullopt, std::nullopt},
                   {"SELECT * FROM T -- all", " ORDER BY A ASC"}},
        // limits inside parentheses and literals are not the statement's
        ReSortCase{{"SELECT * FROM (SELECT * FROM T LIMIT 2) X WHERE B <> 'limit 1'"},
                   {Asc("A"), std::nullopt, std::nullopt},
                   {"SELECT * FROM (SELECT * FROM T LIMIT 2) X WHERE B <> 'limit 1'", " ORDER BY A ASC"}},
        // a line break inside a literal stays exactly as it was
        ReSortCase{{"SELECT 'a\r", "b' AS X FROM T ORDER BY 1"},
                   {Asc("X"), std::nullopt, std::nullopt},
                   {"SELECT 'a\r", "b' AS X FROM T  ORDER BY X ASC"}},
        ReSortCase{{"SELECT * FROM (SELECT * FROM T ORDER BY A) X "},
                   {Asc("B"), std::nullopt, std::nullopt},
                   {"SELECT * FROM (SELECT * FROM T ORDER BY A) X ", " ORDER BY B ASC"}}));

TEST(SortKey, ReSortingAgainAddsNoBlanks)
{
    const SortRequest byName{Asc("NAME"), std::nullopt, std::nullopt};
    const SortRequest byCity{Desc("CITY"), std::nullopt, std::nullopt};
    const char* statements[] = {
        "SELECT * FROM EMP ORDER BY ID",
        "SELECT * FROM EMP",
        "SELECT * FROM EMP ORDER BY ID LIMIT 5",
        "SELECT * FROM EMP WHERE A = 1 FOR UPDATE",
    };
    for (const char* statement : statements) {
        const QStringList once = ReSortedSql({QString::fromUtf8(statement)}, byName);
        const QStringList twice = ReSortedSql(ReSortedSql(once, byCity), byName);
        const QStringList thrice = ReSortedSql(ReSortedSql(twice, byCity), byName);
        EXPECT_EQ(thrice, twice) << statement;
    }
}

} // namespace
