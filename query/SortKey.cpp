#include "query/SortKey.h"

#include "connection/SqlLexer.h"

#include <QStringList>

#include <algorithm>

QString SortKey::text(const NameForSql& nameForSql) const
{
    return (nameForSql ? nameForSql(fieldName) : fieldName) +
           (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

QString OrderByClause(const SortRequest& request, const NameForSql& nameForSql)
{
    QStringList keys;
    for (const std::optional<SortKey>& key : request) {
        if (key)
            keys.append(key->text(nameForSql));
    }
    return QStringLiteral(" ORDER BY ") + keys.join(QStringLiteral(", "));
}

namespace {

bool isWord(QStringView sql, const SqlToken& token, QStringView word)
{
    return token.kind == SqlTokenKind::Word &&
           sql.mid(token.begin, token.length).compare(word, Qt::CaseInsensitive) == 0;
}

bool isTailWord(QStringView sql, const SqlToken& token)
{
    return isWord(sql, token, u"LIMIT") || isWord(sql, token, u"OFFSET") || isWord(sql, token, u"FETCH") ||
           isWord(sql, token, u"FOR");
}

} // namespace

SortPlace FindSortPlace(QStringView sql)
{
    SortPlace place;
    place.end = sql.size();
    int depth = 0;
    std::optional<SqlToken> previous; // the significant token before, at depth 0
    std::optional<SqlToken> semicolon;
    qsizetype firstTail = -1;
    qsizetype tailAfterOrder = -1;
    ForEachSqlToken(sql, [&](const SqlToken& token) {
        if (!IsSignificantToken(token.kind))
            return;
        const QStringView text = sql.mid(token.begin, token.length);
        // Anything after a ";" means it was not the statement's last character after all.
        semicolon.reset();
        if (text == u"(") {
            ++depth;
        } else if (text == u")") {
            depth = std::max(0, depth - 1);
        } else if (depth == 0) {
            if (place.orderBy < 0 && previous && isWord(sql, *previous, u"ORDER") &&
                isWord(sql, token, u"BY")) {
                place.orderBy = previous->begin;
            } else if (isTailWord(sql, token)) {
                if (!isWord(sql, token, u"FOR"))
                    place.limitsRows = true;
                if (firstTail < 0)
                    firstTail = token.begin;
                if (place.orderBy >= 0 && tailAfterOrder < 0)
                    tailAfterOrder = token.begin;
            } else if (text == u";") {
                semicolon = token;
            }
        }
        previous = token;
    });
    if (semicolon)
        place.end = semicolon->begin;
    place.tail = place.orderBy >= 0 ? tailAfterOrder : firstTail;
    if (place.tail >= place.end)
        place.tail = -1;
    return place;
}

qsizetype FindTopLevelOrderBy(QStringView sql)
{
    return FindSortPlace(sql).orderBy;
}
