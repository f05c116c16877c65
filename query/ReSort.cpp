#include "query/ReSort.h"

#include "connection/Connection.h"
#include "connection/DatabaseDriver.h"
#include "connection/Query.h"

namespace {

/// Display updates of the dataset's controls off for a scope, on again on every way out.
class ControlsDisabled final
{
public:
    explicit ControlsDisabled(Query& query) : m_query(query) { m_query.disableControls(); }
    ~ControlsDisabled() { m_query.enableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    Query& m_query;
};

/// The text with the blanks at its end (not its line breaks) cut down to one: the clause that
/// follows opens with its own, and a re-sort of a re-sort must not grow the statement.
QString keepOneBlank(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == QLatin1Char(' ') || text[end - 1] == QLatin1Char('\t')))
        --end;
    if (end < text.size())
        text.truncate(end + 1);
    return text;
}

} // namespace

QStringList ReSortedSql(const QStringList& lines, const SortRequest& request, const NameForSql& nameForSql)
{
    // Line breaks stay as they are: one may stand inside a string literal.
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    const SortPlace place = FindSortPlace(text);
    const QString clause = OrderByClause(request, nameForSql);
    QString out;
    if (place.limitsRows) {
        // The statement's own rows, ordered outside it. The closing parenthesis goes on a line of
        // its own, so that a "--" comment at the statement's end cannot take it in.
        QString inner = text.left(place.end);
        while (!inner.isEmpty() && inner.back().isSpace())
            inner.chop(1);
        const QString alias = QStringLiteral("shown_rows");
        out = QStringLiteral("SELECT * FROM (\n") + inner + QStringLiteral("\n) AS ") +
              (nameForSql ? nameForSql(alias) : alias) + clause;
    } else if (place.orderBy >= 0 || place.tail >= 0) {
        out = keepOneBlank(text.left(place.orderBy >= 0 ? place.orderBy : place.tail)) + clause;
        if (place.tail >= 0)
            out += QLatin1Char(' ') + text.mid(place.tail, place.end - place.tail);
    } else {
        // The clause on a line of its own, so that a "--" comment before it cannot take it in.
        out = text.left(place.end);
        if (!out.endsWith(QLatin1Char('\n')))
            out += QLatin1Char('\n');
        out += clause;
    }
    while (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out.split(QLatin1Char('\n'));
}

void ReSort(Query& query, int shownFieldCount, const SortRequest& request)
{
    const DatabaseDriver& driver = query.connection().driver();
    const ControlsDisabled quiet(query);
    QStringList values;
    for (int i = 0; i < query.paramCount(); ++i)
        values.append(query.paramAsText(i));
    const QStringList lines =
        ReSortedSql(query.sql(), request, [&driver](const QString& name) { return driver.nameForSql(name); });
    // A statement the engine refuses leaves the result as it was.
    query.openReplacing(lines, values);
    for (int p = shownFieldCount; p < query.fieldCount(); ++p)
        query.setVisible(p, false);
}
