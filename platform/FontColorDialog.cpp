#include "platform/FontColorDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

FontColorDialog::FontColorDialog(const QFont& font, const QColor& color, bool effects, QWidget* parent)
    : QDialog(parent), m_color(color.isValid() ? color : QColor(Qt::black))
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(QStringLiteral("Font"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_fonts = new QFontDialog(this);
    m_fonts->setObjectName(QStringLiteral("FontChooser"));
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setCurrentFont(font);
    if (!effects) {
        for (QGroupBox* group : m_fonts->findChildren<QGroupBox*>()) {
            if (group->title().contains(QStringLiteral("Effects"), Qt::CaseInsensitive))
                group->hide();
        }
    }

    m_colorButton = new QPushButton(QStringLiteral("&Color..."), this);
    m_colorButton->setObjectName(QStringLiteral("BTN_FontColor"));
    m_colorButton->setVisible(effects);
    connect(m_colorButton, &QPushButton::clicked, this, &FontColorDialog::chooseColor);
    setSelectedColor(m_color);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BTN_Ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BTN_Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_colorButton);
    bottom->addStretch();
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(bottom);
}

QFont FontColorDialog::selectedFont() const
{
    return m_fonts->currentFont();
}

void FontColorDialog::setSelectedColor(const QColor& color)
{
    m_color = color;
    QPixmap swatch(16, 16);
    swatch.fill(m_color);
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, 15, 15);
    m_colorButton->setIcon(QIcon(swatch));
}

void FontColorDialog::chooseColor()
{
    QColorDialog dialog(m_color, this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QStringLiteral("Font Color"));
    if (dialog.exec() == QDialog::Accepted)
        setSelectedColor(dialog.selectedColor());
}

#include "moc_FontColorDialog.cpp"
