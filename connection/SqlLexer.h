#pragma once

#include <QList>
#include <QStringView>

#include <functional>

/// The kinds of token the engine wrapper tells apart in SQL text.
enum class SqlTokenKind
{
    Word,             ///< keyword or plain identifier
    QuotedIdentifier, ///< "...", [...] or `...` (a doubled closing mark stays inside)
    String,           ///< '...', E'...' or $tag$...$tag$
    Number,
    Parameter, ///< ":name" (never part of a "::" cast)
    Comment,   ///< -- to the end of its line (the line break not included), or /* ... */
    Space,
    Symbol, ///< any other character, or "::"
};

/// The engine whose reading of SQL text the lexer follows where engines differ.
enum class SqlDialect
{
    Standard,   ///< a block comment ends at the first "*/"
    PostgreSql, ///< block comments nest: "/* a /* b */ c */" is one comment
};

struct SqlToken
{
    SqlTokenKind kind = SqlTokenKind::Symbol;
    qsizetype begin = 0;
    qsizetype length = 0;
    /// A literal, quoted identifier or block comment without its closing mark: it runs to the end.
    bool unterminated = false;
};

/// Splits SQL text into tokens covering it completely, in order. An unterminated literal, quoted
/// identifier or comment runs to the end of the text.
QList<SqlToken> TokenizeSql(QStringView sql, SqlDialect dialect = SqlDialect::Standard);

/// The same tokens handed to visit one by one, in order, without holding them all.
void ForEachSqlToken(QStringView sql, const std::function<void(const SqlToken&)>& visit,
                     SqlDialect dialect = SqlDialect::Standard);

/// Literals, quoted identifiers and comments: nothing inside them may ever be changed.
inline bool IsProtectedToken(SqlTokenKind kind)
{
    return kind == SqlTokenKind::String || kind == SqlTokenKind::QuotedIdentifier ||
           kind == SqlTokenKind::Comment;
}

/// A "--" comment, which ends at its line break.
inline bool IsLineComment(QStringView sql, const SqlToken& token)
{
    return token.kind == SqlTokenKind::Comment && sql.mid(token.begin, 2) == u"--";
}

/// Tokens that carry meaning: neither blanks nor comments.
inline bool IsSignificantToken(SqlTokenKind kind)
{
    return kind != SqlTokenKind::Space && kind != SqlTokenKind::Comment;
}

/// The first word of the statement, upper-cased, skipping blanks, comments and opening parentheses.
QString FirstSqlKeyword(QStringView sql, SqlDialect dialect = SqlDialect::Standard);

/// True when the text holds nothing but blanks and comments.
bool IsEmptySql(QStringView sql, SqlDialect dialect = SqlDialect::Standard);

/// Whether any statement of the text is a COPY whose data would flow through the client
/// (COPY ... TO STDOUT, COPY ... FROM STDIN): one that only a program speaking the COPY
/// sub-protocol can serve.
bool IsClientCopy(QStringView sql);

/// Whether a name can stand bare in a statement: a plain identifier that is no reserved word.
/// With foldsToLower the engine reads bare names in lower case, so upper-case letters need quotes.
/// A name holding "(" is an expression's own text (count(*)) and reads as itself.
bool IsBareSqlName(QStringView name, bool foldsToLower);
/// The name as a standard quoted identifier: in double quotes, its own double quotes doubled.
QString DoubleQuotedSqlName(const QString& name);
