#include "app/About.h"

#include "platform/ToolbarGlyphs.h"
#include "platform/VersionInfo.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kClientWidth = 395;
constexpr int kClientHeight = 240;
constexpr int kRowTop = 94;
constexpr int kRowHeight = 16;
constexpr int kCaptionLeft = 10;
constexpr int kValueLeft = 112;

struct Row
{
    const char* caption;
    const char* labelName;
    const char* key;
};

// Top to bottom; the key names the value in the version block's English string table.
constexpr Row kRows[] = {
    {"Developer:", "LBL_Developer", "Developer"},
    {"Copyright:", "LBL_LegalCopyright", "LegalCopyright"},
    {"Product Name:", "LBL_ProductName", "ProductName"},
    {"Version:", "LBL_ProductVersion", "ProductVersion"},
    {"Email:", "LBL_EMail", "EMail"},
    {"Home Page:", "LBL_HomePage", "HomePage"},
};

QFont RowFont(bool bold)
{
    QFont font(QStringLiteral("Courier New"), 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(bold);
    return font;
}

void MakeBlue(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
}

} // namespace

TFRM_About::TFRM_About(QWidget* parent) : TFRM_About(QCoreApplication::applicationFilePath(), parent) {}

TFRM_About::TFRM_About(const QString& programPath, QWidget* parent)
    : QDialog(parent), m_programPath(programPath)
{
    build();
    FormCreate();
}

void TFRM_About::build()
{
    setObjectName(QStringLiteral("TFRM_About"));
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(ProgramIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kClientWidth, kClientHeight);

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("PNL_About"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_panel->setLineWidth(2);
    m_panel->setGeometry(8, 8, kClientWidth - 16, 192);

    auto* logo = new QLabel(m_panel);
    logo->setObjectName(QStringLiteral("IMG_Logo"));
    logo->setGeometry(10, 8, 85, 78);
    logo->setScaledContents(true);
    logo->setPixmap(AboutLogo(QSize(85, 78)));

    auto* icon = new QLabel(m_panel);
    icon->setObjectName(QStringLiteral("IMG_ProgramIcon"));
    icon->setGeometry(m_panel->width() - 10 - 32, 8, 32, 32);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));

    QLabel** values[] = {&LBL_Developer,      &LBL_LegalCopyright, &LBL_ProductName,
                         &LBL_ProductVersion, &LBL_EMail,          &LBL_HomePage};
    int top = kRowTop;
    for (std::size_t i = 0; i < std::size(kRows); ++i, top += kRowHeight) {
        auto* caption = new QLabel(QString::fromLatin1(kRows[i].caption), m_panel);
        caption->setObjectName(QString::fromLatin1(kRows[i].labelName) + QStringLiteral("Caption"));
        caption->setFont(RowFont(true));
        MakeBlue(caption);
        caption->setGeometry(kCaptionLeft, top, kValueLeft - kCaptionLeft - 2, kRowHeight);

        const QString name = QString::fromLatin1(kRows[i].labelName);
        auto* value = new QLabel(name, m_panel);
        value->setObjectName(name);
        value->setTextFormat(Qt::PlainText);
        value->setFont(RowFont(false));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        MakeBlue(value);
        value->setGeometry(kValueLeft, top, m_panel->width() - kValueLeft - 8, kRowHeight);
        *values[i] = value;
    }

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry((kClientWidth - 75) / 2, 207, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TFRM_About::OKButtonClick);
}

void TFRM_About::FormCreate()
{
    // Without a block the labels keep their own names.
    if (VersionInfoSize(m_programPath) <= 0)
        return;
    const QByteArray block = VersionInfoBlock(m_programPath);
    QLabel* values[] = {LBL_Developer,      LBL_LegalCopyright, LBL_ProductName,
                        LBL_ProductVersion, LBL_EMail,          LBL_HomePage};
    const QString table = QStringLiteral("StringFileInfo\\") + VersionInfo::kEnglishTable + u'\\';
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const std::optional<QString> value =
            VersionInfoValue(block, table + QString::fromLatin1(kRows[i].key));
        values[i]->setText(value.value_or(QString()));
        values[i]->setToolTip(value.value_or(QString()));
    }
}

void TFRM_About::OKButtonClick()
{
    hide();
}

void TFRM_About::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        m_placed = true;
        const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

#include "moc_About.cpp"
