#include "app/EditorCompleter.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QStringListModel>
#include <QTextBlock>

namespace {

bool IsWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

} // namespace

EditorCompleter::EditorCompleter(QPlainTextEdit& editor, std::function<QStringList()> words,
                                 std::function<QString(const QString&)> text, QObject* parent)
    : QObject(parent), m_editor(editor), m_words(std::move(words)), m_text(std::move(text)),
      m_completer(new QCompleter(this)), m_model(new QStringListModel(this))
{
    m_completer->setObjectName(QStringLiteral("EditorCompleter"));
    m_completer->setModel(m_model);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setWidget(&m_editor);
    // Ahead of the completer's own filter: it would hand Return to the editor as a line break.
    m_completer->popup()->installEventFilter(this);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this, &EditorCompleter::accept);
    connect(&m_editor, &QPlainTextEdit::textChanged, this, &EditorCompleter::follow);

    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space), &m_editor);
    shortcut->setObjectName(QStringLiteral("CompleteShortcut"));
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, &EditorCompleter::complete);
}

void EditorCompleter::complete()
{
    if (m_editor.isReadOnly())
        return;
    m_model->setStringList(m_words());
    m_completer->setCompletionPrefix(prefix());
    const int count = m_completer->completionCount();
    if (count == 0)
        return;
    if (count == 1 && !prefix().isEmpty()) {
        m_completer->setCurrentRow(0);
        accept(m_completer->currentCompletion());
        return;
    }
    QAbstractItemView* popup = m_completer->popup();
    popup->setCurrentIndex(m_completer->completionModel()->index(0, 0));
    QRect rect = m_editor.cursorRect();
    rect.setWidth(popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width());
    m_completer->complete(rect);
}

bool EditorCompleter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_completer->popup() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab) {
            const QModelIndex current = m_completer->popup()->currentIndex();
            m_completer->popup()->hide();
            if (current.isValid())
                accept(current.data().toString());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

QString EditorCompleter::prefix() const
{
    const QTextCursor cursor = m_editor.textCursor();
    const QString line = cursor.block().text();
    int start = cursor.positionInBlock();
    while (start > 0 && IsWordCharacter(line.at(start - 1)))
        --start;
    return line.mid(start, cursor.positionInBlock() - start);
}

void EditorCompleter::accept(const QString& word)
{
    QTextCursor cursor = m_editor.textCursor();
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, int(prefix().size()));
    cursor.insertText(m_text(word));
    m_editor.setTextCursor(cursor);
}

void EditorCompleter::follow()
{
    QAbstractItemView* popup = m_completer->popup();
    if (!popup->isVisible())
        return;
    const QString typed = prefix();
    m_completer->setCompletionPrefix(typed);
    if (typed.isEmpty() || m_completer->completionCount() == 0) {
        popup->hide();
        return;
    }
    popup->setCurrentIndex(m_completer->completionModel()->index(0, 0));
}
