#include "app/EditorDocument.h"

#include <QPlainTextEdit>
#include <QTextBlock>

namespace {

struct StandIn
{
    char16_t character;
    char16_t standIn;
};
constexpr StandIn kStandIns[] = {{0x2029, 0xDE29}, {0xFDD0, 0xDED0}, {0xFDD1, 0xDED1}};

QString Swap(QString text, bool toEditor)
{
    for (QChar& c : text) {
        for (const StandIn& s : kStandIns) {
            if (c.unicode() == (toEditor ? s.character : s.standIn)) {
                c = QChar(toEditor ? s.standIn : s.character);
                break;
            }
        }
    }
    return text;
}

bool HasLongLine(const QString& text)
{
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        if (end - start > EditorDocument::kLongLine)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

namespace EditorDocument {

QString ToEditor(QString text)
{
    return Swap(std::move(text), true);
}

QString FromEditor(QString text)
{
    return Swap(std::move(text), false);
}

void SetText(QPlainTextEdit& editor, const QString& text)
{
    const QTextOption::WrapMode mode =
        HasLongLine(text) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    // A change of mode lays out again whatever the editor holds: the old text goes first, under
    // the mode it was laid out with, and the new one is laid out once, under its own.
    if (editor.wordWrapMode() != mode)
        editor.clear();
    editor.setWordWrapMode(mode);
    editor.setPlainText(ToEditor(text));
}

void Clear(QPlainTextEdit& editor)
{
    SetText(editor, QString());
}

QString Text(const QPlainTextEdit& editor)
{
    // toPlainText() would turn no-break spaces into blanks; the raw text keeps every character.
    QString text = editor.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return FromEditor(std::move(text));
}

QStringList Lines(const QPlainTextEdit& editor)
{
    QStringList lines;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
        lines.append(FromEditor(block.text()));
    return lines;
}

} // namespace EditorDocument
