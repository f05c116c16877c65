#include "query/ColumnOrder.h"
#include "query/FieldSetKey.h"

#include <gtest/gtest.h>

namespace {

QStringList Names(const char* joined)
{
    return QString::fromUtf8(joined).split(QLatin1Char(','));
}

struct KeyCase
{
    const char* names;
    const char* key;
};

class FieldSetKeyCases : public ::testing::TestWithParam<KeyCase>
{
};

TEST_P(FieldSetKeyCases, SortsOnceWithoutRegardToCase)
{
    EXPECT_EQ(FieldSetKey(Names(GetParam().names)).text().toStdString(), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(ColumnLayout, FieldSetKeyCases,
                         ::testing::Values(KeyCase{"A,B,C", "A|B|C"}, KeyCase{"C,A,B", "A|B|C"},
                                           KeyCase{"c,a,b", "a|b|c"},
                                           // case does not decide the order, nor makes a name twice
                                           KeyCase{"b,A,a,C", "A|b|C"},
                                           KeyCase{"DEPTNO,EMPNO,DEPTNO,DNAME", "DEPTNO|DNAME|EMPNO"},
                                           KeyCase{"ENAME", "ENAME"}));

TEST(ColumnLayout, KeyLengthLimitIs261)
{
    // 26 names of 9 letters + 25 separators = 259; then grow by one and two.
    QStringList names;
    for (char c = 'A'; c <= 'Z'; ++c)
        names.append(QString(9, QLatin1Char(c)));
    EXPECT_EQ(FieldSetKey(names).text().size(), 259);
    names[0] += QStringLiteral("XX");
    EXPECT_EQ(FieldSetKey(names).text().size(), 261);
    EXPECT_TRUE(FieldSetKey(names).isUsable());
    names[0] += QStringLiteral("X");
    EXPECT_FALSE(FieldSetKey(names).isUsable());
}

struct SplitCase
{
    const char* value;
    std::vector<const char*> names;
};

class ColumnOrderSplitCases : public ::testing::TestWithParam<SplitCase>
{
};

TEST_P(ColumnOrderSplitCases, SplitsAtEveryBar)
{
    QStringList expected;
    for (const char* n : GetParam().names)
        expected.append(QString::fromUtf8(n));
    EXPECT_EQ(ColumnOrder::names(QString::fromUtf8(GetParam().value)), expected);
}

INSTANTIATE_TEST_SUITE_P(ColumnLayout, ColumnOrderSplitCases,
                         ::testing::Values(SplitCase{"B|A|C", {"B", "A", "C"}}, SplitCase{"", {}},
                                           SplitCase{"A", {"A"}}, SplitCase{"A||B", {"A", "", "B"}},
                                           SplitCase{"A|", {"A"}}, SplitCase{"A||", {"A", ""}},
                                           SplitCase{"|A", {"", "A"}}));

struct RestoreCase
{
    const char* current;
    const char* stored;
    const char* result;
};

class ColumnOrderRestoreCases : public ::testing::TestWithParam<RestoreCase>
{
};

TEST_P(ColumnOrderRestoreCases, MovesFieldsIntoTheStoredOrder)
{
    QStringList names = Names(GetParam().current);
    for (const ColumnOrder::Move& m : ColumnOrder::restoreMoves(names, ColumnOrder::names(GetParam().stored)))
        names.move(m.first, m.second);
    EXPECT_EQ(names.join(QLatin1Char(',')).toStdString(), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    ColumnLayout, ColumnOrderRestoreCases,
    ::testing::Values(RestoreCase{"A,B,C", "B|A|C", "B,A,C"}, RestoreCase{"C,A,B", "B|A|C", "B,A,C"},
                      // names match without regard to case
                      RestoreCase{"c,a,b", "B|A|C", "b,a,c"},
                      // an unknown name is skipped; its position takes nothing
                      RestoreCase{"A,B,C", "X|C|B", "A,C,B"},
                      // fewer names: the rest keep their relative order after the moved ones
                      RestoreCase{"A,B,C,D", "D|B", "D,B,A,C"},
                      // a field whose name holds a bar matches none of the pieces
                      RestoreCase{"A|B,C", "C|A|B", "C,A|B"}, RestoreCase{"A|B,C", "A|B|C", "A|B,C"},
                      // two fields of one name keep the places they were stored in
                      RestoreCase{"ID,X,ID2", "X|ID|ID2", "X,ID,ID2"},
                      RestoreCase{"DEPTNO,ENAME,DEPTNO,DNAME", "DNAME|DEPTNO|ENAME|DEPTNO",
                                  "DNAME,DEPTNO,ENAME,DEPTNO"},
                      // more stored names than fields
                      RestoreCase{"A,B", "B|A|C|D", "B,A"}));

TEST(ColumnLayout, DuplicateNamesAreNotTakenTwice)
{
    // The two DEPTNO fields come from different tables; which one lands where must follow the
    // stored order, not swap on every showing.
    const QStringList current = {QStringLiteral("DEPTNO"), QStringLiteral("X"), QStringLiteral("DEPTNO")};
    const auto moves =
        ColumnOrder::restoreMoves(current, ColumnOrder::names(QStringLiteral("DEPTNO|X|DEPTNO")));
    EXPECT_TRUE(moves.isEmpty());
}

TEST(ColumnLayout, OrderValueKeepsSpellingAndDuplicates)
{
    EXPECT_EQ(ColumnOrder::value({QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("b")}),
              QStringLiteral("b|A|b"));
}

} // namespace
