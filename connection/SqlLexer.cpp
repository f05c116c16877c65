#include "connection/SqlLexer.h"

#include <QString>

#include <optional>

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
qsizetype quotedEnd(QStringView sql, qsizetype from, QChar quote, bool backslashEscapes, bool& closed)
{
    closed = true;
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
    closed = false;
    return sql.size();
}

/// The tokens so far as the lexer needs them: the last one can be looked at and taken back (the E
/// of an E'...' string is lexed as a word first). Everything before it is handed on for good.
class TokenSink
{
public:
    explicit TokenSink(const std::function<void(const SqlToken&)>& visit) : m_visit(visit) {}
    ~TokenSink() { flush(); }
    TokenSink(const TokenSink&) = delete;
    TokenSink& operator=(const TokenSink&) = delete;

    void push(const SqlToken& token)
    {
        flush();
        m_last = token;
    }
    const SqlToken* last() const { return m_last ? &*m_last : nullptr; }
    void removeLast() { m_last.reset(); }
    void flush()
    {
        if (m_last)
            m_visit(*m_last);
        m_last.reset();
    }

private:
    const std::function<void(const SqlToken&)>& m_visit;
    std::optional<SqlToken> m_last;
};

/// Whether a "$" at position i would still belong to the word, number or marker just before it.
/// The closing "$" of a dollar-quoted string does not: another string may follow at once.
bool continuesWord(const SqlToken* last, qsizetype i)
{
    return last && last->begin + last->length == i &&
           (last->kind == SqlTokenKind::Word || last->kind == SqlTokenKind::Number ||
            last->kind == SqlTokenKind::Parameter);
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

/// End of the block comment opened at from; where comments nest, each "/*" inside needs its own "*/".
qsizetype blockCommentEnd(QStringView sql, qsizetype from, bool nested, bool& closed)
{
    if (!nested) {
        const qsizetype close = sql.indexOf(u"*/", from + 2);
        closed = close >= 0;
        return close < 0 ? sql.size() : close + 2;
    }
    int depth = 1;
    qsizetype i = from + 2;
    while (i + 1 < sql.size()) {
        if (sql[i] == QLatin1Char('/') && sql[i + 1] == QLatin1Char('*')) {
            ++depth;
            i += 2;
        } else if (sql[i] == QLatin1Char('*') && sql[i + 1] == QLatin1Char('/')) {
            i += 2;
            if (--depth == 0) {
                closed = true;
                return i;
            }
        } else {
            ++i;
        }
    }
    closed = false;
    return sql.size();
}

} // namespace

QList<SqlToken> TokenizeSql(QStringView sql, SqlDialect dialect)
{
    QList<SqlToken> tokens;
    ForEachSqlToken(
        sql, [&tokens](const SqlToken& token) { tokens.append(token); }, dialect);
    return tokens;
}

void ForEachSqlToken(QStringView sql, const std::function<void(const SqlToken&)>& visit, SqlDialect dialect)
{
    const bool nestedComments = dialect == SqlDialect::PostgreSql;
    TokenSink tokens(visit);
    const qsizetype n = sql.size();
    qsizetype i = 0;
    bool closed = true; // whether the literal, quoted name or comment just read was closed
    auto push = [&tokens, &closed](SqlTokenKind kind, qsizetype begin, qsizetype end) {
        tokens.push(SqlToken{kind, begin, end - begin, !closed});
        closed = true;
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
            while (i < n && sql[i] != QLatin1Char('\n') && sql[i] != QLatin1Char('\r'))
                ++i;
            push(SqlTokenKind::Comment, start, i);
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            i = blockCommentEnd(sql, i, nestedComments, closed);
            push(SqlTokenKind::Comment, start, i);
        } else if (c == QLatin1Char('\'')) {
            // E'...' strings take backslash escapes; the E is the word token just before.
            const SqlToken* last = tokens.last();
            const bool escapes = last && last->kind == SqlTokenKind::Word && last->length == 1 &&
                                 last->begin + 1 == i && sql[i - 1].toUpper() == QLatin1Char('E');
            if (escapes)
                tokens.removeLast();
            i = quotedEnd(sql, i, c, escapes, closed);
            push(SqlTokenKind::String, escapes ? start - 1 : start, i);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            i = quotedEnd(sql, i, c, false, closed);
            push(SqlTokenKind::QuotedIdentifier, start, i);
        } else if (c == QLatin1Char('[')) {
            i = quotedEnd(sql, i, QLatin1Char(']'), false, closed);
            push(SqlTokenKind::QuotedIdentifier, start, i);
        } else if (c == QLatin1Char('$') && !continuesWord(tokens.last(), i) && dollarTagLength(sql, i) > 0) {
            const QStringView tag = sql.mid(i, dollarTagLength(sql, i));
            const qsizetype close = sql.indexOf(tag, i + tag.size());
            closed = close >= 0;
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
}

QString FirstSqlKeyword(QStringView sql, SqlDialect dialect)
{
    for (const SqlToken& token : TokenizeSql(sql, dialect)) {
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

bool IsEmptySql(QStringView sql, SqlDialect dialect)
{
    for (const SqlToken& token : TokenizeSql(sql, dialect)) {
        if (IsSignificantToken(token.kind))
            return false;
    }
    return true;
}

bool IsClientCopy(QStringView sql)
{
    bool statementStart = true;
    bool inCopy = false;
    int depth = 0;
    QStringView previous;
    bool found = false;
    ForEachSqlToken(sql, [&](const SqlToken& token) {
        if (found || !IsSignificantToken(token.kind))
            return;
        const QStringView text = sql.mid(token.begin, token.length);
        if (token.kind == SqlTokenKind::Symbol && text == u";") {
            statementStart = true;
            inCopy = false;
            depth = 0;
            previous = {};
            return;
        }
        if (statementStart) {
            statementStart = false;
            inCopy = token.kind == SqlTokenKind::Word && text.compare(u"COPY", Qt::CaseInsensitive) == 0;
        } else if (token.kind == SqlTokenKind::Symbol && text == u"(") {
            ++depth;
        } else if (token.kind == SqlTokenKind::Symbol && text == u")") {
            --depth;
        } else if (inCopy && depth == 0 && token.kind == SqlTokenKind::Word &&
                   ((previous.compare(u"TO", Qt::CaseInsensitive) == 0 &&
                     text.compare(u"STDOUT", Qt::CaseInsensitive) == 0) ||
                    (previous.compare(u"FROM", Qt::CaseInsensitive) == 0 &&
                     text.compare(u"STDIN", Qt::CaseInsensitive) == 0))) {
            found = true;
        }
        previous = token.kind == SqlTokenKind::Word ? text : QStringView();
    });
    return found;
}

bool IsBareSqlName(QStringView name, bool foldsToLower)
{
    if (name.contains(u'('))
        return true;
    if (name.isEmpty() || !(name[0].isLetter() || name[0] == u'_') || name[0].unicode() > 127)
        return false;
    for (const QChar c : name) {
        if (c.unicode() > 127 || !(c.isLetterOrNumber() || c == u'_'))
            return false;
        if (foldsToLower && c.isUpper())
            return false;
    }
    // The words that cannot name a column bare in the engines we reach.
    // clang-format off
    static constexpr const char16_t* kReserved[] = {
        u"ALL", u"ALTER", u"AND", u"ANY", u"AS", u"ASC", u"BETWEEN", u"BY", u"CASE", u"CAST",
        u"CHECK", u"COLLATE", u"COLUMN", u"CONSTRAINT", u"CREATE", u"CROSS", u"CURRENT_DATE",
        u"CURRENT_TIME", u"CURRENT_TIMESTAMP", u"CURRENT_USER", u"DEFAULT", u"DELETE", u"DESC",
        u"DISTINCT", u"DO", u"DROP", u"ELSE", u"END", u"EXCEPT", u"EXISTS", u"FALSE", u"FETCH",
        u"FOR", u"FOREIGN", u"FROM", u"FULL", u"GRANT", u"GROUP", u"HAVING", u"IN", u"INDEX",
        u"INNER", u"INSERT", u"INTERSECT", u"INTO", u"IS", u"JOIN", u"KEY", u"LEFT", u"LIKE",
        u"LIMIT", u"NATURAL", u"NOT", u"NULL", u"OFFSET", u"ON", u"OR", u"ORDER", u"OUTER",
        u"PRIMARY", u"REFERENCES", u"RETURNING", u"RIGHT", u"SELECT", u"SESSION_USER", u"SET",
        u"SOME", u"TABLE", u"THEN", u"TO", u"TRUE", u"UNION", u"UNIQUE", u"UPDATE", u"USER",
        u"USING", u"VALUES", u"WHEN", u"WHERE", u"WINDOW", u"WITH",
    };
    // clang-format on
    for (const char16_t* word : kReserved) {
        if (name.compare(QStringView(word), Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

QString DoubleQuotedSqlName(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}
