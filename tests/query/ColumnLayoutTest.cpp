#include "query/ColumnLayout.h"
#include "query/ColumnOrder.h"
#include "query/FieldSetKey.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "settings/UsableRange.h"
#include "support/TestHome.h"

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

namespace {

/// The column layout on a store of its own.
class ColumnLayoutStore : public IsolatedTest
{
protected:
    QString storedText(const QString& section, const QString& key) const
    {
        return SettingsStore(settings.filePath()).ReadText(section, key, QStringLiteral("<none>"));
    }
    void storeWidth(const QString& name, int width)
    {
        settings.open().WriteNumber(Schema::Section::QryFields, Schema::QryFields::WidthKey(name), width);
    }
    QString storedWidth(const QString& name) const
    {
        return storedText(Schema::Section::QryFields, Schema::QryFields::WidthKey(name));
    }

    Settings settings{SettingsStore::defaultPath()};
    ColumnLayout layout{settings};
};

TEST_F(ColumnLayoutStore, WhatOneStoresEveryOtherReaderSees)
{
    layout.startResult(2);
    layout.store({{0, QStringLiteral("CUSTNO"), QStringLiteral("Customer"), 120},
                  {1, QStringLiteral("NAME"), QStringLiteral("NAME"), 80}});
    // The report's layout and the next run's: another object on the same store, any case.
    const ColumnLayout other(settings);
    const QList<ColumnLayout::Column> read =
        other.columns({QStringLiteral("custno"), QStringLiteral("NAME"), QStringLiteral("CITY")});
    ASSERT_EQ(read.size(), 3);
    EXPECT_EQ(read[0].title, QStringLiteral("Customer"));
    EXPECT_EQ(read[0].width, 120);
    EXPECT_EQ(read[1].width, 80);
    EXPECT_EQ(read[2].title, QStringLiteral("CITY")) << "no title stored: the field name";
    EXPECT_FALSE(read[2].width.has_value());
}

TEST_F(ColumnLayoutStore, AWidthThatIsNotANumberIsNoWidth)
{
    settings.open().WriteText(Schema::Section::QryFields, Schema::QryFields::WidthKey(QStringLiteral("A")),
                              QStringLiteral("wide"));
    EXPECT_FALSE(layout.columns({QStringLiteral("A")}).front().width.has_value());
}

TEST_F(ColumnLayoutStore, AnEditTitleWithoutWidthStoresOnlyTheTitle)
{
    layout.startResult(1);
    layout.store({{0, QStringLiteral("A"), QStringLiteral("Who"), std::nullopt}});
    EXPECT_EQ(storedText(Schema::Section::QryFields, Schema::QryFields::NameKey(QStringLiteral("A"))),
              QStringLiteral("Who"));
    EXPECT_EQ(storedWidth(QStringLiteral("A")), QStringLiteral("<none>"));
}

TEST_F(ColumnLayoutStore, PaintingWritesOnlyWidthsThatDifferFromTheKnownOnes)
{
    storeWidth(QStringLiteral("A"), 50);
    layout.startResult(2);
    layout.restore({QStringLiteral("A"), QStringLiteral("B")});
    // Another copy of the program changes the store; drawing the known width writes nothing.
    storeWidth(QStringLiteral("A"), 70);
    layout.noteDrawnWidth(0, QStringLiteral("A"), 50);
    EXPECT_EQ(storedWidth(QStringLiteral("A")), QStringLiteral("70"));
    layout.noteDrawnWidth(0, QStringLiteral("A"), 55);
    EXPECT_EQ(storedWidth(QStringLiteral("A")), QStringLiteral("55"));
    // B was never stored: its first drawing stores it.
    layout.noteDrawnWidth(1, QStringLiteral("B"), 64);
    EXPECT_EQ(storedWidth(QStringLiteral("B")), QStringLiteral("64"));
}

TEST_F(ColumnLayoutStore, AStoredEditIsAKnownWidth)
{
    layout.startResult(1);
    layout.restore({QStringLiteral("A")});
    layout.store({{0, QStringLiteral("A"), QStringLiteral("A"), 120}});
    storeWidth(QStringLiteral("A"), 90);
    layout.noteDrawnWidth(0, QStringLiteral("A"), 120);
    EXPECT_EQ(storedWidth(QStringLiteral("A")), QStringLiteral("90")) << "120 is known to be stored";
}

TEST_F(ColumnLayoutStore, KnownWidthsMoveWithTheirColumns)
{
    storeWidth(QStringLiteral("A"), 50);
    storeWidth(QStringLiteral("B"), 60);
    layout.startResult(2);
    layout.restore({QStringLiteral("A"), QStringLiteral("B")});
    layout.moveColumn(0, 1);
    storeWidth(QStringLiteral("A"), 70);
    layout.noteDrawnWidth(1, QStringLiteral("A"), 50);
    EXPECT_EQ(storedWidth(QStringLiteral("A")), QStringLiteral("70"));
    layout.noteDrawnWidth(0, QStringLiteral("B"), 60);
    EXPECT_EQ(storedWidth(QStringLiteral("B")), QStringLiteral("60"));
    layout.noteDrawnWidth(0, QStringLiteral("B"), 61);
    EXPECT_EQ(storedWidth(QStringLiteral("B")), QStringLiteral("61"));
}

TEST_F(ColumnLayoutStore, OrdersAreKeptPerSetOfNames)
{
    EXPECT_TRUE(layout.storedOrder({QStringLiteral("A"), QStringLiteral("B")}).isEmpty());
    layout.storeOrder({QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("C")});
    EXPECT_EQ(storedText(Schema::Section::QrySortOrder, QStringLiteral("A|B|C")), QStringLiteral("B|A|C"));
    EXPECT_EQ(layout.storedOrder({QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}),
              (QStringList{QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("C")}));
}

TEST_F(ColumnLayoutStore, OrdersOfTooLongKeysAreNeitherWrittenNorRead)
{
    QStringList names;
    for (char c = 'A'; c <= 'Z'; ++c)
        names.append(QString(10, QLatin1Char(c)));
    ASSERT_FALSE(FieldSetKey(names).isUsable());
    layout.storeOrder(names);
    const QString key = FieldSetKey(names).text();
    EXPECT_EQ(storedText(Schema::Section::QrySortOrder, key), QStringLiteral("<none>"));
    settings.open().WriteText(Schema::Section::QrySortOrder, key, names.join(u'|'));
    EXPECT_TRUE(layout.storedOrder(names).isEmpty());
    EXPECT_TRUE(layout.storedOrder({}).isEmpty());
}

} // namespace

namespace {

TEST_F(ColumnLayoutStore, AHandEditedWidthReadsUsableAndPaintingStoresWhatItShows)
{
    storeWidth(QStringLiteral("A"), 100000);
    EXPECT_EQ(layout.columns({QStringLiteral("A")}).front().width, UsableRange::kMaxColumnWidth);
    layout.startResult(1);
    EXPECT_EQ(layout.restore({QStringLiteral("A")}).front().width, UsableRange::kMaxColumnWidth);
    layout.noteDrawnWidth(0, QStringLiteral("A"), UsableRange::kMaxColumnWidth);
    EXPECT_EQ(storedWidth(QStringLiteral("A")), QString::number(UsableRange::kMaxColumnWidth));
}

} // namespace
