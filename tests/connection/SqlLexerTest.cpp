// The one SQL lexer: what it protects, where a line comment ends, and which names stand bare.

#include "connection/SqlLexer.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

/// The text of each protected token.
QStringList Protected(const QString& sql)
{
    QStringList out;
    ForEachSqlToken(sql, [&](const SqlToken& t) {
        if (IsProtectedToken(t.kind))
            out << sql.mid(t.begin, t.length);
    });
    return out;
}

TEST(SqlLexer, KnowsEveryQuoteAndCommentForm)
{
    EXPECT_EQ(
        Protected(QStringLiteral("select 'it''s', E'a\\'b', $x$ a'b $x$, \"q\"\"n\", [a]]b], `c d` from t")),
        QStringList({"'it''s'", "E'a\\'b'", "$x$ a'b $x$", "\"q\"\"n\"", "[a]]b]", "`c d`"}));
    // A line comment ends at either line break, which it does not take.
    EXPECT_EQ(Protected(QStringLiteral("a -- one\rb -- two\r\nc /* x\n -- y */ d")),
              QStringList({"-- one", "-- two", "/* x\n -- y */"}));
    EXPECT_EQ(Protected(QStringLiteral("select 'open")), QStringList{"'open"});
}

TEST(SqlLexer, TokensCoverTheTextWhetherListedOrVisited)
{
    const QString sql = QStringLiteral("select e'x', :p::int, $$a$$'b' -- c\n/* d */ from [t]");
    QList<SqlToken> visited;
    ForEachSqlToken(sql, [&](const SqlToken& t) { visited.append(t); });
    const QList<SqlToken> listed = TokenizeSql(sql);
    ASSERT_EQ(visited.size(), listed.size());
    qsizetype at = 0;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].begin, at);
        EXPECT_EQ(visited[i].begin, listed[i].begin);
        EXPECT_EQ(visited[i].kind, listed[i].kind);
        at += listed[i].length;
    }
    EXPECT_EQ(at, sql.size());
}

TEST(SqlLexer, EmptyMeansNothingButBlanksAndComments)
{
    EXPECT_TRUE(IsEmptySql(u""));
    EXPECT_TRUE(IsEmptySql(u" \n\t-- x\n/* y */ "));
    EXPECT_FALSE(IsEmptySql(u"-- x\n;"));
    EXPECT_FALSE(IsEmptySql(u"''"));
}

TEST(SqlLexer, BlockCommentsNestOnlyWhereTheEngineNestsThem)
{
    struct Case
    {
        const char* sql;
        SqlDialect dialect;
        QStringList comments;
        int parameters;
    };
    const Case cases[] = {
        {"/* a /* b :p */ c */ SELECT :q", SqlDialect::PostgreSql, {"/* a /* b :p */ c */"}, 1},
        {"/* a /* b :p */ c */ SELECT :q", SqlDialect::Standard, {"/* a /* b :p */"}, 1},
        {"/* /* */ SELECT :q", SqlDialect::Standard, {"/* /* */"}, 1},
        {"/* /* */ SELECT :q", SqlDialect::PostgreSql, {"/* /* */ SELECT :q"}, 0},
        {"/*/ x */ :q", SqlDialect::PostgreSql, {"/*/ x */"}, 1},
        {"/* 1 /* 2 /* 3 */ 2 */ 1 */ :q /**/",
         SqlDialect::PostgreSql,
         {"/* 1 /* 2 /* 3 */ 2 */ 1 */", "/**/"},
         1},
        {"SELECT '/*' || :q -- /*", SqlDialect::PostgreSql, {"'/*'", "-- /*"}, 1},
    };
    for (const Case& c : cases) {
        const QString sql = QString::fromUtf8(c.sql);
        QStringList comments;
        int parameters = 0;
        bool unterminated = false;
        for (const SqlToken& t : TokenizeSql(sql, c.dialect)) {
            if (IsProtectedToken(t.kind))
                comments << sql.mid(t.begin, t.length);
            parameters += t.kind == SqlTokenKind::Parameter ? 1 : 0;
            unterminated = unterminated || t.unterminated;
        }
        EXPECT_EQ(comments, c.comments) << c.sql;
        EXPECT_EQ(parameters, c.parameters) << c.sql;
        EXPECT_EQ(unterminated, c.parameters == 0) << c.sql;
    }
}

TEST(SqlLexer, BareNames)
{
    EXPECT_TRUE(IsBareSqlName(u"ENAME", false));
    EXPECT_FALSE(IsBareSqlName(u"ENAME", true)) << "would fold to ename";
    EXPECT_TRUE(IsBareSqlName(u"ename", true));
    EXPECT_TRUE(IsBareSqlName(u"_x1", true));
    EXPECT_TRUE(IsBareSqlName(u"count(*)", true)) << "an expression reads as itself";
    for (const char16_t* name : {u"Full Name", u"1st", u"", u"a-b", u"naïve", u"order", u"Select", u"user"})
        EXPECT_FALSE(IsBareSqlName(QStringView(name), false)) << QString::fromUtf16(name).toStdString();
}

TEST(SqlLexer, CopyThroughTheClientIsToldFromEveryOtherCopy)
{
    const struct
    {
        const char16_t* sql;
        bool clientCopy;
    } cases[] = {
        {u"COPY genre TO STDOUT", true},
        {u"copy genre (id, name) from stdin with (format csv)", true},
        {u"-- dump\n/* all */ Copy (select * from t where a > 0) To Stdout", true},
        {u"select 1; copy t to stdout;", true},
        {u"COPY BINARY t TO STDOUT", true},
        {u"COPY t TO '/tmp/stdout'", false},
        {u"COPY t FROM '/srv/data.csv'", false},
        {u"COPY stdin TO '/tmp/x'", false},
        {u"COPY (select * from stdin) TO '/tmp/x'", false},
        {u"COPY t TO \"stdout\"", false},
        {u"select 'copy t to stdout'", false},
        {u"select * from t -- copy t to stdout", false},
        {u"select stdout from copy", false},
        {u"insert into log values ('x'); select 1 to stdout", false},
        {u"copy t to stdout_file", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsClientCopy(QStringView(c.sql)), c.clientCopy) << QString::fromUtf16(c.sql).toStdString();
}

} // namespace
