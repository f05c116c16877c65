#pragma once

#include "query/ColumnLayout.h"
#include "query/DbNavigator.h"

#include <QDialog>

#include <functional>

struct AppContext;
class CellPaintDelegate;
class DataSourceLink;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;
class Query;
class ResultGridModel;
class ResultGridView;
class WindowPlacement;
struct ExportColumn;

/// The result window ("Query Results"): the rows of a row-returning statement in an editable
/// grid with a navigator, the record count and the elapsed time. It owns the result dataset
/// (QRY_Grid, DSC_Grid, DBG_Grid) and the column layout that keeps the user's titles, widths and
/// column orders (ColumnLayout), which it puts on the grid.
///
/// Modal use: the execution opens QRY_Grid, has the window show the record count and the elapsed
/// time (showCounts), places the window and calls exec(). Every way of closing stores the placement under
/// "GRID" and closes QRY_Grid; a pending edit is posted first, and when that post is refused the window stays
/// open.
class TFRM_Query final : public QDialog
{
    Q_OBJECT
public:
    /// Opens the grid functions dialog on this window's dataset and grid.
    using GridOptionsHook = std::function<void(TFRM_Query& window)>;
    /// Prints the result report: the dataset, its column layout, the title and the number of
    /// fields the grid shows.
    using PrintHook = std::function<void(Query& dataSet, const ColumnLayout& layout, const QString& title,
                                         int shownFieldCount)>;

    explicit TFRM_Query(AppContext& ctx, QWidget* parent = nullptr);
    ~TFRM_Query() override;

    /// The result dataset's query, created on first use on the program's connection
    /// (ctx.connection, which the login dialog sets before any statement runs).
    Query& QRY_Grid();
    bool hasQuery() const { return m_query != nullptr; }

    void setGridOptionsHook(GridOptionsHook hook) { m_gridOptionsHook = std::move(hook); }
    void setPrintHook(PrintHook hook) { m_printHook = std::move(hook); }

    ResultGridModel& gridModel() const { return *m_model; }
    /// The titles, widths and column orders the user gave results.
    ColumnLayout& columnLayout() { return m_layout; }

    /// Fills the two fields: the record count and the elapsed-time text; clearCounts() empties them.
    void showCounts(int recordCount, const QString& elapsed);
    void clearCounts();
    /// Keeps the record count true after the grid's inserts and deletes.
    void refreshTotalRecords();
    /// Where the window is placed from, and stores, its "GRID" placement.
    WindowPlacement& placement() const { return *m_placement; }
    /// Grid columns: one per visible field, in field order.
    int columnCount() const;
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    // Controls, by their given names.
    DataSourceLink* const DSC_Grid;
    ResultGridView* DBG_Grid = nullptr;
    DbNavigator* DBN_Grid = nullptr;
    QWidget* PNL_Query = nullptr;
    QLabel* LBL_TotalRecords = nullptr;
    QLineEdit* EDT_TotalRecords = nullptr;
    QLabel* LBL_TimeElapsed = nullptr;
    QLineEdit* EDT_TimeElapsed = nullptr;
    QPushButton* BBN_GridOptions1 = nullptr;
    QPushButton* BBN_Print = nullptr;
    QPushButton* BBN_Close = nullptr;
    /// The grid's context menu and its entries.
    QMenu* PMN_Grid = nullptr;
    QAction* MI_Copy = nullptr;
    QAction* MI_CopyWithTitles = nullptr;
    QAction* MI_ExportCSV = nullptr;

public Q_SLOTS:
    /// Restores the stored column order of this set of field names.
    void FormShow();
    /// Restores every column's stored title and width (also after a re-sort).
    void FormActivate();
    /// Stores the width of the column whose data cell was drawn, when it changed.
    void DBG_GridDrawColumnCell(int column);
    /// Stores the column order under the field-set key.
    void DBG_GridColumnMoved();
    void BBN_GridOptions1Click();
    void BBN_PrintClick();
    void BBN_CloseClick();
    /// Puts the chosen cells on the clipboard as tab-separated text (Ctrl+C, Ctrl+Shift+C).
    void MI_CopyClick();
    void MI_CopyWithTitlesClick();
    /// Writes the whole result as CSV to a file chosen in the save dialog, in the grid's column
    /// order with its titles; a cancelled or failed export leaves whatever file was there as it was.
    void MI_ExportCSVClick();
    /// Stores the placement under "GRID" and closes the dataset.
    void FormClose();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void onModelReset();
    void onSectionMoved(int logicalIndex, int oldVisualIndex, int newVisualIndex);
    void moveColumn(int from, int to);
    void onViewCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    void onNavigator(DbNavigator::Button button);
    void syncViewToQuery();
    void updateNavigator();
    void onFocusChanged(QWidget* old, QWidget* now);
    /// Posts a modified record, drops an unmodified one; false when the post was refused.
    /// droppedRow is set to the row of an inserted record that was dropped, else -1.
    bool leaveRecord(int* droppedRow = nullptr);
    /// Commits the open editor and leaves the record; false when the post was refused.
    bool finishEditing();
    void showEditError(const QString& message);
    void runGuarded(const std::function<void()>& action);
    QStringList columnFieldNames() const;
    void buildGridMenu();
    void copyCells(bool withTitles);
    QList<ExportColumn> exportColumns() const;

    AppContext& m_ctx;
    WindowPlacement* m_placement;
    Query* m_query = nullptr;
    ResultGridModel* m_model = nullptr;
    CellPaintDelegate* m_delegate = nullptr;
    GridOptionsHook m_gridOptionsHook;
    PrintHook m_printHook;
    ColumnLayout m_layout;
    /// The stored titles and widths are on the columns of the current result.
    bool m_layoutRestored = false;
    bool m_syncing = false;
    bool m_minimizing = false;
    /// Where the export's save dialog opens next, and the name it offers (kept for the run).
    QString m_exportFolder;
    QString m_exportFileName;
};
