// Which statement of a text of several the cursor stands in.

#include "connection/StatementBounds.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

struct BoundsCase
{
    const char* text; ///< "|" marks the cursor and is not part of the text
    const char* statement;
};

class StatementAtCases : public ::testing::TestWithParam<BoundsCase>
{
};

TEST_P(StatementAtCases, FindsTheStatementUnderTheCursor)
{
    QString text = QString::fromUtf8(GetParam().text);
    const qsizetype cursor = text.indexOf(u'|');
    ASSERT_GE(cursor, 0);
    text.remove(cursor, 1);
    const StatementBounds bounds = StatementAt(text, cursor);
    EXPECT_EQ(text.mid(bounds.begin, bounds.end - bounds.begin), QString::fromUtf8(GetParam().statement))
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    StatementBounds, StatementAtCases,
    ::testing::Values(
        BoundsCase{"SELECT 1|", "SELECT 1"}, BoundsCase{"|SELECT 1; SELECT 2", "SELECT 1"},
        BoundsCase{"SELECT 1; SEL|ECT 2;", "SELECT 2"},
        // just behind a statement, before or after its ";", is still that statement
        BoundsCase{"SELECT 1|;\nSELECT 2;", "SELECT 1"}, BoundsCase{"SELECT 1;|\nSELECT 2;", "SELECT 1"},
        BoundsCase{"SELECT 1;|SELECT 2", "SELECT 2"},
        // a blank line parts statements, a line break alone does not
        BoundsCase{"SELECT *\nFROM t\n\nSELECT| 2", "SELECT 2"},
        BoundsCase{"SELECT *\nFR|OM t\n  \t\nSELECT 2", "SELECT *\nFROM t"},
        BoundsCase{"SELECT *\r\n\r\nFROM| t", "FROM t"},
        // among blanks: the statement before, else the first after
        BoundsCase{"SELECT 1;\n\n|\n\nSELECT 2", "SELECT 1"}, BoundsCase{"\n\n|  \n\nSELECT 2;", "SELECT 2"},
        BoundsCase{"  |  ", ""}, BoundsCase{"-- only| a comment", ""},
        // ";" and blank lines inside literals, quoted names, comments, dollar bodies and
        // parentheses part nothing
        BoundsCase{"SELECT 'a;\n\nb' AS x|", "SELECT 'a;\n\nb' AS x"},
        BoundsCase{"SELECT \"a;b\" FROM t|; SELECT 2", "SELECT \"a;b\" FROM t"},
        BoundsCase{"SELECT 1 /* ;\n\n */ + 2|", "SELECT 1 /* ;\n\n */ + 2"},
        BoundsCase{"SELECT 1 -- ; not here\n+ 2|", "SELECT 1 -- ; not here\n+ 2"},
        BoundsCase{"CREATE FUNCTION f() RETURNS int AS $$ SELECT 1;\n\nSELECT 2 $$ LANGUAGE sql|;",
                   "CREATE FUNCTION f() RETURNS int AS $$ SELECT 1;\n\nSELECT 2 $$ LANGUAGE sql"},
        BoundsCase{"SELECT * FROM (\n\nSELECT 1) x|", "SELECT * FROM (\n\nSELECT 1) x"},
        // comments around a statement are not part of it
        BoundsCase{"-- first\nSELECT 1 -- one\n|", "SELECT 1"},
        BoundsCase{"SELECT 1;\n-- the second\nSELECT| 2 /* end */", "SELECT 2"},
        // a comment line just above a statement is its own
        BoundsCase{"SELECT 1;\n-- the| second\nSELECT 2", "SELECT 2"},
        BoundsCase{"SELECT 1\n\n/* the| second */\nSELECT 2", "SELECT 2"}));

} // namespace
