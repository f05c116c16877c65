#include "query/SqlHighlighter.h"

#include "connection/SqlLexer.h"

#include <QSet>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <utility>

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

/// What a block keeps besides its end state: the mark that reopens what it leaves open where the
/// state alone cannot tell (a dollar literal's tag, a nested comment's levels), and the revision
/// its colours were set at.
class BlockMarks final : public QTextBlockUserData
{
public:
    QString reopenMark;
    quint64 colouredAt = 0;
};

BlockMarks& marksOf(QTextBlock block)
{
    auto* marks = static_cast<BlockMarks*>(block.userData());
    if (!marks) {
        marks = new BlockMarks;
        block.setUserData(marks);
    }
    return *marks;
}

/// The opening mark that puts the lexer back inside what the previous line left open.
QString reopening(int state, const QTextBlock& previous)
{
    switch (state) {
    case BlockComment:
        // A nested comment left open keeps one opening mark per level.
        if (const auto* marks = static_cast<const BlockMarks*>(previous.userData());
            marks && !marks->reopenMark.isEmpty())
            return marks->reopenMark;
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
        if (const auto* marks = static_cast<const BlockMarks*>(previous.userData()))
            return marks->reopenMark;
        return QString();
    default:
        return QString();
    }
}

/// What an unterminated token leaves open, by its opening mark. reopenMark takes what reopens it
/// where the state alone cannot: a dollar literal's tag, a nested comment's marks.
int openEnd(QStringView token, QString& reopenMark, SqlDialect dialect)
{
    if (token.startsWith(u"/*")) {
        int depth = 0;
        for (qsizetype i = 0; dialect == SqlDialect::PostgreSql && i + 1 < token.size(); ++i) {
            if (token[i] == u'/' && token[i + 1] == u'*') {
                ++depth;
                ++i;
            } else if (token[i] == u'*' && token[i + 1] == u'/') {
                --depth;
                ++i;
            }
        }
        if (depth > 1)
            reopenMark = QStringLiteral("/*").repeated(depth);
        return BlockComment;
    }
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
        reopenMark = token.left(token.indexOf(u'$', 1) + 1).toString();
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

SqlHighlighter::SqlHighlighter(QObject* parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] { colourShown(); });
}

SqlHighlighter::~SqlHighlighter()
{
    // The document may be going too: only its colours matter, and they go with it.
    disconnect(m_watch);
}

void SqlHighlighter::setDocument(QTextDocument* document)
{
    if (document == m_document)
        return;
    disconnect(m_watch);
    // Set first: taking the colours off repaints, and the repaint must not colour again.
    QPointer<QTextDocument> previous = std::exchange(m_document, document);
    if (previous)
        takeColoursOff(*previous);
    m_lexedUpTo = 0;
    m_resumeFrom = -1;
    ++m_revision;
    m_settle.stop();
    if (!m_document)
        return;
    m_blockCount = m_document->blockCount();
    m_watch = connect(m_document, &QTextDocument::contentsChange, this,
                      [this](int position, int, int added) { changed(position, added); });
    colourShown();
}

void SqlHighlighter::setPalette(const SyntaxPalette& palette)
{
    for (int role = 0; role < SyntaxPalette::kRoleCount; ++role)
        m_formats[role].setForeground(palette.colors[role]);
    ++m_revision;
    m_settle.stop();
    colourShown();
}

void SqlHighlighter::setDialect(SqlDialect dialect)
{
    if (dialect == m_dialect)
        return;
    m_dialect = dialect;
    m_lexedUpTo = 0;
    m_resumeFrom = -1;
    ++m_revision;
    m_settle.stop();
    colourShown();
}

void SqlHighlighter::setShownRange(int first, int last)
{
    m_firstShown = std::max(first, 0);
    m_lastShown = std::max(last, m_firstShown);
    if (!m_settle.isActive())
        colourShown();
}

void SqlHighlighter::changed(int position, int added)
{
    // Setting colours marks the document changed as well.
    if (m_colouring || !m_document)
        return;
    const int count = m_document->blockCount();
    const int first = m_document->findBlock(position).blockNumber();
    // A whole new text tells of one character more than the document holds.
    const int last =
        m_document->findBlock(std::min(position + added, m_document->characterCount() - 1)).blockNumber();
    // Past the changed blocks, the first block that ends as it did before leaves the states after
    // it as they were, moved by the blocks added or taken.
    m_resumeFrom = -1;
    if (m_lexedUpTo > first) {
        m_resumeFrom = last;
        m_resumeUpTo = m_lexedUpTo + (count - m_blockCount);
    }
    m_blockCount = count;
    m_lexedUpTo = std::min(m_lexedUpTo, first);
    // The changed lines at once; the lines after them, whose colours a quote or comment mark may
    // change, once typing pauses: a quote typed and closed again colours them once, not twice.
    colourShown(last);
    if (m_lexedUpTo <= std::min(m_lastShown, count - 1))
        m_settle.start();
}

void SqlHighlighter::colourShown(int upTo)
{
    if (!m_document)
        return;
    const int last = std::min({m_lastShown, m_document->blockCount() - 1, upTo});
    const int first = std::min(m_firstShown, last);
    m_colouring = true;
    m_dirtyFrom = INT_MAX;
    m_dirtyTo = -1;
    // The states up to the first block shown, then the blocks shown whose colours may be stale.
    QTextBlock block = m_document->findBlockByNumber(std::min(m_lexedUpTo, first));
    for (int number = block.blockNumber(); block.isValid() && number <= last;
         block = block.next(), ++number) {
        const bool shown = number >= first;
        if (number < m_lexedUpTo) {
            if (shown && marksOf(block).colouredAt != m_revision)
                lex(block, true);
            continue;
        }
        const bool endsAsBefore = lex(block, shown);
        m_lexedUpTo = number + 1;
        if (m_resumeFrom >= 0 && number >= m_resumeFrom && endsAsBefore) {
            m_lexedUpTo = std::max(m_lexedUpTo, m_resumeUpTo);
            m_resumeFrom = -1;
        }
    }
    if (m_dirtyTo > m_dirtyFrom)
        m_document->markContentsDirty(m_dirtyFrom, m_dirtyTo - m_dirtyFrom);
    m_colouring = false;
}

bool SqlHighlighter::lex(const QTextBlock& block, bool colour)
{
    ++m_lexedBlocks;
    const QTextBlock previous = block.previous();
    const int before = previous.isValid() ? std::max(previous.userState(), int(Plain)) : int(Plain);
    const QString text = block.text();
    const QString opening = reopening(before, previous);
    const QString lexed = opening.isEmpty() ? text : opening + text;
    const qsizetype shift = opening.size();
    int end = Plain;
    QString reopenMark;
    QList<QTextLayout::FormatRange> ranges;
    ForEachSqlToken(
        lexed,
        [&](const SqlToken& token) {
            if (token.unterminated)
                end = openEnd(QStringView(lexed).mid(token.begin, token.length), reopenMark, m_dialect);
            if (!colour)
                return;
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
            if (role < 0)
                return;
            const qsizetype begin = std::max<qsizetype>(token.begin - shift, 0);
            const qsizetype stop = token.begin + token.length - shift;
            if (stop > begin)
                ranges.append({int(begin), int(stop - begin), m_formats[role]});
        },
        m_dialect);
    BlockMarks& marks = marksOf(block);
    const bool endsAsBefore = block.userState() == end && marks.reopenMark == reopenMark;
    QTextBlock writable = block;
    writable.setUserState(end);
    marks.reopenMark = reopenMark;
    if (!colour) {
        // Lexed unseen from a start that may have changed: coloured again once shown.
        marks.colouredAt = 0;
        return endsAsBefore;
    }
    marks.colouredAt = m_revision;
    QTextLayout* layout = block.layout();
    if (layout->formats() != ranges) {
        layout->setFormats(ranges);
        // Told once for all the blocks of a pass: each telling costs the editor's layout much.
        const int position = block.position();
        m_dirtyFrom = std::min(m_dirtyFrom, position);
        m_dirtyTo = std::max(m_dirtyTo, position + block.length());
    }
    return endsAsBefore;
}

void SqlHighlighter::takeColoursOff(QTextDocument& document)
{
    m_colouring = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        auto* marks = static_cast<BlockMarks*>(block.userData());
        if (!marks || !marks->colouredAt)
            continue;
        marks->colouredAt = 0;
        if (!block.layout()->formats().isEmpty()) {
            block.layout()->clearFormats();
            document.markContentsDirty(block.position(), block.length());
        }
    }
    m_colouring = false;
}
