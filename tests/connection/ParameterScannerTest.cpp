#include "connection/ParameterScanner.h"
#include "connection/SimpleSelect.h"
#include "connection/SqlLexer.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

QStringList names(const QString& sql)
{
    QStringList result;
    for (const ParameterMarker& m : ParameterScanner::Scan(sql))
        result.append(m.name);
    return result;
}

struct MarkerCase
{
    const char* sql;
    QStringList expected;
};

void PrintTo(const MarkerCase& c, std::ostream* os)
{
    *os << c.sql;
}

class MarkerTest : public ::testing::TestWithParam<MarkerCase>
{
};

TEST_P(MarkerTest, FindsMarkersOnlyInCode)
{
    const MarkerCase& c = GetParam();
    EXPECT_EQ(names(QString::fromUtf8(c.sql)), c.expected) << c.sql;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, MarkerTest,
    ::testing::Values(MarkerCase{"SELECT * FROM EMP WHERE EMPNO = :EMPNO", {"EMPNO"}},
                      MarkerCase{"SELECT * FROM T WHERE A=:A AND B=:b1 OR C=:A", {"A", "b1", "A"}},
                      MarkerCase{"SELECT ':NOT' FROM T WHERE A = :YES", {"YES"}},
                      MarkerCase{"SELECT 'it''s :NOT' , :YES FROM T", {"YES"}},
                      MarkerCase{"SELECT \"col:NOT\" FROM T WHERE X = :YES", {"YES"}},
                      MarkerCase{"SELECT 1 -- :NOT in a line comment\nFROM T WHERE X = :YES", {"YES"}},
                      MarkerCase{"SELECT /* :NOT\n :NEITHER */ :YES FROM T", {"YES"}},
                      MarkerCase{"SELECT A::TEXT, B::INT FROM T WHERE C = :YES::INT", {"YES"}},
                      MarkerCase{"SELECT A:::B FROM T", {}},
                      MarkerCase{"SELECT E'it\\'s :NOT' , :YES", {"YES"}},
                      // Only an E'...' string takes backslash escapes: this one ends at its quote.
                      MarkerCase{"SELECT 'C:\\' , :YES", {"YES"}},
                      MarkerCase{"SELECT $$ :NOT $$, $tag$ :NOT $tag$, :YES", {"YES"}},
                      MarkerCase{"SELECT 'unterminated :NOT", {}},
                      MarkerCase{"SELECT /* unterminated :NOT", {}}, MarkerCase{"SELECT : NOT, :", {}},
                      MarkerCase{"SELECT * FROM T WHERE D = :_d AND N = :1", {"_d", "1"}},
                      MarkerCase{"SELECT (:A),:B,:C FROM T", {"A", "B", "C"}}));

TEST(ParameterReplace, MarkersBecomePlaceholdersAndCommentsCanGo)
{
    const QString sql = QStringLiteral("SELECT ':X' -- it's :Y\n, :A::int /* :Z */ FROM T WHERE B = :B");
    const QList<ParameterMarker> markers = ParameterScanner::Scan(sql);
    ASSERT_EQ(markers.size(), 2);
    const auto numbered = [](int k) { return QStringLiteral("$%1").arg(k + 1); };
    EXPECT_EQ(ParameterScanner::Replace(sql, markers, numbered),
              QStringLiteral("SELECT ':X' -- it's :Y\n, $1::int /* :Z */ FROM T WHERE B = $2"));
    EXPECT_EQ(ParameterScanner::Replace(sql, markers, numbered, ParameterScanner::Rewrite::ForSimpleParsers),
              QStringLiteral("SELECT ':X'  \n, $1::int   FROM T WHERE B = $2"));
}

TEST(ParameterReplace, OtherStringFormsBecomeOnesEveryParserReads)
{
    const QString sql = QStringLiteral("SELECT $$ it's :A \\ $$, $t$ $$ $t$, e'it\\'s \\\\', :B");
    const QList<ParameterMarker> markers = ParameterScanner::Scan(sql);
    ASSERT_EQ(markers.size(), 1);
    EXPECT_EQ(ParameterScanner::Replace(
                  sql, markers, [](int) { return QStringLiteral("?"); },
                  ParameterScanner::Rewrite::ForSimpleParsers),
              QStringLiteral("SELECT E' it''s :A \\\\ ', E' $$ ', e'it''s \\\\', ?"));
}

TEST(FirstKeyword, SkipsBlanksCommentsAndParentheses)
{
    EXPECT_EQ(FirstSqlKeyword(u"  update t set a = 1"), QStringLiteral("UPDATE"));
    EXPECT_EQ(FirstSqlKeyword(u"-- note\n /* x */ ((select 1))"), QStringLiteral("SELECT"));
    EXPECT_EQ(FirstSqlKeyword(u"'text'"), QString());
    EXPECT_EQ(FirstSqlKeyword(u""), QString());
}

struct SelectCase
{
    const char* sql;
    bool simple;
    const char* table;
};

void PrintTo(const SelectCase& c, std::ostream* os)
{
    *os << c.sql;
}

class SimpleSelectTest : public ::testing::TestWithParam<SelectCase>
{
};

TEST_P(SimpleSelectTest, GrantsOnlyPlainSingleTableSelects)
{
    const SelectCase& c = GetParam();
    const SimpleSelect s = ParseSimpleSelect(QString::fromUtf8(c.sql));
    EXPECT_EQ(s.simple, c.simple) << c.sql;
    if (c.simple) {
        EXPECT_EQ(s.table, QString::fromUtf8(c.table)) << c.sql;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, SimpleSelectTest,
    ::testing::Values(SelectCase{"SELECT * FROM EMP", true, "EMP"},
                      SelectCase{"select empno, ename from emp where sal > 10 order by ename", true, "emp"},
                      SelectCase{"SELECT e.* FROM public.emp e WHERE e.x IN (SELECT x FROM y UNION SELECT 1)",
                                 true, "public.emp"},
                      SelectCase{"SELECT \"Odd Name\" FROM \"My Table\" AS t LIMIT 5;", true, "\"My Table\""},
                      SelectCase{"SELECT * FROM EMP -- the whole table\n", true, "EMP"},
                      SelectCase{"SELECT * FROM EMP WHERE A = :A FOR UPDATE", true, "EMP"},
                      SelectCase{"SELECT empno AS id FROM emp", false, ""},
                      SelectCase{"SELECT empno id FROM emp", false, ""},
                      SelectCase{"SELECT sal * 2 FROM emp", false, ""},
                      SelectCase{"SELECT count(*) FROM emp", false, ""},
                      SelectCase{"SELECT DISTINCT ename FROM emp", false, ""},
                      SelectCase{"SELECT * FROM emp, dept", false, ""},
                      SelectCase{"SELECT * FROM emp JOIN dept ON emp.d = dept.d", false, ""},
                      SelectCase{"SELECT * FROM emp e LEFT JOIN dept d USING (d)", false, ""},
                      SelectCase{"SELECT * FROM emp WHERE a = 1 UNION SELECT * FROM emp2", false, ""},
                      SelectCase{"SELECT deptno FROM emp WHERE a = 1 GROUP BY deptno", false, ""},
                      SelectCase{"SELECT * FROM (SELECT * FROM emp) x", false, ""},
                      SelectCase{"SELECT * FROM emp; DELETE FROM emp", false, ""},
                      SelectCase{"WITH x AS (SELECT 1) SELECT * FROM x", false, ""},
                      SelectCase{"SELECT * FROM emp WHERE a IS DISTINCT FROM b", false, ""},
                      SelectCase{"UPDATE emp SET a = 1", false, ""}));

} // namespace
