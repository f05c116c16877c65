#include "settings/EditorAppearance.h"

#include <QFontInfo>
#include <QPalette>
#include <QPlainTextEdit>

EditorAppearance EditorAppearance::of(const QPlainTextEdit& editor)
{
    const QPalette& palette = editor.palette();
    return {palette.color(QPalette::Base), editor.font(), palette.color(QPalette::Text)};
}

void EditorAppearance::applyTo(QPlainTextEdit& editor) const
{
    QPalette palette = editor.palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, textColor);
    editor.setPalette(palette);
    editor.setFont(font);
}

int EditorAppearance::pointSize(const QFont& font)
{
    if (font.pointSize() > 0)
        return font.pointSize();
    if (font.pointSizeF() > 0)
        return qRound(font.pointSizeF());
    return QFontInfo(font).pointSize();
}
