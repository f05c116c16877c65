#include "query/ColumnOrder.h"

QString ColumnOrder::value(const QStringList& fieldNames)
{
    return fieldNames.join(QLatin1Char('|'));
}

QStringList ColumnOrder::names(const QString& value)
{
    if (value.isEmpty())
        return {};
    QStringList pieces = value.split(QLatin1Char('|'));
    if (value.endsWith(QLatin1Char('|')))
        pieces.removeLast();
    return pieces;
}

QList<ColumnOrder::Move> ColumnOrder::restoreMoves(QStringList currentNames, const QStringList& storedNames)
{
    QList<Move> moves;
    const qsizetype targets = std::min(currentNames.size(), storedNames.size());
    for (qsizetype p = 0; p < targets; ++p) {
        qsizetype found = -1;
        for (qsizetype i = p; i < currentNames.size(); ++i) {
            if (currentNames[i].compare(storedNames[p], Qt::CaseInsensitive) == 0) {
                found = i;
                break;
            }
        }
        if (found < 0 || found == p)
            continue;
        currentNames.move(found, p);
        moves.append({int(found), int(p)});
    }
    return moves;
}
