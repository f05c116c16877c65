#include "app/EditorColours.h"

#include "query/SqlHighlighter.h"
#include "query/SyntaxPalette.h"

#include <QEvent>
#include <QPlainTextEdit>

#include <algorithm>

EditorColours::EditorColours(QPlainTextEdit& editor, QObject* parent)
    // Owned by the document and gone with it: leaving earlier would repaint a closing editor.
    : QObject(parent), m_editor(editor), m_highlighter(new SqlHighlighter(editor.document()))
{
    followPalette();
    // Painting asks for the lines on screen, after loading, typing, scrolling and resizing alike.
    connect(&m_editor, &QPlainTextEdit::updateRequest, this, &EditorColours::followShownRange);
    m_editor.installEventFilter(this);
}

EditorColours::~EditorColours() = default;

void EditorColours::setEnabled(bool on)
{
    if (on == isEnabled())
        return;
    m_highlighter->setDocument(on ? m_editor.document() : nullptr);
    if (on)
        followShownRange();
}

void EditorColours::setDialect(SqlDialect dialect)
{
    m_highlighter->setDialect(dialect);
}

bool EditorColours::isEnabled() const
{
    return m_highlighter->document() != nullptr;
}

bool EditorColours::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_editor && event->type() == QEvent::PaletteChange)
        followPalette();
    // A taller editor shows more lines before it repaints them.
    if (watched == &m_editor && event->type() == QEvent::Resize)
        followShownRange();
    return QObject::eventFilter(watched, event);
}

void EditorColours::followPalette()
{
    const QPalette& palette = m_editor.palette();
    m_highlighter->setPalette(
        SyntaxPalette::derive(palette.color(QPalette::Base), palette.color(QPalette::Text)));
    followShownRange();
}

void EditorColours::followShownRange()
{
    if (!isEnabled())
        return;
    // Finding a block by its place on screen is slow in a large text: the last is reckoned from
    // the lines that fit, which with wrapped lines takes a few blocks more than are shown.
    const int first = m_editor.cursorForPosition(QPoint(0, 0)).blockNumber();
    const int lines = m_editor.viewport()->height() / std::max(1, m_editor.fontMetrics().lineSpacing());
    m_highlighter->setShownRange(first, first + lines + 1);
}
