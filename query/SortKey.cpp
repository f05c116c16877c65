#include "query/SortKey.h"

#include <QStringList>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

/// Skips blanks and comments from i; returns the first position of anything else.
qsizetype skipSpace(QStringView s, qsizetype i)
{
    const qsizetype n = s.size();
    while (i < n) {
        if (s[i].isSpace()) {
            ++i;
        } else if (s[i] == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n' && s[i] != u'\r')
                ++i;
        } else if (s[i] == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const qsizetype close = s.indexOf(u"*/", i + 2);
            i = close < 0 ? n : close + 2;
        } else {
            break;
        }
    }
    return i;
}

/// True when the word at i is keyword (any letter case) standing alone.
bool wordAt(QStringView s, qsizetype i, QStringView keyword)
{
    if (i + keyword.size() > s.size())
        return false;
    if (i > 0 && isWordChar(s[i - 1]))
        return false;
    if (s.sliced(i, keyword.size()).compare(keyword, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype after = i + keyword.size();
    return after == s.size() || !isWordChar(s[after]);
}

} // namespace

QString SortKey::text() const
{
    return fieldName + (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

QString OrderByClause(const SortRequest& request)
{
    QStringList keys;
    for (const std::optional<SortKey>& key : request) {
        if (key)
            keys.append(key->text());
    }
    return QStringLiteral(" ORDER BY ") + keys.join(QStringLiteral(", "));
}

qsizetype FindTopLevelOrderBy(QStringView s)
{
    const qsizetype n = s.size();
    int depth = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            // Quoted: runs to the closing mark; a doubled mark inside reopens it at once.
            const QChar close = c == u'[' ? QChar(u']') : c;
            const qsizetype end = s.indexOf(close, i + 1);
            i = end < 0 ? n : end + 1;
        } else if ((c == u'-' && i + 1 < n && s[i + 1] == u'-') ||
                   (c == u'/' && i + 1 < n && s[i + 1] == u'*')) {
            i = skipSpace(s, i);
        } else if (c == u'(') {
            ++depth;
            ++i;
        } else if (c == u')') {
            depth = std::max(0, depth - 1);
            ++i;
        } else if (depth == 0 && (c == u'o' || c == u'O') && wordAt(s, i, u"ORDER")) {
            if (wordAt(s, skipSpace(s, i + 5), u"BY"))
                return i;
            i += 5;
        } else {
            ++i;
        }
    }
    return -1;
}
