#pragma once

#include "platform/Desktop.h"

#include <QDialog>
#include <QPointer>

struct AppContext;
class OptionsSpinField;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QWidget;

/// The options dialog: editor appearance, word wrap, login retries, exit confirmation and the
/// refresh intervals of the main window's date and clock panels.
///
/// Created hidden, shown modelessly, only ever hidden. Each showing refills every field (the
/// appearance from the editor, the rest from the store); OK stores the fields and applies them to
/// the running editor and timers at once; Cancel, Escape and the title bar discard them.
class TFRM_Options final : public QDialog
{
    Q_OBJECT

public:
    explicit TFRM_Options(AppContext& ctx, QWidget* parent = nullptr);
    ~TFRM_Options() override;

    /// The main window's editor and its two panel timers, which OK changes. Until attached the
    /// dialog still stores its settings but has nothing to apply them to.
    void attach(QPlainTextEdit* editor, QTimer* timeTimer, QTimer* dateTimer);

public Q_SLOTS:
    void FormShow();
    void BTN_ChangeColorClick();
    void BTN_ChangeFontClick();
    void OKBtnClick();
    void CancelBtnClick();
    /// Escape and the title bar: the same as Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildGeneralTab();
    QWidget* buildSystemTab();
    OptionsSpinField* intervalField(const QString& name, int maximum, QWidget* parent);

    AppContext& m_ctx;
    QPointer<QPlainTextEdit> m_editor;
    QPointer<QTimer> m_timeTimer;
    QPointer<QTimer> m_dateTimer;

    /// What the colour and font dialogs hold between their runs (CDI_Options, FDI_Options).
    QColor m_dialogColor;
    FontChoice m_dialogFont;
    bool m_shownBefore = false;

    QTabWidget* m_pages = nullptr;
    QWidget* TSH_GeneralOptions = nullptr;
    QWidget* TSH_SystemOptions = nullptr;
    QPlainTextEdit* MEMO_Prototype = nullptr;
    QPushButton* BTN_ChangeColor = nullptr;
    QPushButton* BTN_ChangeFont = nullptr;
    QRadioButton* m_wordWrapNo = nullptr;
    QRadioButton* m_wordWrapYes = nullptr;
    OptionsSpinField* SPN_MaximumLoginRetries = nullptr;
    QComboBox* CBX_ConfirmBeforeExit = nullptr;
    OptionsSpinField* SPN_DateRefreshHours = nullptr;
    OptionsSpinField* SPN_DateRefreshMinutes = nullptr;
    OptionsSpinField* SPN_DateRefreshSeconds = nullptr;
    OptionsSpinField* SPN_TimeRefreshHours = nullptr;
    OptionsSpinField* SPN_TimeRefreshMinutes = nullptr;
    OptionsSpinField* SPN_TimeRefreshSeconds = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};
