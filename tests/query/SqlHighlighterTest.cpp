#include "query/SqlHighlighter.h"
#include "support/GuiApp.h"

#include <QCoreApplication>
#include <QPlainTextDocumentLayout>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <optional>

namespace {

using Role = SyntaxPalette::Role;

class SqlHighlighterTest : public ::testing::Test
{
protected:
    SqlHighlighterTest()
    {
        GuiApp();
        // A document tells of its changes only once it has a layout; this is the editor's.
        document.setDocumentLayout(new QPlainTextDocumentLayout(&document));
        highlighter.setPalette(palette);
    }

    void load(const QString& text)
    {
        if (!highlighter.document()) {
            highlighter.setDocument(&document);
            QCoreApplication::processEvents(); // its first pass, which holds back every other
        }
        document.setPlainText(text);
        highlighter.setShownRange(0, 1000);
    }
    /// The role whose colour the character at position has; nullopt when it keeps the plain text.
    std::optional<Role> roleAt(int position) const
    {
        const QTextBlock block = document.findBlock(position);
        const int offset = position - block.position();
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (offset < range.start || offset >= range.start + range.length)
                continue;
            for (int role = 0; role < SyntaxPalette::kRoleCount; ++role) {
                if (range.format.foreground().color() == palette.colors[role])
                    return Role(role);
            }
        }
        return std::nullopt;
    }

    const SyntaxPalette palette = SyntaxPalette::derive(Qt::white, Qt::black);
    QTextDocument document;
    SqlHighlighter highlighter;
};

struct Case
{
    const char* text;
    const char* at; ///< the first occurrence of this, in the text, is looked at
    std::optional<Role> role;
    SqlDialect dialect = SqlDialect::Standard;
};

// clang-format off
const Case kCases[] = {
    {"select a from t", "select", Role::Keyword},
    {"SeLeCt a from t", "SeLeCt", Role::Keyword},
    {"select a from t", "a ", std::nullopt},
    {"select 'it''s' from t", "s'", Role::Literal},
    {"select E'a\\'b' x", "b'", Role::Literal},
    {"select \"From\" x", "From", Role::QuotedName},
    {"select [order] x", "order", Role::QuotedName},
    {"select 1.5e3 x", "5e3", Role::Number},
    {"select :name, a::int", "name", Role::Parameter},
    {"select :name, a::int", "::", std::nullopt},
    {"select 1 -- note select", "note", Role::Comment},
    {"select 1 -- note\nselect 2", "select 2", Role::Keyword},
    {"/* open\nstill select ' in\n*/ select 1", "still", Role::Comment},
    {"/* open\nstill select ' in\n*/ select 1", "*/", Role::Comment},
    {"/* open\nstill select ' in\n*/ select 1", "select 1", Role::Keyword},
    {"/* open\nstill select ' in\n*/ select 1", " 1", std::nullopt},
    {"select 'line one\nline -- two\nend' from t", "-- two", Role::Literal},
    {"select 'line one\nline -- two\nend' from t", "from", Role::Keyword},
    {"select E'a\\\nb' from t", "b'", Role::Literal},
    {"select \"two\nlines\" from t", "lines", Role::QuotedName},
    {"select `two\nlines` from t", "lines", Role::QuotedName},
    {"select [two\nlines] from t", "lines", Role::QuotedName},
    {"do $body$ begin\nselect $x$ ;\n$body$ select", "select $x", Role::Literal},
    {"do $body$ begin\nselect $x$ ;\n$body$ select", "$body$ select", Role::Literal},
    {"do $body$ begin\nselect $x$ ;\n$body$ select 2", "select 2", Role::Keyword},
    {"select $$a\n$$ from t", "from", Role::Keyword},
    {"/* a /* b */ select */ x", "select", Role::Keyword},
    {"/* a /* b */ select */ x", "select", Role::Comment, SqlDialect::PostgreSql},
    {"/* a /* b\n*/ select\n*/ select 1", "select\n", Role::Comment, SqlDialect::PostgreSql},
    {"/* a /* b\n*/ select\n*/ select 1", "select 1", Role::Keyword, SqlDialect::PostgreSql},
};
// clang-format on

TEST_F(SqlHighlighterTest, ColoursEachKindOfTokenAlsoAcrossLines)
{
    for (const Case& c : kCases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(c.text);
        highlighter.setDialect(c.dialect);
        load(text);
        const qsizetype at = text.indexOf(QString::fromUtf8(c.at));
        ASSERT_GE(at, 0);
        const std::optional<Role> found = roleAt(int(at));
        EXPECT_EQ(found.has_value(), c.role.has_value());
        if (found && c.role) {
            EXPECT_EQ(int(*found), int(*c.role));
        }
    }
}

TEST_F(SqlHighlighterTest, AnEditThatOpensACommentRecoloursTheLinesAfterIt)
{
    load(QStringLiteral("select 1\nselect 2\nselect 3"));
    ASSERT_EQ(roleAt(18), Role::Keyword);
    QTextCursor(&document).insertText(QStringLiteral("/* "));
    EXPECT_EQ(roleAt(0), Role::Comment) << "the changed line at once";
    EXPECT_EQ(roleAt(21), Role::Keyword) << "the lines after it once typing pauses";
    EXPECT_TRUE(highlighter.settling());
    QTRY_COMPARE(roleAt(21), Role::Comment);
    QTextCursor cursor(&document);
    cursor.deleteChar();
    QTRY_COMPARE(roleAt(11), Role::Keyword);
}

TEST_F(SqlHighlighterTest, ALargeTextIsLexedOnlyAsFarAsItIsShown)
{
    // Some 5 MB, with a comment left open on the first line that runs to the end.
    QString text = QStringLiteral("/* open\n");
    const QString line = QStringLiteral("select a, 'b', \"c\" from t where d = :e -- f\n");
    while (text.size() < 5 * 1024 * 1024)
        text += line;
    document.setPlainText(text);
    highlighter.setShownRange(0, 40);
    highlighter.setDocument(&document);
    QCoreApplication::processEvents(); // the highlighter's own first pass
    EXPECT_LE(highlighter.lexedBlocks(), 41 * 2) << "of " << document.blockCount();
    EXPECT_EQ(roleAt(document.findBlockByNumber(40).position()), Role::Comment);
    EXPECT_FALSE(roleAt(document.findBlockByNumber(1000).position()).has_value());

    // Shown at the end: everything before is lexed once, so that the open comment is known there.
    highlighter.resetLexedBlocks();
    const int last = document.blockCount() - 1;
    highlighter.setShownRange(last - 40, last);
    EXPECT_LE(highlighter.lexedBlocks(), document.blockCount());
    EXPECT_EQ(roleAt(document.findBlockByNumber(last - 1).position()), Role::Comment);
    highlighter.resetLexedBlocks();
    highlighter.setShownRange(last - 40, last);
    EXPECT_EQ(highlighter.lexedBlocks(), 0) << "nothing is lexed twice";

    // A key that leaves the line's end as it was lexes that line; one that opens a literal lexes
    // and recolours the lines shown after it, and no more.
    const int typedAt = document.findBlockByNumber(last - 20).position();
    QTextCursor(document.findBlockByNumber(last - 20)).insertText(QStringLiteral("x"));
    EXPECT_LE(highlighter.lexedBlocks(), 2);
    highlighter.resetLexedBlocks();
    QTextCursor(document.findBlockByNumber(last - 20)).insertText(QStringLiteral("*/ '"));
    QTRY_COMPARE(roleAt(document.findBlockByNumber(last - 10).position()), Role::Literal);
    EXPECT_LE(highlighter.lexedBlocks(), 21);
    EXPECT_EQ(roleAt(typedAt), Role::Comment);
}

} // namespace
