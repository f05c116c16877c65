#pragma once

#include <QDialog>

#include <array>

struct AppContext;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QWidget;
class RadioGroup;
class TFRM_Query;

/// The grid functions dialog ("Grid Options"): titles and widths of the result's columns, a
/// search over its records and a re-sort by up to three keys. OK applies the three tabs in a
/// fixed order (titles and widths, sort, search options, search); Cancel applies nothing.
///
/// Created once and reused: Open() rebuilds its contents from the result window and the
/// settings store each time. The chosen sort directions and the active tab stay as the user
/// left them.
class TFRM_QRY_FUNC final : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kSearchColumnTitles = 7;

    explicit TFRM_QRY_FUNC(AppContext& ctx, QWidget* parent = nullptr);
    ~TFRM_QRY_FUNC() override;

    /// Prepares the dialog for the window's dataset and grid and shows it modally.
    void Open(TFRM_Query& window);
    /// The set-up part of Open(), for callers that show the dialog themselves.
    void Prepare(TFRM_Query& window);

    QTabWidget* PGC_Functions = nullptr;
    QWidget* TSH_GridOptions = nullptr;
    QTableWidget* SGR_GridOptions = nullptr;
    QWidget* TSH_Search = nullptr;
    QComboBox* CBX_TextToFind = nullptr;
    RadioGroup* RGB_Direction = nullptr;
    RadioGroup* RGB_Origin = nullptr;
    RadioGroup* RGB_ColumnsToSearch = nullptr;
    QGroupBox* GBX_Options = nullptr;
    QCheckBox* CHK_WholeWordsOnly = nullptr;
    QWidget* TSH_Sort = nullptr;
    QComboBox* CBX_SortBy = nullptr;
    QComboBox* CBX_ThenBy = nullptr;
    QComboBox* CBX_FinallyBy = nullptr;
    RadioGroup* RGB_SortBy = nullptr;
    RadioGroup* RGB_ThenBy = nullptr;
    RadioGroup* RGB_FinallyBy = nullptr;
    QPushButton* BBN_Ok = nullptr;
    QPushButton* BBN_Cancel = nullptr;

public Q_SLOTS:
    void BBN_OkClick();

private:
    void buildControls();
    QWidget* buildSortTab();
    /// Applies and stores every row's title and width; false when a width is not a number.
    bool applyTitlesAndWidths();
    void storeSearchOptions();
    void updateHistory(const QString& text);
    void search(const QString& text, const QList<int>& positions);

    AppContext& m_ctx;
    TFRM_Query* m_window = nullptr;
};
