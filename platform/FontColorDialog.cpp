#include "platform/FontColorDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
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
    // A face that is not installed (fontconfig stands in another for it) is shown as the face
    // that really draws it, and given back under its own name unless the user picks another.
    QFont shown = font;
    if (!QFontDatabase::hasFamily(font.family())) {
        m_requestedFamily = font.family();
        m_shownFamily = QFontInfo(font).family();
        shown.setFamily(m_shownFamily);
    }
    m_fonts->setCurrentFont(shown);
    for (QGroupBox* group : m_fonts->findChildren<QGroupBox*>()) {
        if (group->title().contains(QStringLiteral("Sample"), Qt::CaseInsensitive))
            m_sample = group->findChild<QLineEdit*>();
    }
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
    QFont font = m_fonts->currentFont();
    if (!m_requestedFamily.isEmpty() && font.family() == m_shownFamily)
        font.setFamily(m_requestedFamily);
    return font;
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
    if (m_sample) {
        QPalette colours = m_sample->palette();
        colours.setColor(QPalette::Text, m_color);
        m_sample->setPalette(colours);
    }
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
