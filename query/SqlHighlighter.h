#pragma once

#include "query/SyntaxPalette.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QTextDocument;

/// Colours SQL in a document with the program's one lexer: keywords, literals, quoted names,
/// comments, numbers and ":name" parameters. Only the colour changes; the font stays the editor's.
///
/// Lazy: a block is lexed only when it lies at or before the last block shown (setShownRange)
/// and the block before it was lexed, so loading a large text lexes what is on screen and no
/// more. A literal or comment left open at a line's end carries over to the next line through
/// the block state. Blocks not lexed yet hold kNotLexed and no colours.
class SqlHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    static constexpr int kNotLexed = -1;

    explicit SqlHighlighter(QObject* parent = nullptr);

    void setPalette(const SyntaxPalette& palette);

    /// The blocks on screen (block numbers, inclusive). Blocks up to last are lexed, starting from
    /// the first block whose state is not known; nothing after last is.
    void setShownRange(int first, int last);

    /// How many blocks were lexed since the count was last reset: what a test or a measurement reads.
    qint64 lexedBlocks() const { return m_lexedBlocks; }
    void resetLexedBlocks() { m_lexedBlocks = 0; }

protected:
    void highlightBlock(const QString& text) override;

private:
    /// The first block up to last whose state is not known, or an invalid block.
    QTextBlock firstNotLexed(int last) const;

    QTextCharFormat m_formats[SyntaxPalette::kRoleCount];
    int m_lastShown = 0;
    qint64 m_lexedBlocks = 0;
};
