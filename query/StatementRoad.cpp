#include "query/StatementRoad.h"

#include "connection/SqlLexer.h"

#include <QString>
#include <QStringList>

namespace {

/// The significant tokens of a statement, with their paren depth.
struct Significant
{
    SqlToken token;
    int depth = 0;
};

QList<Significant> significantTokens(QStringView sql, SqlDialect dialect)
{
    QList<Significant> out;
    int depth = 0;
    ForEachSqlToken(
        sql,
        [&](const SqlToken& token) {
            if (!IsSignificantToken(token.kind))
                return;
            const QStringView text = sql.mid(token.begin, token.length);
            if (text == u")")
                depth = std::max(0, depth - 1);
            out.append(Significant{token, depth});
            if (text == u"(")
                ++depth;
        },
        dialect);
    return out;
}

QString upperWord(QStringView sql, const SqlToken& token)
{
    return token.kind == SqlTokenKind::Word ? sql.mid(token.begin, token.length).toString().toUpper()
                                            : QString();
}

/// Whether a word stands at depth 0 from index from on.
bool hasTopLevelWord(QStringView sql, const QList<Significant>& tokens, qsizetype from, QStringView word)
{
    for (qsizetype i = from; i < tokens.size(); ++i) {
        if (tokens[i].depth == 0 && upperWord(sql, tokens[i].token) == word)
            return true;
    }
    return false;
}

bool hasTopLevelEquals(QStringView sql, const QList<Significant>& tokens, qsizetype from)
{
    for (qsizetype i = from; i < tokens.size(); ++i) {
        const SqlToken& t = tokens[i].token;
        if (tokens[i].depth == 0 && t.kind == SqlTokenKind::Symbol && sql.mid(t.begin, t.length) == u"=")
            return true;
    }
    return false;
}

bool isChange(const QString& keyword)
{
    return keyword == u"INSERT" || keyword == u"UPDATE" || keyword == u"DELETE" || keyword == u"REPLACE";
}

} // namespace

bool ReturnsRows(QStringView sql, SqlDialect dialect)
{
    const QList<Significant> tokens = significantTokens(sql, dialect);
    qsizetype first = 0;
    while (first < tokens.size() && sql.mid(tokens[first].token.begin, tokens[first].token.length) == u"(")
        ++first;
    if (first >= tokens.size())
        return false;
    const QString keyword = upperWord(sql, tokens[first].token);
    if (keyword.contains(u"SELECT"))
        return true;
    static const QStringList kRowWords = {QStringLiteral("VALUES"),   QStringLiteral("TABLE"),
                                          QStringLiteral("EXPLAIN"),  QStringLiteral("SHOW"),
                                          QStringLiteral("DESCRIBE"), QStringLiteral("DESC"),
                                          QStringLiteral("FETCH")};
    if (kRowWords.contains(keyword))
        return true;
    if (keyword == u"PRAGMA")
        return !hasTopLevelEquals(sql, tokens, first + 1);
    if (isChange(keyword))
        return hasTopLevelWord(sql, tokens, first + 1, u"RETURNING");
    if (keyword != u"WITH")
        return false;
    // The main statement is the first statement keyword outside the parenthesised definitions;
    // the names, AS, RECURSIVE and MATERIALIZED stand before it.
    const int base = tokens[first].depth;
    for (qsizetype i = first + 1; i < tokens.size(); ++i) {
        if (tokens[i].depth != base)
            continue;
        const QString word = upperWord(sql, tokens[i].token);
        if (word == u"SELECT" || word == u"VALUES" || word == u"TABLE")
            return true;
        if (isChange(word) || word == u"MERGE")
            return hasTopLevelWord(sql, tokens, i + 1, u"RETURNING");
    }
    return false;
}
