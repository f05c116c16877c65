#include "connection/ParameterScanner.h"

#include "connection/SqlLexer.h"

QList<ParameterMarker> ParameterScanner::Scan(QStringView sql, SqlDialect dialect)
{
    QList<ParameterMarker> markers;
    for (const SqlToken& token : TokenizeSql(sql, dialect)) {
        if (token.kind == SqlTokenKind::Parameter)
            markers.append(
                {sql.mid(token.begin + 1, token.length - 1).toString(), token.begin, token.length});
    }
    return markers;
}

namespace {

/// A dollar-quoted string as an E'...' string of the same value.
QString escapedFromDollarQuoted(QStringView token)
{
    const qsizetype tagLength = token.indexOf(QLatin1Char('$'), 1) + 1;
    const bool closed = token.size() >= 2 * tagLength && token.endsWith(token.left(tagLength));
    QString body = token.mid(tagLength, token.size() - tagLength - (closed ? tagLength : 0)).toString();
    body.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    body.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral("E'") + body + QLatin1Char('\'');
}

/// An E'...' string with its backslash-escaped quotes doubled instead.
QString withDoubledQuotes(QStringView token)
{
    QString out;
    out.reserve(token.size());
    for (qsizetype i = 0; i < token.size(); ++i) {
        if (token[i] == QLatin1Char('\\') && i + 1 < token.size()) {
            if (token[i + 1] == QLatin1Char('\''))
                out += QStringLiteral("''");
            else
                out += token.mid(i, 2);
            ++i;
        } else {
            out += token[i];
        }
    }
    return out;
}

} // namespace

QString ParameterScanner::Replace(QStringView sql, const QList<ParameterMarker>& markers,
                                  const std::function<QString(int)>& placeholder, Rewrite rewrite,
                                  SqlDialect dialect)
{
    const bool simple = rewrite == Rewrite::ForSimpleParsers;
    QString out;
    out.reserve(sql.size() + markers.size() * 4);
    int markerIndex = 0;
    for (const SqlToken& token : TokenizeSql(sql, dialect)) {
        if (token.kind == SqlTokenKind::Parameter && markerIndex < markers.size() &&
            markers[markerIndex].begin == token.begin) {
            out += placeholder(markerIndex++);
        } else if (simple && token.kind == SqlTokenKind::Comment) {
            out += QLatin1Char(' ');
        } else if (simple && token.kind == SqlTokenKind::String && sql[token.begin] == QLatin1Char('$')) {
            // A colon just before would make ":E" a marker to the driver's reading; a blank keeps
            // the tokens apart as they were.
            if (out.endsWith(QLatin1Char(':')))
                out += QLatin1Char(' ');
            out += escapedFromDollarQuoted(sql.mid(token.begin, token.length));
            // Nor may its closing quote and a string right behind it read as one doubled quote.
            const qsizetype after = token.begin + token.length;
            if (after < sql.size() && sql[after] == QLatin1Char('\''))
                out += QLatin1Char(' ');
        } else if (simple && token.kind == SqlTokenKind::String && sql[token.begin] != QLatin1Char('\'')) {
            out += withDoubledQuotes(sql.mid(token.begin, token.length));
        } else {
            out += sql.mid(token.begin, token.length);
        }
    }
    return out;
}
