// The re-sort's search for the statement's own ORDER BY, and the statement it builds.
//
// A position found is the word ORDER (any letter case, standing alone) followed by the word BY,
// and no earlier one is found in the text before it. Text that hides an ORDER BY (a string, a
// quoted name, a comment, a sub-select in parentheses) put in front moves the result by its own
// length and nothing else. The re-sorted statement keeps every character before the cut, and its
// own top-level ORDER BY is then the one appended.
#include "FuzzInput.h"

#include "query/ReSort.h"
#include "query/SortKey.h"

#include <QStringList>

namespace {

bool isWordChar(QChar c)
{
    // A "$" continues a word but starts none.
    return c.isLetterOrNumber() || c == u'_';
}

bool standsAlone(const QString& s, qsizetype at, qsizetype length)
{
    return (at == 0 || !isWordChar(s[at - 1])) && (at + length == s.size() || !isWordChar(s[at + length]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t flags = input.byte();
    const QString sql = input.rest(flags & 1);
    const QString detail = Escaped(sql);

    const qsizetype at = FindTopLevelOrderBy(sql);
    FUZZ_CHECK(at >= -1 && at < sql.size(), detail);
    if (at >= 0) {
        FUZZ_CHECK(sql.mid(at, 5).compare(QStringLiteral("ORDER"), Qt::CaseInsensitive) == 0, detail);
        FUZZ_CHECK(standsAlone(sql, at, 5), detail);
        FUZZ_CHECK(FindTopLevelOrderBy(QStringView(sql).left(at)) == -1, detail);
        // BY follows, after blanks and comments only.
        qsizetype by = at + 5;
        for (;;) {
            if (by < sql.size() && sql[by].isSpace()) {
                ++by;
            } else if (sql.mid(by, 2) == QStringLiteral("--")) {
                while (by < sql.size() && sql[by] != u'\n' && sql[by] != u'\r')
                    ++by;
            } else if (sql.mid(by, 2) == QStringLiteral("/*")) {
                const qsizetype close = sql.indexOf(QStringLiteral("*/"), by + 2);
                by = close < 0 ? sql.size() : close + 2;
            } else {
                break;
            }
        }
        FUZZ_CHECK(sql.mid(by, 2).compare(QStringLiteral("BY"), Qt::CaseInsensitive) == 0 &&
                       standsAlone(sql, by, 2),
                   detail);
    }

    const QString hiders[] = {
        QStringLiteral("'ORDER BY x' "),
        QStringLiteral("\"ORDER BY\" "),
        QStringLiteral("/* ORDER BY x */ "),
        QStringLiteral("-- ORDER BY x\n"),
        QStringLiteral("(SELECT a FROM t ORDER BY a) "),
        QStringLiteral("ORDERS BY "),
        QStringLiteral("[ORDER BY] "),
        QStringLiteral("`ORDER BY` "),
    };
    for (const QString& hider : hiders) {
        const qsizetype moved = FindTopLevelOrderBy(hider + sql);
        FUZZ_CHECK(moved == (at < 0 ? -1 : at + hider.size()), hider + QStringLiteral(" | ") + detail);
    }

    // The re-sorted statement.
    const QStringList lines = sql.split(u'\n');
    SortRequest request;
    request[flags >> 1 & 1 ? 1 : 0] = SortKey{QStringLiteral("NAME"), bool(flags & 4)};
    if (flags & 8)
        request[2] = SortKey{QStringLiteral("CITY"), false};
    const QString clause = OrderByClause(request);
    const QString resorted = QStringList(ReSortedSql(lines, request)).join(u'\n');
    const QString joined = lines.join(u'\n') + u'\n';
    const SortPlace place = FindSortPlace(joined);
    const qsizetype keptEnd = place.orderBy >= 0 ? place.orderBy : place.tail >= 0 ? place.tail : place.end;
    // Everything before the old clause (or the tail, or the end) stays as it was.
    FUZZ_CHECK(resorted.startsWith(joined.left(keptEnd)), detail + QStringLiteral("\n") + Escaped(resorted));
    // What followed the old clause stays behind the new one.
    if (place.tail >= 0) {
        QString tail = joined.mid(place.tail, place.end - place.tail);
        while (tail.endsWith(u'\n'))
            tail.chop(1);
        FUZZ_CHECK(resorted.endsWith(tail), detail + QStringLiteral("\n") + Escaped(resorted));
    }
    // The statement's own ORDER BY is now the new clause, unless an unterminated literal or
    // comment before it takes it in.
    const qsizetype found = FindTopLevelOrderBy(resorted);
    FUZZ_CHECK(found < 0 || (found > 0 && QStringView(resorted).sliced(found - 1).startsWith(clause)),
               detail + QStringLiteral("\n") + Escaped(resorted));
    return 0;
}
