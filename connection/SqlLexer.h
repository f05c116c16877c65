#pragma once

#include <QList>
#include <QStringView>

/// The kinds of token the engine wrapper tells apart in SQL text.
enum class SqlTokenKind
{
    Word,             ///< keyword or plain identifier
    QuotedIdentifier, ///< "..." (doubled quotes inside)
    String,           ///< '...', E'...' or $tag$...$tag$
    Number,
    Parameter, ///< ":name" (never part of a "::" cast)
    Comment,   ///< -- to the end of the line, or /* ... */
    Space,
    Symbol, ///< any other character, or "::"
};

struct SqlToken
{
    SqlTokenKind kind = SqlTokenKind::Symbol;
    qsizetype begin = 0;
    qsizetype length = 0;
};

/// Splits SQL text into tokens covering it completely, in order. An unterminated literal, quoted
/// identifier or comment runs to the end of the text.
QList<SqlToken> TokenizeSql(QStringView sql);

/// The first word of the statement, upper-cased, skipping blanks, comments and opening parentheses.
QString FirstSqlKeyword(QStringView sql);
