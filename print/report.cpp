#include "print/report.h"

#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "platform/GeneralError.h"
#include "print/PrintLengths.h"
#include "print/PrintSettings.h"
#include "print/ResultReportDefinition.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPanelWidth = 337;
constexpr int kMainPanelHeight = 129;
constexpr int kPropertiesPanelHeight = 241;
constexpr int kMaxCopies = 100;
// What lets the properties fit their panel in the common styles.
constexpr int kTightMargin = 6;
constexpr int kTightSpacing = 4;

const QString kTrue = QStringLiteral("TRUE");
const QString kFalse = QStringLiteral("FALSE");

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QComboBox* flagList(const QString& name)
{
    auto* list = named(new QComboBox, name);
    list->addItems({kTrue, kFalse});
    return list;
}

void selectFlag(QComboBox* list, bool value)
{
    list->setCurrentIndex(list->findText(value ? kTrue : kFalse));
}

} // namespace

TFRM_Report::TFRM_Report(AppContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx)
{
    FormCreate();
}

TFRM_Report::~TFRM_Report() = default;

void TFRM_Report::FormCreate()
{
    setObjectName(QStringLiteral("TFRM_Report"));
    setWindowTitle(QStringLiteral("Print Options"));
    setModal(true);
    buildMainPanel();
    buildPropertiesPanel();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(PNL_Main);
    layout->addWidget(PNL_Properties);
    setExpanded(false);

    RPT_Report = BuildResultReportDefinition();
    // Created before the message loop, where nothing would catch a settings failure; the fields
    // keep their defaults and are loaded again when the dialog is used.
    try {
        LoadPrintSettings();
    } catch (const std::exception& failure) {
        ShowGeneralError(m_ctx.desktop, failure);
    }
}

void TFRM_Report::buildMainPanel()
{
    PNL_Main = named(new QFrame(this), QStringLiteral("PNL_Main"));
    PNL_Main->setFixedSize(kPanelWidth, kMainPanelHeight);
    EDT_Title = named(new QLineEdit, QStringLiteral("EDT_Title"));
    BBN_Ok = named(new QPushButton(QStringLiteral("OK")), QStringLiteral("BBN_Ok"));
    BBN_Ok->setDefault(true);
    BBN_Cancel = named(new QPushButton(QStringLiteral("Cancel")), QStringLiteral("BBN_Cancel"));
    BBN_PrinterSetupDialog =
        named(new QPushButton(QStringLiteral("Printer Setup")), QStringLiteral("BBN_PrinterSetupDialog"));
    BBN_Properties =
        named(new QPushButton(QStringLiteral("Page Properties")), QStringLiteral("BBN_Properties"));
    for (QPushButton* b : {BBN_Cancel, BBN_PrinterSetupDialog, BBN_Properties})
        b->setAutoDefault(false);

    auto* titleLabel = new QLabel(QStringLiteral("Report &Title"));
    titleLabel->setBuddy(EDT_Title);
    auto* buttons = new QGridLayout;
    buttons->addWidget(BBN_Ok, 0, 0);
    buttons->addWidget(BBN_Cancel, 0, 1);
    buttons->addWidget(BBN_PrinterSetupDialog, 1, 0);
    buttons->addWidget(BBN_Properties, 1, 1);
    auto* layout = new QVBoxLayout(PNL_Main);
    layout->addWidget(titleLabel);
    layout->addWidget(EDT_Title);
    layout->addLayout(buttons);

    connect(BBN_Ok, &QPushButton::clicked, this, &TFRM_Report::BBN_OkClick);
    connect(BBN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BBN_PrinterSetupDialog, &QPushButton::clicked, this, &TFRM_Report::BBN_PrinterSetupDialogClick);
    connect(BBN_Properties, &QPushButton::clicked, this, &TFRM_Report::BBN_PropertiesClick);
}

void TFRM_Report::buildPropertiesPanel()
{
    PNL_Properties = named(new QFrame(this), QStringLiteral("PNL_Properties"));
    // Fixed: the window is the two panels, whatever the style makes of their contents' sizes.
    PNL_Properties->setFixedSize(kPanelWidth, kPropertiesPanelHeight);
    PNL_Properties->setFrameShape(QFrame::StyledPanel);

    GBX_Margin = named(new QGroupBox(QStringLiteral(" Margin ")), QStringLiteral("GBX_Margin"));
    EDT_Top = named(new QLineEdit, QStringLiteral("EDT_Top"));
    EDT_Bottom = named(new QLineEdit, QStringLiteral("EDT_Bottom"));
    EDT_Left = named(new QLineEdit, QStringLiteral("EDT_Left"));
    EDT_Right = named(new QLineEdit, QStringLiteral("EDT_Right"));
    auto* margins = new QGridLayout(GBX_Margin);
    margins->setContentsMargins(kTightMargin, kTightMargin, kTightMargin, kTightMargin);
    margins->setVerticalSpacing(kTightSpacing);
    const struct
    {
        const char* label;
        QLineEdit* edit;
        int row;
        int column;
    } marginFields[] = {{"T&op", EDT_Top, 0, 0},
                        {"&Bottom", EDT_Bottom, 0, 2},
                        {"&Left", EDT_Left, 1, 0},
                        {"&Right", EDT_Right, 1, 2}};
    for (const auto& f : marginFields) {
        auto* label = new QLabel(QString::fromLatin1(f.label));
        label->setBuddy(f.edit);
        margins->addWidget(label, f.row, f.column);
        margins->addWidget(f.edit, f.row, f.column + 1);
    }

    EDT_Space = named(new QLineEdit, QStringLiteral("EDT_Space"));
    SPN_Copies = named(new QSpinBox, QStringLiteral("SPN_Copies"));
    SPN_Copies->setRange(1, kMaxCopies);
    SPN_Copies->setValue(1);
    SPN_Copies->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    CBX_ShowPreview = flagList(QStringLiteral("CBX_ShowPreview"));
    CBX_ShowRowNumber = flagList(QStringLiteral("CBX_ShowRowNumber"));
    BTN_DefaultSettings = named(new QPushButton(QStringLiteral("Revert to Default Settings")),
                                QStringLiteral("BTN_DefaultSettings"));
    BTN_DefaultSettings->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->setVerticalSpacing(kTightSpacing);
    form->addRow(QStringLiteral("&Space Between Columns"), EDT_Space);
    form->addRow(QStringLiteral("Number of &Copies"), SPN_Copies);
    form->addRow(QStringLiteral("Show &Preview"), CBX_ShowPreview);
    form->addRow(QStringLiteral("Show Row &Number"), CBX_ShowRowNumber);
    auto* layout = new QVBoxLayout(PNL_Properties);
    layout->setContentsMargins(kTightMargin, kTightMargin, kTightMargin, kTightMargin);
    layout->setSpacing(kTightSpacing);
    layout->addWidget(GBX_Margin);
    layout->addLayout(form);
    layout->addWidget(BTN_DefaultSettings);

    connect(BTN_DefaultSettings, &QPushButton::clicked, this, &TFRM_Report::BTN_DefaultSettingsClick);
}

bool TFRM_Report::isExpanded() const
{
    return !PNL_Properties->isHidden();
}

void TFRM_Report::setExpanded(bool expanded)
{
    PNL_Properties->setVisible(expanded);
    adjustSize();
}

void TFRM_Report::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFRM_Report::FormShow()
{
    setExpanded(false);
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TFRM_Report::showValues(const PrintSettingsValues& values)
{
    EDT_Left->setText(DisplayLengthText(values.leftMargin));
    EDT_Right->setText(DisplayLengthText(values.rightMargin));
    EDT_Top->setText(DisplayLengthText(values.topMargin));
    EDT_Bottom->setText(DisplayLengthText(values.bottomMargin));
    EDT_Space->setText(DisplayLengthText(values.spaceBetweenColumns));
    EDT_Title->setText(m_settings.Title);
    SPN_Copies->setValue(std::clamp(values.copies, 1, kMaxCopies));
    selectFlag(CBX_ShowPreview, values.showPreview);
    selectFlag(CBX_ShowRowNumber, values.showRowNumber);
}

void TFRM_Report::LoadPrintSettings()
{
    QList<BadStoredLength> bad;
    PrintSettingsValues values;
    {
        const SettingsStore store = m_ctx.settings.open();
        values = ReadPrintSettings(store, PrintSettingsSet::User, &bad);
    }
    showValues(values);
    if (!bad.isEmpty())
        m_ctx.desktop.messageBox(BoxKind::Error, BadStoredLengthsMessage(bad), BoxButtons::Ok, this);
}

bool TFRM_Report::SavePrintSettings()
{
    const struct
    {
        QLineEdit* edit;
        const char* field;
    } lengths[] = {{EDT_Left, "left margin"},
                   {EDT_Right, "right margin"},
                   {EDT_Top, "top margin"},
                   {EDT_Bottom, "bottom margin"},
                   {EDT_Space, "space between columns"}};
    double pixels[std::size(lengths)] = {};
    for (std::size_t i = 0; i < std::size(lengths); ++i) {
        const std::optional<double> value = ParseInchesToPixels(lengths[i].edit->text());
        if (!value) {
            m_ctx.desktop.messageBox(
                BoxKind::Error,
                QStringLiteral("The %1 \"%2\" is not a number. Enter it in inches, for example 0.5.")
                    .arg(QString::fromLatin1(lengths[i].field), lengths[i].edit->text()),
                BoxButtons::Ok, this);
            if (!isExpanded())
                setExpanded(true);
            lengths[i].edit->setFocus();
            lengths[i].edit->selectAll();
            return false;
        }
        pixels[i] = *value;
    }

    GenericPage& page = m_settings.Page;
    page.LeftMargin = pixels[0];
    page.RightMargin = pixels[1];
    page.TopMargin = pixels[2];
    page.BottomMargin = pixels[3];
    page.SpaceBetweenColumns = pixels[4];
    page.Orientation = m_ctx.printer.pageLayout().orientation() == QPageLayout::Portrait
                           ? PageOrientation::Portrait
                           : PageOrientation::Landscape;
    page.PageWidth = PageWidthFor(page.Orientation);
    m_settings.Title = EDT_Title->text();
    m_settings.Copies = SPN_Copies->value();
    m_settings.ShowPreview = CBX_ShowPreview->currentText() != kFalse;
    m_settings.ShowRowNumber = CBX_ShowRowNumber->currentText() != kFalse;

    SettingsStore store = m_ctx.settings.open();
    WriteUserPrintSettings(store, m_settings);
    return true;
}

void TFRM_Report::BBN_OkClick()
{
    RunGuarded(m_ctx.desktop, [&] {
        if (SavePrintSettings())
            accept();
    });
}

void TFRM_Report::BBN_PropertiesClick()
{
    RunGuarded(m_ctx.desktop, [&] {
        if (isExpanded()) {
            if (SavePrintSettings())
                setExpanded(false);
            return;
        }
        LoadPrintSettings();
        setExpanded(true);
    });
}

void TFRM_Report::BBN_PrinterSetupDialogClick()
{
    m_ctx.desktop.printerSetup(m_ctx.printer, this);
}

void TFRM_Report::BTN_DefaultSettingsClick()
{
    RunGuarded(m_ctx.desktop, [&] {
        QList<BadStoredLength> bad;
        PrintSettingsValues values;
        {
            const SettingsStore store = m_ctx.settings.open();
            values = ReadPrintSettings(store, PrintSettingsSet::Defaults, &bad);
        }
        GenericPage& page = m_settings.Page;
        page.LeftMargin = values.leftMargin;
        page.RightMargin = values.rightMargin;
        page.TopMargin = values.topMargin;
        page.BottomMargin = values.bottomMargin;
        page.SpaceBetweenColumns = values.spaceBetweenColumns;
        page.Orientation = values.orientation;
        page.PageWidth = PageWidthFor(values.orientation);
        m_settings.ShowPreview = values.showPreview;
        m_settings.ShowRowNumber = values.showRowNumber;
        m_settings.Copies = values.copies;
        page.ColumnFieldNames.fill(QString());
        page.ColumnWidths.fill(0);
        showValues(values);
        if (!bad.isEmpty())
            m_ctx.desktop.messageBox(BoxKind::Error, BadStoredLengthsMessage(bad), BoxButtons::Ok, this);
    });
}
