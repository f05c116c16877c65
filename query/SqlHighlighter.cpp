#include "query/SqlHighlighter.h"

#include "connection/SqlLexer.h"

#include <QSet>
#include <QTextBlockUserData>
#include <QTextDocument>

namespace {

/// What a line ends inside of: the state its block keeps for the next one.
enum LineEnd
{
    Plain = 0,
    BlockComment,
    Literal,
    EscapeLiteral,
    DoubleQuotedName,
    BacktickName,
    BracketName,
    DollarLiteral,
};

/// The tag of a dollar-quoted literal left open at the block's end.
class DollarTag final : public QTextBlockUserData
{
public:
    explicit DollarTag(QString tag) : tag(std::move(tag)) {}
    QString tag;
};

/// The opening mark that puts the lexer back inside what the previous line left open.
QString reopening(int state, const QTextBlock& previous)
{
    switch (state) {
    case BlockComment:
        return QStringLiteral("/*");
    case Literal:
        return QStringLiteral("'");
    case EscapeLiteral:
        return QStringLiteral("E'");
    case DoubleQuotedName:
        return QStringLiteral("\"");
    case BacktickName:
        return QStringLiteral("`");
    case BracketName:
        return QStringLiteral("[");
    case DollarLiteral:
        if (const auto* tag = dynamic_cast<const DollarTag*>(previous.userData()))
            return tag->tag;
        return QString();
    default:
        return QString();
    }
}

/// What an unterminated token leaves open, by its opening mark; the tag of a dollar literal.
int openEnd(QStringView token, QString& dollarTag)
{
    if (token.startsWith(u"/*"))
        return BlockComment;
    if (token.startsWith(u'\''))
        return Literal;
    if (token.size() > 1 && token[1] == u'\'')
        return EscapeLiteral;
    if (token.startsWith(u'"'))
        return DoubleQuotedName;
    if (token.startsWith(u'`'))
        return BacktickName;
    if (token.startsWith(u'['))
        return BracketName;
    if (token.startsWith(u'$')) {
        dollarTag = token.left(token.indexOf(u'$', 1) + 1).toString();
        return DollarLiteral;
    }
    return Plain;
}

bool isKeyword(QStringView word)
{
    // clang-format off
    static const QSet<QString> kKeywords = [] {
        const char* const words[] = {
            "ADD", "ALL", "ALTER", "ANALYZE", "AND", "ANY", "AS", "ASC", "ATTACH", "BEGIN", "BETWEEN",
            "BY", "CASCADE", "CASE", "CAST", "CHECK", "COLLATE", "COLUMN", "COMMIT", "CONSTRAINT",
            "CREATE", "CROSS", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER",
            "DATABASE", "DEFAULT", "DELETE", "DESC", "DETACH", "DISTINCT", "DO", "DROP", "ELSE", "END",
            "ESCAPE", "EXCEPT", "EXISTS", "EXPLAIN", "FALSE", "FETCH", "FIRST", "FOR", "FOREIGN", "FROM",
            "FULL", "FUNCTION", "GRANT", "GROUP", "HAVING", "IF", "ILIKE", "IN", "INDEX", "INNER",
            "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY", "LEFT", "LIKE", "LIMIT", "NATURAL",
            "NEXT", "NOT", "NULL", "OFFSET", "ON", "ONLY", "OR", "ORDER", "OUTER", "OVER", "PARTITION",
            "PRAGMA", "PRIMARY", "REFERENCES", "RELEASE", "RETURNING", "REVOKE", "RIGHT", "ROLLBACK",
            "ROW", "ROWS", "SAVEPOINT", "SCHEMA", "SELECT", "SESSION_USER", "SET", "SOME", "TABLE",
            "TEMP", "TEMPORARY", "THEN", "TO", "TRANSACTION", "TRIGGER", "TRUE", "TRUNCATE", "UNION",
            "UNIQUE", "UPDATE", "USER", "USING", "VACUUM", "VALUES", "VIEW", "WHEN", "WHERE", "WINDOW",
            "WITH", "WORK",
        };
        QSet<QString> set;
        for (const char* word : words)
            set.insert(QString::fromLatin1(word));
        return set;
    }();
    // clang-format on
    return word.size() <= 17 && kKeywords.contains(word.toString().toUpper());
}

} // namespace

SqlHighlighter::SqlHighlighter(QObject* parent) : QSyntaxHighlighter(parent) {}

void SqlHighlighter::setPalette(const SyntaxPalette& palette)
{
    for (int role = 0; role < SyntaxPalette::kRoleCount; ++role)
        m_formats[role].setForeground(palette.colors[role]);
    if (document())
        rehighlight();
}

void SqlHighlighter::setShownRange(int first, int last)
{
    m_lastShown = last;
    if (!document())
        return;
    const QTextBlock from = firstNotLexed(last);
    // The blocks shown may also hold stale colours of an earlier lex beyond an earlier range.
    if (from.isValid() && from.blockNumber() <= last)
        rehighlightBlock(from);
    Q_UNUSED(first);
}

QTextBlock SqlHighlighter::firstNotLexed(int last) const
{
    // Back from the last block shown to the nearest block whose state is known.
    QTextBlock block = document()->findBlockByNumber(last);
    if (!block.isValid())
        block = document()->lastBlock();
    QTextBlock earliest;
    while (block.isValid() && block.userState() == kNotLexed) {
        earliest = block;
        block = block.previous();
    }
    return earliest;
}

void SqlHighlighter::highlightBlock(const QString& text)
{
    const QTextBlock block = currentBlock();
    const int before = block.blockNumber() == 0 ? int(Plain) : previousBlockState();
    if (block.blockNumber() > m_lastShown || before == kNotLexed) {
        setCurrentBlockState(kNotLexed);
        return;
    }
    ++m_lexedBlocks;
    const QString opening = reopening(before, block.previous());
    const QString lexed = opening.isEmpty() ? text : opening + text;
    const qsizetype shift = opening.size();
    int end = Plain;
    QString dollarTag;
    ForEachSqlToken(lexed, [&](const SqlToken& token) {
        int role = -1;
        switch (token.kind) {
        case SqlTokenKind::Word:
            if (isKeyword(QStringView(lexed).mid(token.begin, token.length)))
                role = int(SyntaxPalette::Role::Keyword);
            break;
        case SqlTokenKind::String:
            role = int(SyntaxPalette::Role::Literal);
            break;
        case SqlTokenKind::QuotedIdentifier:
            role = int(SyntaxPalette::Role::QuotedName);
            break;
        case SqlTokenKind::Comment:
            role = int(SyntaxPalette::Role::Comment);
            break;
        case SqlTokenKind::Number:
            role = int(SyntaxPalette::Role::Number);
            break;
        case SqlTokenKind::Parameter:
            role = int(SyntaxPalette::Role::Parameter);
            break;
        default:
            break;
        }
        if (token.unterminated)
            end = openEnd(QStringView(lexed).mid(token.begin, token.length), dollarTag);
        if (role < 0)
            return;
        const qsizetype begin = std::max<qsizetype>(token.begin - shift, 0);
        const qsizetype stop = token.begin + token.length - shift;
        if (stop > begin)
            setFormat(int(begin), int(stop - begin), m_formats[role]);
    });
    setCurrentBlockState(end);
    setCurrentBlockUserData(end == DollarLiteral ? new DollarTag(dollarTag) : nullptr);
}
