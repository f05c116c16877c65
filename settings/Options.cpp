#include "settings/Options.h"

#include "platform/AppContext.h"
#include "platform/ClockText.h"
#include "platform/GeneralError.h"
#include "settings/ColorValue.h"
#include "settings/EditorAppearance.h"
#include "settings/OptionsSpinField.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kNo = QStringLiteral("No");
const QString kYes = QStringLiteral("Yes");
constexpr int kIntervalFieldLength = 2;

QLabel* rowTitle(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setUnderline(true);
    label->setFont(font);
    return label;
}

} // namespace

TFRM_Options::TFRM_Options(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFRM_Options"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(false);
    QFont dialogFont(QStringLiteral("Arial"), 8);
    dialogFont.setBold(true);
    setFont(dialogFont);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PGC_Options"));
    TSH_GeneralOptions = buildGeneralTab();
    TSH_SystemOptions = buildSystemTab();
    m_pages->addTab(TSH_GeneralOptions, QStringLiteral("General Options"));
    m_pages->addTab(TSH_SystemOptions, QStringLiteral("System Options"));
    m_pages->setCurrentWidget(TSH_SystemOptions);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);

    auto* strip = new QHBoxLayout;
    strip->addStretch();
    strip->addWidget(OKBtn);
    strip->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_pages, 1);
    layout->addLayout(strip);
    setFixedSize(427, 300);

    connect(BTN_ChangeColor, &QPushButton::clicked, this, &TFRM_Options::BTN_ChangeColorClick);
    connect(BTN_ChangeFont, &QPushButton::clicked, this, &TFRM_Options::BTN_ChangeFontClick);
    connect(OKBtn, &QPushButton::clicked, this, &TFRM_Options::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TFRM_Options::CancelBtnClick);
}

TFRM_Options::~TFRM_Options() = default;

QWidget* TFRM_Options::buildGeneralTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TSH_GeneralOptions"));

    auto* display = new QGroupBox(QStringLiteral(" Display Area "), page);
    display->setObjectName(QStringLiteral("GBX_DisplayArea"));
    MEMO_Prototype = new QPlainTextEdit(display);
    MEMO_Prototype->setObjectName(QStringLiteral("MEMO_Prototype"));
    MEMO_Prototype->setPlainText(QStringLiteral("test\rTEST"));
    BTN_ChangeColor = new QPushButton(QStringLiteral("Change Background Color"), display);
    BTN_ChangeColor->setObjectName(QStringLiteral("BTN_ChangeColor"));
    BTN_ChangeFont = new QPushButton(QStringLiteral("Change Display Font"), display);
    BTN_ChangeFont->setObjectName(QStringLiteral("BTN_ChangeFont"));
    auto* displayButtons = new QVBoxLayout;
    displayButtons->addWidget(BTN_ChangeColor);
    displayButtons->addWidget(BTN_ChangeFont);
    displayButtons->addStretch();
    auto* displayLayout = new QHBoxLayout(display);
    displayLayout->addWidget(MEMO_Prototype, 1);
    displayLayout->addLayout(displayButtons);

    auto* wordWrap = new QGroupBox(QStringLiteral(" Enable Word Wrap ? "), page);
    wordWrap->setObjectName(QStringLiteral("RGB_WordWrap"));
    m_wordWrapNo = new QRadioButton(kNo, wordWrap);
    m_wordWrapNo->setObjectName(QStringLiteral("RGB_WordWrap_No"));
    m_wordWrapYes = new QRadioButton(kYes, wordWrap);
    m_wordWrapYes->setObjectName(QStringLiteral("RGB_WordWrap_Yes"));
    m_wordWrapYes->setChecked(true);
    auto* wordWrapLayout = new QHBoxLayout(wordWrap);
    wordWrapLayout->addWidget(m_wordWrapNo);
    wordWrapLayout->addWidget(m_wordWrapYes);

    SPN_MaximumLoginRetries = new OptionsSpinField(1, 10, page);
    SPN_MaximumLoginRetries->setObjectName(QStringLiteral("SPN_MaximumLoginRetries"));
    auto* retriesLabel = new QLabel(QStringLiteral("Maximum Login Retries:"), page);
    retriesLabel->setBuddy(SPN_MaximumLoginRetries);
    CBX_ConfirmBeforeExit = new QComboBox(page);
    CBX_ConfirmBeforeExit->setObjectName(QStringLiteral("CBX_ConfirmBeforeExit"));
    CBX_ConfirmBeforeExit->addItems({kYes, kNo});
    auto* confirmLabel = new QLabel(QStringLiteral("Confirm before Exiting Application ?"), page);
    confirmLabel->setBuddy(CBX_ConfirmBeforeExit);

    auto* fields = new QGridLayout;
    fields->addWidget(retriesLabel, 0, 0);
    fields->addWidget(SPN_MaximumLoginRetries, 0, 1);
    fields->addWidget(confirmLabel, 1, 0);
    fields->addWidget(CBX_ConfirmBeforeExit, 1, 1);
    fields->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(display, 1);
    layout->addWidget(wordWrap);
    layout->addLayout(fields);
    return page;
}

OptionsSpinField* TFRM_Options::intervalField(const QString& name, int maximum, QWidget* parent)
{
    auto* field = new OptionsSpinField(0, maximum, parent);
    field->setObjectName(name);
    field->setMaxTextLength(kIntervalFieldLength);
    return field;
}

QWidget* TFRM_Options::buildSystemTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TSH_SystemOptions"));
    SPN_DateRefreshHours = intervalField(QStringLiteral("SPN_DateRefreshHours"), 23, page);
    SPN_DateRefreshMinutes = intervalField(QStringLiteral("SPN_DateRefreshMinutes"), 59, page);
    SPN_DateRefreshSeconds = intervalField(QStringLiteral("SPN_DateRefreshSeconds"), 59, page);
    SPN_TimeRefreshHours = intervalField(QStringLiteral("SPN_TimeRefreshHours"), 23, page);
    SPN_TimeRefreshMinutes = intervalField(QStringLiteral("SPN_TimeRefreshMinutes"), 59, page);
    SPN_TimeRefreshSeconds = intervalField(QStringLiteral("SPN_TimeRefreshSeconds"), 59, page);

    auto* grid = new QGridLayout(page);
    const auto addRow = [&](int row, const QString& title, OptionsSpinField* hours, OptionsSpinField* minutes,
                            OptionsSpinField* seconds) {
        grid->addWidget(rowTitle(title, page), row, 0, 1, 7);
        grid->addWidget(new QLabel(QStringLiteral("Every"), page), row + 1, 0);
        grid->addWidget(hours, row + 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("Hours"), page), row + 1, 2);
        grid->addWidget(minutes, row + 1, 3);
        grid->addWidget(new QLabel(QStringLiteral("Minutes"), page), row + 1, 4);
        grid->addWidget(seconds, row + 1, 5);
        grid->addWidget(new QLabel(QStringLiteral("Seconds"), page), row + 1, 6);
    };
    addRow(0, QStringLiteral("Date Refresh Interval:"), SPN_DateRefreshHours, SPN_DateRefreshMinutes,
           SPN_DateRefreshSeconds);
    grid->setRowMinimumHeight(2, 16);
    addRow(3, QStringLiteral("Time Refresh Interval:"), SPN_TimeRefreshHours, SPN_TimeRefreshMinutes,
           SPN_TimeRefreshSeconds);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(7, 1);
    return page;
}

void TFRM_Options::attach(QPlainTextEdit* editor, QTimer* timeTimer, QTimer* dateTimer)
{
    m_editor = editor;
    m_timeTimer = timeTimer;
    m_dateTimer = dateTimer;
}

void TFRM_Options::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (!m_shownBefore) {
        m_shownBefore = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    }
    FormShow();
}

void TFRM_Options::FormShow()
{
    RunGuarded(m_ctx.desktop, [&] {
        // The appearance comes from the editor, which holds what the main window applied.
        const EditorAppearance appearance = EditorAppearance::of(m_editor ? *m_editor : *MEMO_Prototype);
        appearance.applyTo(*MEMO_Prototype);
        m_dialogColor = appearance.background;
        m_dialogFont = {appearance.font, appearance.textColor};
        if (MEMO_Prototype->toPlainText().isEmpty())
            MEMO_Prototype->setPlainText(QStringLiteral("test\rTEST"));

        namespace G = Schema::General;
        namespace S = Schema::System;
        const SettingsStore store = m_ctx.settings.open();
        (store.Read(G::WordWrap) ? m_wordWrapYes : m_wordWrapNo)->setChecked(true);
        SPN_MaximumLoginRetries->setValue(store.Read(G::MaximumLoginRetries));
        CBX_ConfirmBeforeExit->setCurrentIndex(store.Read(G::ConfirmBeforeExit) ? 0 : 1);
        SPN_DateRefreshHours->setValue(store.Read(S::DateRefreshHours));
        SPN_DateRefreshMinutes->setValue(store.Read(S::DateRefreshMinutes));
        SPN_DateRefreshSeconds->setValue(store.Read(S::DateRefreshSeconds));
        SPN_TimeRefreshHours->setValue(store.Read(S::TimeRefreshHours));
        SPN_TimeRefreshMinutes->setValue(store.Read(S::TimeRefreshMinutes));
        SPN_TimeRefreshSeconds->setValue(store.Read(S::TimeRefreshSeconds));
    });
}

void TFRM_Options::BTN_ChangeColorClick()
{
    m_dialogColor = MEMO_Prototype->palette().color(QPalette::Base);
    if (const std::optional<QColor> chosen = m_ctx.desktop.colorDialog(m_dialogColor, this)) {
        m_dialogColor = *chosen;
        EditorAppearance appearance = EditorAppearance::of(*MEMO_Prototype);
        appearance.background = *chosen;
        appearance.applyTo(*MEMO_Prototype);
    }
}

void TFRM_Options::BTN_ChangeFontClick()
{
    EditorAppearance appearance = EditorAppearance::of(*MEMO_Prototype);
    m_dialogFont = {appearance.font, appearance.textColor};
    FontDialogRequest request;
    request.initial = m_dialogFont.font;
    request.initialColor = m_dialogFont.color;
    request.effects = true;
    request.existingOnly = true;
    if (const std::optional<FontChoice> chosen = m_ctx.desktop.fontDialog(request, this)) {
        m_dialogFont = *chosen;
        appearance.font = chosen->font;
        appearance.textColor = chosen->color;
        appearance.applyTo(*MEMO_Prototype);
    }
}

void TFRM_Options::OKBtnClick()
{
    RunGuarded(m_ctx.desktop, [&] {
        namespace G = Schema::General;
        namespace S = Schema::System;
        SettingsStore store = m_ctx.settings.open();
        const QFont& font = m_dialogFont.font;
        store.Write(G::BackgroundColor, ColorValue(m_dialogColor));
        store.Write(G::FontName, font.family());
        store.Write(G::FontSize, EditorAppearance::pointSize(font));
        store.Write(G::FontColor, ColorValue(m_dialogFont.color));
        store.Write(G::FontBold, font.bold());
        store.Write(G::FontItalic, font.italic());
        store.Write(G::FontUnderline, font.underline());
        store.Write(G::FontStrikeOut, font.strikeOut());
        if (m_editor)
            EditorAppearance{m_dialogColor, font, m_dialogFont.color}.applyTo(*m_editor);

        const bool wrap = !m_wordWrapNo->isChecked();
        store.Write(G::WordWrap, wrap);
        if (m_editor)
            m_editor->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);

        const int retries = SPN_MaximumLoginRetries->fieldValue();
        store.Write(G::MaximumLoginRetries, retries);
        m_ctx.facts.LoginRetryLimit = retries;

        store.Write(G::ConfirmBeforeExit, CBX_ConfirmBeforeExit->currentIndex() == 0);

        const int dateHours = SPN_DateRefreshHours->fieldValue();
        const int dateMinutes = SPN_DateRefreshMinutes->fieldValue();
        const int dateSeconds = SPN_DateRefreshSeconds->fieldValue();
        const int timeHours = SPN_TimeRefreshHours->fieldValue();
        const int timeMinutes = SPN_TimeRefreshMinutes->fieldValue();
        const int timeSeconds = SPN_TimeRefreshSeconds->fieldValue();
        store.Write(S::DateRefreshHours, dateHours);
        store.Write(S::DateRefreshMinutes, dateMinutes);
        store.Write(S::DateRefreshSeconds, dateSeconds);
        store.Write(S::TimeRefreshHours, timeHours);
        store.Write(S::TimeRefreshMinutes, timeMinutes);
        store.Write(S::TimeRefreshSeconds, timeSeconds);

        // An interval of 0 stops a timer.
        if (m_dateTimer)
            SetRefreshInterval(*m_dateTimer, RefreshInterval(dateHours, dateMinutes, dateSeconds));
        if (m_timeTimer)
            SetRefreshInterval(*m_timeTimer, RefreshInterval(timeHours, timeMinutes, timeSeconds));
        hide();
    });
}

void TFRM_Options::CancelBtnClick()
{
    hide();
}

void TFRM_Options::reject()
{
    CancelBtnClick();
}
