#pragma once

#include "print/GenericReport.h"
#include "report_engine/ReportDefinition.h"

#include <QDialog>

struct AppContext;
struct PrintSettingsValues;
class Query;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

/// The print options dialog ("Print Options"), shown before every result report. It also
/// carries what the result report works with for the whole run: the print settings record, the
/// report layout RPT_Report and the report's own query QRY_Report.
///
/// Two panels: the main panel (title, OK, Cancel, Printer Setup, Page Properties) and, below it,
/// the properties panel (margins, spacing, copies, preview, row numbers, revert), which
/// "Page Properties" shows and hides. The dialog opens collapsed every time.
class TFRM_Report final : public QDialog
{
    Q_OBJECT
public:
    explicit TFRM_Report(AppContext& ctx, QWidget* parent = nullptr);
    ~TFRM_Report() override;

    /// The process-wide print settings record.
    GenericReport& printSettings() { return m_settings; }
    bool isExpanded() const;

    /// Fills the fields from the user's stored settings and the title field from the record's
    /// Title; the record is left as it is.
    void LoadPrintSettings();
    /// Takes the fields into the record and stores the user's settings. A length that is not a
    /// number is named in a message, the dialog stays as it is and nothing is taken or stored:
    /// then false.
    bool SavePrintSettings();

    QFrame* PNL_Main = nullptr;
    QLineEdit* EDT_Title = nullptr;
    QPushButton* BBN_Ok = nullptr;
    QPushButton* BBN_Cancel = nullptr;
    QPushButton* BBN_PrinterSetupDialog = nullptr;
    QPushButton* BBN_Properties = nullptr;

    QFrame* PNL_Properties = nullptr;
    QGroupBox* GBX_Margin = nullptr;
    QLineEdit* EDT_Top = nullptr;
    QLineEdit* EDT_Bottom = nullptr;
    QLineEdit* EDT_Left = nullptr;
    QLineEdit* EDT_Right = nullptr;
    QLineEdit* EDT_Space = nullptr;
    QSpinBox* SPN_Copies = nullptr;
    QComboBox* CBX_ShowPreview = nullptr;
    QComboBox* CBX_ShowRowNumber = nullptr;
    QPushButton* BTN_DefaultSettings = nullptr;

    /// The report layout the result report fills in.
    ReportDefinition RPT_Report;
    /// The report's query on the one connection; made by the first report that needs it.
    Query* QRY_Report = nullptr;

public Q_SLOTS:
    void BBN_OkClick();
    void BBN_PropertiesClick();
    void BBN_PrinterSetupDialogClick();
    void BTN_DefaultSettingsClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void buildMainPanel();
    void buildPropertiesPanel();
    void setExpanded(bool expanded);
    void showValues(const PrintSettingsValues& values);

    AppContext& m_ctx;
    GenericReport m_settings;
};
