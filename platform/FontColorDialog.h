#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QFontDialog;
class QLineEdit;
class QPushButton;

/// The font dialog with the colour among its effects: Qt's font dialog (face, style, size,
/// underline, strike-out; only fonts that exist) with a colour button beside it.
/// Without effects the colour button and the underline/strike-out box are hidden.
class FontColorDialog final : public QDialog
{
    Q_OBJECT

public:
    FontColorDialog(const QFont& font, const QColor& color, bool effects, QWidget* parent = nullptr);

    QFont selectedFont() const;
    QColor selectedColor() const { return m_color; }
    void setSelectedColor(const QColor& color);

    /// The embedded font chooser, for tests.
    QFontDialog* fontChooser() const { return m_fonts; }

private:
    void chooseColor();

    QFontDialog* m_fonts = nullptr;
    QPushButton* m_colorButton = nullptr;
    QLineEdit* m_sample = nullptr;
    QColor m_color;
    QString m_requestedFamily;
    QString m_shownFamily;
};
