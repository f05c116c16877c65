#include "app/EditorAppearance.h"

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

QColor EditorAppearance::colorFromSetting(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int EditorAppearance::settingFromColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

int EditorAppearance::pointSize(const QFont& font)
{
    if (font.pointSize() > 0)
        return font.pointSize();
    if (font.pointSizeF() > 0)
        return qRound(font.pointSizeF());
    return QFontInfo(font).pointSize();
}
