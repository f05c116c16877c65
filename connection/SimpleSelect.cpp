#include "connection/SimpleSelect.h"

#include "connection/SqlLexer.h"

#include <QList>
#include <QStringList>

namespace {

struct Token
{
    SqlTokenKind kind;
    QString text;
    QString upper;
};

const QStringList kTailStarts = {QStringLiteral("WHERE"),  QStringLiteral("ORDER"), QStringLiteral("LIMIT"),
                                 QStringLiteral("OFFSET"), QStringLiteral("FETCH"), QStringLiteral("FOR")};
// Top-level words after which a row no longer stands for one row of the table.
const QStringList kTailForbidden = {
    QStringLiteral("UNION"),  QStringLiteral("INTERSECT"), QStringLiteral("EXCEPT"), QStringLiteral("GROUP"),
    QStringLiteral("HAVING"), QStringLiteral("WINDOW"),    QStringLiteral("JOIN"),   QStringLiteral("FROM")};
const QStringList kReserved = {QStringLiteral("SELECT"),   QStringLiteral("FROM"),  QStringLiteral("AS"),
                               QStringLiteral("DISTINCT"), QStringLiteral("JOIN"),  QStringLiteral("ON"),
                               QStringLiteral("USING"),    QStringLiteral("INNER"), QStringLiteral("LEFT"),
                               QStringLiteral("RIGHT"),    QStringLiteral("FULL"),  QStringLiteral("CROSS"),
                               QStringLiteral("NATURAL"),  QStringLiteral("TOP")};

class Reader
{
public:
    explicit Reader(QList<Token> tokens) : m_tokens(std::move(tokens)) {}
    bool atEnd() const { return m_pos >= m_tokens.size(); }
    const Token& peek() const { return m_tokens[m_pos]; }
    bool peekIs(QStringView upper) const { return !atEnd() && peek().upper == upper; }
    bool take(QStringView upper)
    {
        if (!peekIs(upper))
            return false;
        ++m_pos;
        return true;
    }
    Token next() { return m_tokens[m_pos++]; }
    bool identifierAhead() const
    {
        if (atEnd())
            return false;
        const Token& t = peek();
        return t.kind == SqlTokenKind::QuotedIdentifier ||
               (t.kind == SqlTokenKind::Word && !kReserved.contains(t.upper) &&
                !kTailStarts.contains(t.upper) && !kTailForbidden.contains(t.upper));
    }
    qsizetype pos() const { return m_pos; }
    void seek(qsizetype pos) { m_pos = pos; }

private:
    QList<Token> m_tokens;
    qsizetype m_pos = 0;
};

QString unquoted(const Token& t)
{
    if (t.kind != SqlTokenKind::QuotedIdentifier)
        return t.text;
    QString inner = t.text.mid(1, t.text.size() - 2);
    return inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

/// name [. name [. name]] [. *]  or  *
bool readSelectItem(Reader& r)
{
    if (r.take(u"*"))
        return true;
    if (!r.identifierAhead())
        return false;
    r.next();
    for (int parts = 1; r.peekIs(u"."); ++parts) {
        r.next();
        if (r.take(u"*"))
            return true;
        if (parts == 3 || !r.identifierAhead())
            return false;
        r.next();
    }
    return true;
}

} // namespace

SimpleSelect ParseSimpleSelect(QStringView sql)
{
    QList<Token> tokens;
    for (const SqlToken& t : TokenizeSql(sql)) {
        if (t.kind == SqlTokenKind::Space || t.kind == SqlTokenKind::Comment)
            continue;
        const QString text = sql.mid(t.begin, t.length).toString();
        tokens.append({t.kind, text, t.kind == SqlTokenKind::Word ? text.toUpper() : text});
    }
    Reader r(std::move(tokens));
    SimpleSelect result;
    if (!r.take(u"SELECT"))
        return result;
    r.take(u"ALL");
    do {
        if (!readSelectItem(r))
            return result;
    } while (r.take(u","));
    if (!r.take(u"FROM") || !r.identifierAhead())
        return result;
    Token last = r.next();
    QString table = last.text;
    if (r.peekIs(u".")) {
        r.next();
        if (!r.identifierAhead())
            return result;
        last = r.next();
        table += QLatin1Char('.') + last.text;
    }
    if (r.take(u"AS")) {
        if (!r.identifierAhead())
            return result;
        r.next();
    } else if (r.identifierAhead()) {
        r.next();
    }
    if (!r.atEnd() && r.peek().text != u";") {
        if (!kTailStarts.contains(r.peek().upper))
            return result;
        int depth = 0;
        while (!r.atEnd()) {
            const Token t = r.next();
            if (t.text == u"(") {
                ++depth;
            } else if (t.text == u")") {
                --depth;
            } else if (depth == 0 && (t.text == u";" || kTailForbidden.contains(t.upper))) {
                if (t.text != u";")
                    return result;
                break;
            }
        }
    } else if (!r.atEnd()) {
        r.next();
    }
    // Only a lone statement: nothing but semicolons may follow.
    while (!r.atEnd()) {
        if (r.next().text != u";")
            return result;
    }
    result.simple = true;
    result.table = table;
    result.tableName = unquoted(last);
    return result;
}

std::optional<LiveTarget> MapLiveTarget(const SimpleSelect& select, const QList<ColumnInfo>& columns,
                                        const QStringList& tableColumns, const QStringList& keys,
                                        const std::function<QString(const QString&)>& quote)
{
    if (!select.simple || columns.isEmpty() || tableColumns.isEmpty() || keys.isEmpty())
        return std::nullopt;
    auto match = [](const QStringList& names, const QString& name) -> QString {
        if (names.contains(name))
            return name;
        QString found;
        for (const QString& candidate : names) {
            if (candidate.compare(name, Qt::CaseInsensitive) == 0) {
                if (!found.isEmpty())
                    return QString();
                found = candidate;
            }
        }
        return found;
    };
    LiveTarget target;
    target.tableSql = select.table;
    QStringList mapped;
    for (const ColumnInfo& column : columns) {
        const QString name = match(tableColumns, column.name);
        if (name.isEmpty() || mapped.contains(name))
            return std::nullopt;
        mapped.append(name);
        target.columnSql.append(quote(name));
    }
    for (const QString& key : keys) {
        const qsizetype at = mapped.indexOf(match(tableColumns, key));
        if (at < 0)
            return std::nullopt;
        target.keyColumns.append(int(at));
    }
    return target;
}
