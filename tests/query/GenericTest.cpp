#include "query/Generic.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

struct TextCase
{
    const char* input;
    const char* expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << "\"" << c.input << "\"";
}

class NormalizeSqlCases : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(NormalizeSqlCases, GivesTheNormalisedText)
{
    EXPECT_EQ(NormalizeSQL(QString::fromUtf8(GetParam().input)).toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Generic, NormalizeSqlCases,
    ::testing::Values(
        TextCase{"select * from emp where sal>=1000 and name='x'",
                 "SELECT * FROM EMP WHERE SAL >= 1000 AND NAME = 'x' "},
        TextCase{"update t set a=1 where b!=2", "UPDATE T SET A = 1 WHERE B != 2 "},
        TextCase{"( select * from t )", "(SELECT * FROM T ) "},
        TextCase{"name = 'John Smith'", "NAME = 'John Smith' "},
        // nothing inside literals, quoted names and comments changes
        TextCase{"'a b c'", "'a b c' "}, TextCase{"'a=b'", "'a=b' "},
        TextCase{"insert into dept values (91, 'São Paulo centro', 'k=v  a b')",
                 "INSERT INTO DEPT VALUES (91, 'São Paulo centro', 'k=v  a b') "},
        TextCase{"select \"Full  Name\", [a=b], `x y` from t", "SELECT \"Full  Name\", [a=b], `x y` FROM T "},
        TextCase{"select e'it\\'s a=b', $q$ don't = x $q$, 'a\nb'",
                 "SELECT e'it\\'s a=b', $q$ don't = x $q$, 'a\nb' "},
        TextCase{"select 1 /* keep  this=that */ from t", "SELECT 1 /* keep  this=that */ FROM T "},
        TextCase{"lower(name)='x'||upper(y)", "LOWER(NAME) = 'x'||UPPER(Y) "},
        // a line comment keeps its line break, so it never takes the next line in
        TextCase{"delete from dept -- only the new one\nwhere deptno = 92",
                 "DELETE FROM DEPT -- only the new one\nWHERE DEPTNO = 92 "},
        TextCase{"-- first line\nselect 1 -- it's */ here", "-- first line\nSELECT 1 -- it's */ here\n"},
        // runs of blanks and other control characters after a blank collapse
        TextCase{"a   b \t\r\n c", "A B C "},
        // a word without "=" is never split
        TextCase{"a<b a<>b", "A<B A<>B "},
        // "=" at the start, the end, alone, doubled and repeated
        TextCase{"=a", "= A "}, TextCase{"a=", "A = "}, TextCase{"=", "= "}, TextCase{"==", "== "},
        TextCase{"a=b=c", "A = B = C "}, TextCase{"a<=", "A <= "},
        // operators that hold "=" stay whole
        TextCase{"a==b f(x=>1) v:=2 a<=>b p~=q s||=t", "A == B F(X => 1) V := 2 A <=> B P ~= Q S ||= T "},
        TextCase{"<=", "<= "}, TextCase{">=5", ">= 5 "}, TextCase{"x<>=y", "X <>= Y "},
        TextCase{"a<=b=c", "A <= B = C "}, TextCase{"!=x", "!= X "},
        // "(" joins the next word, also when it comes out of an "=" split
        TextCase{"where x =( 1 )", "WHERE X = (1 ) "}, TextCase{"( ( a", "(( A "}, TextCase{"(=a", "( = A "},
        // a trailing "(" stays
        TextCase{"count (", "COUNT ( "}, TextCase{"(", "( "},
        // only a to z change case
        TextCase{"sélect ärger ß", "SéLECT äRGER ß "},
        TextCase{"select \"Mixed\" from t", "SELECT \"Mixed\" FROM T "},
        // a parameter marker keeps its name, upper-cased
        TextCase{"select * from t where id=:id", "SELECT * FROM T WHERE ID = :ID "},
        // nothing before the first blank: nothing at all
        TextCase{"", ""}, TextCase{" select 1", ""},
        // trailing control characters of the remaining text are trimmed
        TextCase{"a b\t\n", "A B "}));

class UpperCaseSqlWordsCases : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(UpperCaseSqlWordsCases, GivesTheUpperCasedWords)
{
    EXPECT_EQ(UpperCaseSQLWords(QString::fromUtf8(GetParam().input)).toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Generic, UpperCaseSqlWordsCases,
                         ::testing::Values(TextCase{"select * from t", "SELECT * FROM T "},
                                           TextCase{"a=b  c", "A=B C "}, TextCase{"( select", "( SELECT "},
                                           TextCase{"name='x y' z", "NAME='x y' Z "},
                                           TextCase{"a -- b c\nd", "A -- b c\nD "},
                                           TextCase{" leading blank", ""}, TextCase{"", ""},
                                           TextCase{"SELECT * FROM T ", "SELECT * FROM T "}));

struct SelectCase
{
    const char* input;
    bool rowReturning;
};

void PrintTo(const SelectCase& c, std::ostream* os)
{
    *os << "\"" << c.input << "\"";
}

class IsSelectStatementCases : public ::testing::TestWithParam<SelectCase>
{
};

TEST_P(IsSelectStatementCases, TestsTheFirstWord)
{
    EXPECT_EQ(IsSelectStatement(QString::fromUtf8(GetParam().input)), GetParam().rowReturning);
}

INSTANTIATE_TEST_SUITE_P(
    Generic, IsSelectStatementCases,
    ::testing::Values(
        SelectCase{"select * from t", true}, SelectCase{"SELECT*FROM T", true},
        SelectCase{"SELECT*FROM*T", true}, SelectCase{"insert into t values (1)", false},
        SelectCase{"(SELECT * FROM T ) ", true}, SelectCase{"  \t select x ", true},
        SelectCase{"SELECT ", true}, SelectCase{"xselectx a", true},
        SelectCase{"update t set a = (select 1)", false}, SelectCase{"", false},
        // what the first word alone misses
        SelectCase{"WITH X AS (SELECT 1) SELECT * FROM X", true},
        SelectCase{"with recursive r(n) as (values (1) union all select n+1 from r) table r", true},
        SelectCase{"WITH X AS (SELECT 1 AS A) DELETE FROM T WHERE A IN (SELECT A FROM X)", false},
        SelectCase{"WITH X AS (SELECT 1) UPDATE T SET A = 1 RETURNING A", true},
        SelectCase{"/* note */ select 1", true}, SelectCase{"-- note\n  ( (select 1))", true},
        SelectCase{"VALUES (1)", true}, SelectCase{"EXPLAIN QUERY PLAN SELECT 1", true},
        SelectCase{"SHOW search_path", true}, SelectCase{"PRAGMA table_info(emp)", true},
        SelectCase{"PRAGMA foreign_keys = ON", false},
        SelectCase{"insert into t values (1) returning id", true},
        SelectCase{"insert into t select a from u where b in (select c from v returning)", false},
        SelectCase{"delete from t where 'returning' = x", false},
        SelectCase{"-- select\ndelete from t", false}, SelectCase{"/* only a comment */", false},
        SelectCase{"\"select\" x", false}));

TEST(Generic, NormalizeKeepsEveryWordOfALongStatement)
{
    // Far beyond any fixed word table: the last words must survive.
    QString text = QStringLiteral("select ");
    for (int i = 0; i < 120000; ++i)
        text += QStringLiteral("c%1=%1 ").arg(i);
    text += QStringLiteral("lastword");
    const QString out = NormalizeSQL(text);
    EXPECT_TRUE(out.startsWith(QStringLiteral("SELECT C0 = 0 C1 = 1 ")));
    EXPECT_TRUE(out.endsWith(QStringLiteral("C119999 = 119999 LASTWORD ")));
    EXPECT_EQ(out.count(QLatin1Char(' ')), 1 + 120000 * 3 + 1);
}

TEST(Generic, UpperCaseLettersChangesOnlyAToZ)
{
    EXPECT_EQ(UpperCaseLetters(u"abz{`@AZ éñ 09"), QStringLiteral("ABZ{`@AZ éñ 09"));
}

struct ElapsedCase
{
    const char* start;
    const char* end;
    const char* expected;
};

void PrintTo(const ElapsedCase& c, std::ostream* os)
{
    *os << c.start << " -> " << c.end;
}

class ElapsedTimeCases : public ::testing::TestWithParam<ElapsedCase>
{
};

TEST_P(ElapsedTimeCases, GivesTheNonZeroParts)
{
    const auto parse = [](const char* text) {
        return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    };
    const QDateTime start = parse(GetParam().start);
    const QDateTime end = parse(GetParam().end);
    ASSERT_TRUE(start.isValid());
    ASSERT_TRUE(end.isValid());
    EXPECT_EQ(ElapsedTimeText(start, end).toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Generic, ElapsedTimeCases,
    ::testing::Values(ElapsedCase{"2024-05-01 10:00:00.000", "2024-05-01 10:00:00.000", ""},
                      ElapsedCase{"2024-05-01 10:00:00.400", "2024-05-01 10:00:02.000", "1 secs 600 msecs"},
                      ElapsedCase{"2024-05-01 23:59:59.900", "2024-05-02 00:00:00.100", "200 msecs"},
                      ElapsedCase{"2024-05-01 10:00:00.000", "2024-05-01 10:00:00.001", "1 msecs"},
                      ElapsedCase{"2024-05-01 10:00:00.000", "2024-05-01 11:02:03.004",
                                  "1 hrs 2 mins 3 secs 4 msecs"},
                      // a month counts as 30 days, whatever its length
                      ElapsedCase{"2024-01-31 12:00:00.000", "2024-03-01 12:00:00.000", "1 mths"},
                      ElapsedCase{"2024-02-01 12:00:00.000", "2024-03-01 11:00:00.000", "29 days 23 hrs"},
                      // every level borrows; the 31st must not turn the days negative
                      ElapsedCase{"2023-12-31 23:59:59.999", "2024-01-01 00:00:00.000", "1 msecs"},
                      ElapsedCase{"2024-01-31 23:59:58.500", "2024-02-01 00:00:00.250", "1 secs 750 msecs"},
                      ElapsedCase{"2020-06-15 08:30:00.000", "2024-06-15 08:30:00.000", "4 yrs"},
                      ElapsedCase{"2023-11-20 00:00:00.000", "2024-02-10 00:00:00.000", "2 mths 20 days"}));

} // namespace
