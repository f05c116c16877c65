#pragma once

#include "connection/SqlLexer.h"
#include "query/SyntaxPalette.h"

#include <QObject>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTimer>

#include <climits>

class QTextBlock;

/// Colours SQL in a document with the program's one lexer: keywords, literals, quoted names,
/// comments, numbers and ":name" parameters. Only the colour changes; the font stays the editor's.
///
/// Only the lines shown are coloured (setShownRange). The lines before them are lexed once for the
/// state they end in (a literal or comment left open carries over to the next line). A change makes
/// the lines from it on count as not lexed, without visiting them, until a line after it ends as
/// it did before: loading or typing into a large text costs what the screen shows, not what the
/// text holds.
class SqlHighlighter final : public QObject
{
    Q_OBJECT
public:
    explicit SqlHighlighter(QObject* parent = nullptr);
    ~SqlHighlighter() override;

    /// Colours this document from now on; nullptr (or another document) takes the colours off the
    /// previous one.
    void setDocument(QTextDocument* document);
    QTextDocument* document() const { return m_document; }

    void setPalette(const SyntaxPalette& palette);
    /// How the engine reads the text (PostgreSQL's block comments nest); Standard at first.
    void setDialect(SqlDialect dialect);

    /// The blocks on screen (block numbers, inclusive): they are coloured now, and again after
    /// every change until the next call.
    void setShownRange(int first, int last);

    /// How many blocks were lexed since the count was last reset: what a test or a measurement reads.
    qint64 lexedBlocks() const { return m_lexedBlocks; }
    void resetLexedBlocks() { m_lexedBlocks = 0; }

    /// How long after the last change the lines after it are coloured.
    static constexpr int kSettleMs = 120;
    /// Whether lines after a change still wait for their colours.
    bool settling() const { return m_settle.isActive(); }

private:
    void changed(int position, int added);
    /// The blocks shown, up to block upTo.
    void colourShown(int upTo = INT_MAX);
    /// Lexes one block from the state the block before it ends in; with colour, sets its formats.
    /// True when the block ends in the state it ended in before.
    bool lex(const QTextBlock& block, bool colour);
    void takeColoursOff(QTextDocument& document);

    QPointer<QTextDocument> m_document;
    QMetaObject::Connection m_watch;
    QTextCharFormat m_formats[SyntaxPalette::kRoleCount];
    /// Blocks 0 .. m_lexedUpTo - 1 hold the state they end in.
    int m_lexedUpTo = 0;
    /// After a change: from this block on, a block that ends as before makes blocks up to
    /// m_resumeUpTo known again; -1 when there is no such change.
    int m_resumeFrom = -1;
    int m_resumeUpTo = 0;
    int m_blockCount = 0;
    /// Raised by a new document or palette: colours set before it are stale.
    quint64 m_revision = 1;
    int m_firstShown = 0;
    int m_lastShown = 0;
    bool m_colouring = false;
    SqlDialect m_dialect = SqlDialect::Standard;
    /// The characters whose colours a pass changed.
    int m_dirtyFrom = INT_MAX;
    int m_dirtyTo = -1;
    QTimer m_settle;
    qint64 m_lexedBlocks = 0;
};
