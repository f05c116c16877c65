#pragma once

#include "connection/SqlLexer.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

/// One ":name" marker of a statement: its name (without the colon) and where it stands.
struct ParameterMarker
{
    QString name;
    qsizetype begin = 0;
    qsizetype length = 0;
};

/// Finding parameter markers and turning them into the engine's placeholders.
namespace ParameterScanner {

/// Every marker outside string literals, quoted identifiers and comments, in text order.
QList<ParameterMarker> Scan(QStringView sql, SqlDialect dialect = SqlDialect::Standard);

/// How much of the text is rewritten besides the markers.
enum class Rewrite
{
    MarkersOnly,
    /// For drivers that read placeholders out of prepared text with a simpler reading of their
    /// own: each comment becomes a blank, a dollar-quoted string becomes an equal E'...' string,
    /// and \' inside an E'...' string becomes ''. The statement means the same.
    ForSimpleParsers,
};

/// The text with marker k replaced by placeholder(k).
QString Replace(QStringView sql, const QList<ParameterMarker>& markers,
                const std::function<QString(int)>& placeholder, Rewrite rewrite = Rewrite::MarkersOnly,
                SqlDialect dialect = SqlDialect::Standard);

} // namespace ParameterScanner
