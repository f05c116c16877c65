#include "connection/SqlLexer.h"

#include <QString>

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

/// End of a literal or quoted identifier opened at from by quote; a doubled quote stays inside.
qsizetype quotedEnd(QStringView sql, qsizetype from, QChar quote, bool backslashEscapes)
{
    qsizetype i = from + 1;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (backslashEscapes && c == QLatin1Char('\\')) {
            i += 2;
            continue;
        }
        if (c == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

/// Whether a "$" at position i would still belong to the word, number or marker just before it.
/// The closing "$" of a dollar-quoted string does not: another string may follow at once.
bool continuesWord(const QList<SqlToken>& tokens, qsizetype i)
{
    if (tokens.isEmpty())
        return false;
    const SqlToken& last = tokens.last();
    return last.begin + last.length == i &&
           (last.kind == SqlTokenKind::Word || last.kind == SqlTokenKind::Number ||
            last.kind == SqlTokenKind::Parameter);
}

/// Length of the opening "$tag$" at from, or 0 when there is none.
qsizetype dollarTagLength(QStringView sql, qsizetype from)
{
    qsizetype i = from + 1;
    if (i < sql.size() && sql[i] == QLatin1Char('$'))
        return 2;
    if (i >= sql.size() || !isWordStart(sql[i]))
        return 0;
    while (i < sql.size() && (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('_')))
        ++i;
    return i < sql.size() && sql[i] == QLatin1Char('$') ? i - from + 1 : 0;
}

} // namespace

QList<SqlToken> TokenizeSql(QStringView sql)
{
    QList<SqlToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto push = [&tokens](SqlTokenKind kind, qsizetype begin, qsizetype end) {
        tokens.append(SqlToken{kind, begin, end - begin});
    };
    while (i < n) {
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();
        const qsizetype start = i;
        if (c.isSpace()) {
            while (i < n && sql[i].isSpace())
                ++i;
            push(SqlTokenKind::Space, start, i);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n'))
                ++i;
            push(SqlTokenKind::Comment, start, i);
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype close = sql.indexOf(u"*/", i + 2);
            i = close < 0 ? n : close + 2;
            push(SqlTokenKind::Comment, start, i);
        } else if (c == QLatin1Char('\'')) {
            // E'...' strings take backslash escapes; the E is the word token just before.
            const bool escapes = !tokens.isEmpty() && tokens.last().kind == SqlTokenKind::Word &&
                                 tokens.last().length == 1 && tokens.last().begin + 1 == i &&
                                 sql[i - 1].toUpper() == QLatin1Char('E');
            if (escapes)
                tokens.removeLast();
            i = quotedEnd(sql, i, c, escapes);
            push(SqlTokenKind::String, escapes ? start - 1 : start, i);
        } else if (c == QLatin1Char('"')) {
            i = quotedEnd(sql, i, c, false);
            push(SqlTokenKind::QuotedIdentifier, start, i);
        } else if (c == QLatin1Char('$') && !continuesWord(tokens, i) && dollarTagLength(sql, i) > 0) {
            const QStringView tag = sql.mid(i, dollarTagLength(sql, i));
            const qsizetype close = sql.indexOf(tag, i + tag.size());
            i = close < 0 ? n : close + tag.size();
            push(SqlTokenKind::String, start, i);
        } else if (c == QLatin1Char(':')) {
            qsizetype colons = 0;
            while (i < n && sql[i] == QLatin1Char(':')) {
                ++colons;
                ++i;
            }
            if (colons == 1 && i < n && (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('_'))) {
                while (i < n && (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('_')))
                    ++i;
                push(SqlTokenKind::Parameter, start, i);
            } else {
                push(SqlTokenKind::Symbol, start, i);
            }
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(sql[i]))
                ++i;
            push(SqlTokenKind::Word, start, i);
        } else if (c.isDigit() || (c == QLatin1Char('.') && next.isDigit())) {
            while (i < n &&
                   (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('.') || sql[i] == QLatin1Char('_')))
                ++i;
            push(SqlTokenKind::Number, start, i);
        } else {
            ++i;
            push(SqlTokenKind::Symbol, start, i);
        }
    }
    return tokens;
}

QString FirstSqlKeyword(QStringView sql)
{
    for (const SqlToken& token : TokenizeSql(sql)) {
        switch (token.kind) {
        case SqlTokenKind::Space:
        case SqlTokenKind::Comment:
            continue;
        case SqlTokenKind::Symbol:
            if (sql.mid(token.begin, token.length) == u"(")
                continue;
            return QString();
        case SqlTokenKind::Word:
            return sql.mid(token.begin, token.length).toString().toUpper();
        default:
            return QString();
        }
    }
    return QString();
}
