#include "query/ReSort.h"

#include "connection/Query.h"
#include "query/query.h"

#include <QRegularExpression>

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

} // namespace

QStringList ReSortedSql(const QStringList& lines, const SortRequest& request)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    const qsizetype cut = FindTopLevelOrderBy(text);
    if (cut >= 0)
        text.truncate(cut);
    text += OrderByClause(request);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    return text.split(lineBreak);
}

void ReSort(TFRM_Query& window, const SortRequest& request)
{
    Query& query = window.QRY_Grid();
    const int noted = window.columnCount();
    {
        const ControlsDisabled quiet(query);
        QStringList values;
        for (int i = 0; i < query.paramCount(); ++i)
            values.append(query.paramAsText(i));
        const QStringList lines = ReSortedSql(query.sql(), request);
        query.close();
        query.clearSql();
        query.setSql(lines);
        for (int i = 0; i < values.size() && i < query.paramCount(); ++i)
            query.setParamAsString(i, values[i]);
        query.open();
        for (int p = noted; p < query.fieldCount(); ++p)
            query.setVisible(p, false);
    }
    window.FormActivate();
}
