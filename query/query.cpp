#include "query/query.h"

#include "connection/EngineError.h"
#include "connection/Query.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "platform/LongWork.h"
#include "platform/ReadOnlyField.h"
#include "platform/WholeFile.h"
#include "platform/WindowPlacement.h"
#include "query/CellPaintDelegate.h"
#include "query/ColumnOrder.h"
#include "query/DataSourceLink.h"
#include "query/EngineErrorBox.h"
#include "query/FieldSetKey.h"
#include "query/Generic.h"
#include "query/ResultExport.h"
#include "query/ResultGridModel.h"
#include "query/ResultGridView.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "settings/StoredPlacement.h"
#include "settings/UsableRange.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Query Results");
const QString kReportTitle = QStringLiteral("Query Result");
const QString kDeleteQuestion = QStringLiteral("Delete record?");
const QString kGridOptionsMissing = QStringLiteral("Grid Options is not available yet.");
const QString kPrintMissing = QStringLiteral("Print is not available yet.");
const QString kExportTitle = QStringLiteral("Export to CSV");
const QString kExportFileName = QStringLiteral("Query Result.csv");
const QString kExportFilter = QStringLiteral("CSV files (*.csv)|*.csv");
const QString kExportWork = QStringLiteral("Exporting to CSV");
const QString kExportFailed = QStringLiteral("The result could not be exported to %1:\n%2\n"
                                             "A file that was there before is unchanged.");

/// The longest texts the two fields are sized for: a count beyond any engine's rows, and a run of
/// nearly a day (a longer one still reads from its start, and whole in the tooltip).
const QString kLongestRecordCount = QStringLiteral("2147483647");
const QString kLongestElapsedTime = QStringLiteral("23 hrs 59 mins 59 secs 999 msecs");

/// Widths of a new result follow the fields' display widths, but no wider than this many digits.
constexpr int kMaxInitialChars = 64;

} // namespace

TFRM_Query::TFRM_Query(AppContext& ctx, QWidget* parent)
    : QDialog(parent), DSC_Grid(new DataSourceLink(this)), m_ctx(ctx),
      m_placement(new WindowPlacement(*this)), m_layout(ctx.settings)
{
    setObjectName(QStringLiteral("TFRM_Query"));
    setWindowTitle(kCaption);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::WindowMinMaxButtonsHint);
    buildControls();
    resize(640, 480);
    if (m_ctx.connection)
        QRY_Grid();
}

TFRM_Query::~TFRM_Query()
{
    // The children go after this class is gone; nothing they signal on the way may reach it.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(DBG_Grid->selectionModel(), nullptr, this, nullptr);
    disconnect(m_model, nullptr, this, nullptr);
}

void TFRM_Query::buildControls()
{
    DSC_Grid->setObjectName(QStringLiteral("DSC_Grid"));

    DBG_Grid = new ResultGridView(this);
    DBG_Grid->setObjectName(QStringLiteral("DBG_Grid"));
    m_model = new ResultGridModel(*DSC_Grid, this);
    m_delegate = new CellPaintDelegate(this);
    m_delegate->setCellDrawn([this](int column) { DBG_GridDrawColumnCell(column); });
    m_delegate->setEditorCreated([this](QWidget* editor) {
        // The record enters edit at the first key stroke, so the indicator shows it at once.
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            DBG_Grid->watchEditor(line);
            connect(line, &QLineEdit::textEdited, this, [this] {
                Query* q = m_model->query();
                if (q && q->isActive() && q->state() == Query::State::Browse)
                    runGuarded([q] { q->edit(); });
            });
        }
    });
    DBG_Grid->setModel(m_model);
    DBG_Grid->setItemDelegate(m_delegate);
    QFont dataFont(QStringLiteral("Arial"), 8);
    DBG_Grid->setFont(dataFont);
    DBG_Grid->horizontalHeader()->setFont(font());
    // Ranges of cells: Shift with the arrows or the mouse, Ctrl+click, Ctrl+A for all.
    DBG_Grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DBG_Grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBG_Grid->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked |
                              QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    DBG_Grid->setTabKeyNavigation(true);
    DBG_Grid->setWordWrap(false);
    DBG_Grid->setCornerButtonEnabled(false);
    QHeaderView* titles = DBG_Grid->horizontalHeader();
    titles->setSectionsMovable(true);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);
    QHeaderView* indicator = DBG_Grid->verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultSectionSize(QFontMetrics(dataFont).height() + 4);
    indicator->setDefaultAlignment(Qt::AlignCenter);
    indicator->setFixedWidth(16);

    PNL_Query = new QWidget(this);
    PNL_Query->setObjectName(QStringLiteral("PNL_Query"));
    DBN_Grid = new DbNavigator(PNL_Query);
    DBN_Grid->setObjectName(QStringLiteral("DBN_Grid"));

    LBL_TotalRecords = new QLabel(QStringLiteral("Total Records:"), PNL_Query);
    LBL_TotalRecords->setObjectName(QStringLiteral("LBL_TotalRecords"));
    EDT_TotalRecords = new QLineEdit(PNL_Query);
    EDT_TotalRecords->setObjectName(QStringLiteral("EDT_TotalRecords"));
    MakeReadOnlyField(*EDT_TotalRecords, kLongestRecordCount);
    LBL_TotalRecords->setBuddy(EDT_TotalRecords);
    LBL_TimeElapsed = new QLabel(QStringLiteral("Time Elapsed:"), PNL_Query);
    LBL_TimeElapsed->setObjectName(QStringLiteral("LBL_TimeElapsed"));
    EDT_TimeElapsed = new QLineEdit(PNL_Query);
    EDT_TimeElapsed->setObjectName(QStringLiteral("EDT_TimeElapsed"));
    MakeReadOnlyField(*EDT_TimeElapsed, kLongestElapsedTime);
    LBL_TimeElapsed->setBuddy(EDT_TimeElapsed);

    const auto makeButton = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, PNL_Query);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    BBN_GridOptions1 = makeButton(QStringLiteral("BBN_GridOptions1"), QStringLiteral("Grid Options"));
    BBN_Print = makeButton(QStringLiteral("BBN_Print"), QStringLiteral("Print"));
    BBN_Close = makeButton(QStringLiteral("BBN_Close"), QStringLiteral("Close"));

    // The buttons share the navigator's row, so the two fields have a row of their own and room
    // for their longest texts at the default window size.
    auto* buttonsRow = new QHBoxLayout;
    buttonsRow->addWidget(DBN_Grid);
    buttonsRow->addStretch(1);
    buttonsRow->addWidget(BBN_GridOptions1);
    buttonsRow->addWidget(BBN_Print);
    buttonsRow->addWidget(BBN_Close);
    auto* fieldsRow = new QHBoxLayout;
    fieldsRow->addWidget(LBL_TotalRecords);
    fieldsRow->addWidget(EDT_TotalRecords, 1);
    fieldsRow->addSpacing(8);
    fieldsRow->addWidget(LBL_TimeElapsed);
    fieldsRow->addWidget(EDT_TimeElapsed, 2);
    auto* panel = new QVBoxLayout(PNL_Query);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addLayout(buttonsRow);
    panel->addLayout(fieldsRow);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBG_Grid, 1);
    layout->addWidget(PNL_Query);

    connect(BBN_GridOptions1, &QPushButton::clicked, this, &TFRM_Query::BBN_GridOptions1Click);
    connect(BBN_Print, &QPushButton::clicked, this, &TFRM_Query::BBN_PrintClick);
    connect(BBN_Close, &QPushButton::clicked, this, &TFRM_Query::BBN_CloseClick);
    connect(DBN_Grid, &DbNavigator::clicked, this, &TFRM_Query::onNavigator);
    connect(titles, &QHeaderView::sectionMoved, this, &TFRM_Query::onSectionMoved);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TFRM_Query::onModelReset);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TFRM_Query::syncViewToQuery);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TFRM_Query::syncViewToQuery);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TFRM_Query::refreshTotalRecords);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TFRM_Query::refreshTotalRecords);
    connect(m_model, &ResultGridModel::currentRecordChanged, this, &TFRM_Query::syncViewToQuery);
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &TFRM_Query::updateNavigator);
    connect(m_model, &ResultGridModel::editFailed, this, &TFRM_Query::showEditError);
    connect(DBG_Grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TFRM_Query::onViewCurrentChanged);
    connect(DBG_Grid, &ResultGridView::insertRequested, this,
            [this] { onNavigator(DbNavigator::Button::Insert); });
    connect(DBG_Grid, &ResultGridView::deleteRequested, this,
            [this] { onNavigator(DbNavigator::Button::Delete); });
    connect(DBG_Grid, &ResultGridView::cancelRequested, this,
            [this] { onNavigator(DbNavigator::Button::Cancel); });
    connect(DBG_Grid, &ResultGridView::typedIntoReadOnlyCell, this, [this](const QModelIndex& cell) {
        // Keys that change nothing say why at the cell (a binary value cannot be edited there).
        const QRect at = DBG_Grid->visualRect(cell);
        QToolTip::showText(DBG_Grid->viewport()->mapToGlobal(at.bottomLeft()),
                           cell.data(Qt::ToolTipRole).toString(), DBG_Grid->viewport(), at);
    });
    connect(qApp, &QApplication::focusChanged, this, &TFRM_Query::onFocusChanged);
    buildGridMenu();
}

void TFRM_Query::buildGridMenu()
{
    PMN_Grid = new QMenu(DBG_Grid);
    PMN_Grid->setObjectName(QStringLiteral("PMN_Grid"));
    const auto addEntry = [this](const QString& name, const QString& text, const QKeySequence& keys,
                                 void (TFRM_Query::*handler)()) {
        QAction* entry = PMN_Grid->addAction(text);
        entry->setObjectName(name);
        // Shown in the menu only: the grid takes these keys itself, also from a cell's editor.
        entry->setShortcut(keys);
        entry->setShortcutContext(Qt::WidgetShortcut);
        connect(entry, &QAction::triggered, this, handler);
        return entry;
    };
    MI_Copy = addEntry(QStringLiteral("MI_Copy"), QStringLiteral("Copy"), QKeySequence::Copy,
                       &TFRM_Query::MI_CopyClick);
    MI_CopyWithTitles =
        addEntry(QStringLiteral("MI_CopyWithTitles"), QStringLiteral("Copy with Titles"),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &TFRM_Query::MI_CopyWithTitlesClick);
    PMN_Grid->addSeparator();
    MI_ExportCSV = addEntry(QStringLiteral("MI_ExportCSV"), QStringLiteral("Export to CSV..."), {},
                            &TFRM_Query::MI_ExportCSVClick);
    connect(PMN_Grid, &QMenu::aboutToShow, this, [this] {
        const bool cells = m_model->isActive() && m_model->columnCount() > 0;
        MI_Copy->setEnabled(cells);
        MI_CopyWithTitles->setEnabled(cells);
        MI_ExportCSV->setEnabled(cells);
    });
    connect(DBG_Grid, &ResultGridView::menuRequested, this,
            [this](const QPoint& globalPos) { PMN_Grid->popup(globalPos); });
    connect(DBG_Grid, &ResultGridView::copyRequested, this, &TFRM_Query::copyCells);
}

Query& TFRM_Query::QRY_Grid()
{
    if (!m_query) {
        if (!m_ctx.connection)
            throw WrapperError(QStringLiteral("Not connected to a database"));
        m_query = new Query(*m_ctx.connection, this);
        m_query->setObjectName(QStringLiteral("QRY_Grid"));
        m_query->setDatabaseName(QStringLiteral("Login"));
        m_query->setRequestLive(true);
    }
    return *m_query;
}

int TFRM_Query::columnCount() const
{
    return m_model->columnCount();
}

int TFRM_Query::columnWidth(int column) const
{
    return DBG_Grid->columnWidth(column);
}

void TFRM_Query::setColumnWidth(int column, int width)
{
    DBG_Grid->setColumnWidth(column, std::max(0, width));
}

void TFRM_Query::showCounts(int recordCount, const QString& elapsed)
{
    EDT_TotalRecords->setText(QString::number(recordCount));
    EDT_TimeElapsed->setText(elapsed);
}

void TFRM_Query::refreshTotalRecords()
{
    // Inserts and deletes in the grid change the count the execution wrote; an empty field stays
    // empty (the execution fills it once the rows are there).
    if (m_model->isActive() && !EDT_TotalRecords->text().isEmpty())
        EDT_TotalRecords->setText(QString::number(m_model->query()->recordCount()));
}

void TFRM_Query::clearCounts()
{
    EDT_TimeElapsed->clear();
    EDT_TotalRecords->clear();
}

QStringList TFRM_Query::columnFieldNames() const
{
    QStringList names;
    for (int c = 0; c < m_model->columnCount(); ++c)
        names.append(m_model->field(c).name);
    return names;
}

// ---- column layout memory

void TFRM_Query::FormShow()
{
    const QStringList names = columnFieldNames();
    const QStringList stored = m_layout.storedOrder(names);
    for (const ColumnOrder::Move& move : ColumnOrder::restoreMoves(names, stored))
        moveColumn(move.first, move.second);
    // The current cell followed its field; the user starts at the leftmost column.
    if (const QModelIndex current = DBG_Grid->currentIndex(); current.isValid()) {
        m_syncing = true;
        DBG_Grid->selectionModel()->setCurrentIndex(m_model->index(current.row(), 0),
                                                    QItemSelectionModel::ClearAndSelect);
        m_syncing = false;
    }
    // The keys of the grid work at once, also when the window comes back after Close had focus.
    DBG_Grid->setFocus(Qt::OtherFocusReason);
}

void TFRM_Query::FormActivate()
{
    if (!m_model->isActive())
        return;
    const QList<ColumnLayout::Column> stored = m_layout.restore(columnFieldNames());
    for (int c = 0; c < int(stored.size()); ++c) {
        if (stored[c].width)
            setColumnWidth(c, *stored[c].width);
        m_model->query()->setDisplayLabel(m_model->fieldPosition(c), stored[c].title);
    }
    m_layoutRestored = true;
}

void TFRM_Query::DBG_GridDrawColumnCell(int column)
{
    // Until the stored widths are on the columns, the widths drawn are only the first guesses.
    if (!m_layoutRestored || column < 0 || column >= m_model->columnCount())
        return;
    m_layout.noteDrawnWidth(column, m_model->field(column).name, DBG_Grid->columnWidth(column));
}

void TFRM_Query::DBG_GridColumnMoved()
{
    m_layout.storeOrder(columnFieldNames());
}

void TFRM_Query::onSectionMoved(int, int oldVisualIndex, int newVisualIndex)
{
    // The header's own move is undone: the field moves instead, and the columns follow the
    // field order, so that column i is always the i-th visible field.
    {
        const QSignalBlocker blocker(DBG_Grid->horizontalHeader());
        DBG_Grid->horizontalHeader()->moveSection(newVisualIndex, oldVisualIndex);
    }
    runGuarded([&] {
        moveColumn(oldVisualIndex, newVisualIndex);
        DBG_GridColumnMoved();
    });
}

void TFRM_Query::moveColumn(int from, int to)
{
    QList<int> widths;
    for (int c = 0; c < m_model->columnCount(); ++c)
        widths.append(DBG_Grid->columnWidth(c));
    m_model->moveFieldColumn(from, to);
    widths.move(from, to);
    m_layout.moveColumn(from, to);
    for (int c = 0; c < widths.size(); ++c)
        DBG_Grid->setColumnWidth(c, widths[c]);
}

void TFRM_Query::onModelReset()
{
    const QFontMetrics data(DBG_Grid->font());
    const QFontMetrics title(DBG_Grid->horizontalHeader()->font());
    const int digit = data.horizontalAdvance(QLatin1Char('0'));
    m_layout.startResult(m_model->columnCount());
    m_layoutRestored = false;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const Field& f = m_model->field(c);
        const int chars = std::clamp(f.displayWidth, 1, kMaxInitialChars);
        DBG_Grid->setColumnWidth(c,
                                 std::max(chars * digit + 8, title.horizontalAdvance(f.displayLabel) + 12));
    }
    syncViewToQuery();
    updateNavigator();
}

// ---- records and editing

void TFRM_Query::syncViewToQuery()
{
    Query* q = m_model->query();
    if (!q || !q->isActive() || q->recNo() < 0 || m_model->columnCount() == 0)
        return;
    const int column = std::max(0, DBG_Grid->currentIndex().column());
    const QModelIndex target = m_model->index(q->recNo(), std::min(column, m_model->columnCount() - 1));
    if (target == DBG_Grid->currentIndex())
        return;
    m_syncing = true;
    DBG_Grid->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
    updateNavigator();
}

void TFRM_Query::onViewCurrentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (m_syncing || !current.isValid() || current.row() == previous.row())
        return;
    Query* q = m_model->query();
    if (!q || !q->isActive())
        return;
    int target = current.row();
    int dropped = -1;
    if (!leaveRecord(&dropped)) {
        syncViewToQuery();
        return;
    }
    if (dropped >= 0 && target > dropped)
        --target;
    runGuarded([&] { q->setRecNo(std::min(target, q->recordCount() - 1)); });
    syncViewToQuery();
}

bool TFRM_Query::leaveRecord(int* droppedRow)
{
    if (droppedRow)
        *droppedRow = -1;
    Query* q = m_model->query();
    if (!q || !q->isActive() || q->state() == Query::State::Browse)
        return true;
    if (!q->modified()) {
        const bool inserted = q->state() == Query::State::Insert;
        const int row = q->recNo();
        q->cancel();
        if (inserted && droppedRow)
            *droppedRow = row;
        return true;
    }
    try {
        q->post();
        return true;
    } catch (const EngineError& e) {
        ShowEngineError(m_ctx.desktop, e, this);
    } catch (const std::exception& e) {
        showEditError(QString::fromUtf8(e.what()));
    }
    return false;
}

bool TFRM_Query::finishEditing()
{
    DBG_Grid->commitOpenEditor();
    return leaveRecord();
}

void TFRM_Query::showEditError(const QString& message)
{
    m_ctx.desktop.messageBox(BoxKind::Error, message, BoxButtons::Ok, this);
}

void TFRM_Query::runGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& e) {
        ShowEngineError(m_ctx.desktop, e, this);
    } catch (const std::exception& e) {
        showEditError(QString::fromUtf8(e.what()));
    }
}

void TFRM_Query::onNavigator(DbNavigator::Button button)
{
    Query* q = m_model->query();
    if (!q || !q->isActive())
        return;
    const int rows = m_model->rowCount();
    const auto goTo = [&](int row) {
        if (rows == 0)
            return;
        DBG_Grid->commitOpenEditor();
        const int column = std::max(0, DBG_Grid->currentIndex().column());
        DBG_Grid->setCurrentIndex(m_model->index(std::clamp(row, 0, rows - 1), column));
    };
    switch (button) {
    case DbNavigator::Button::First:
        goTo(0);
        break;
    case DbNavigator::Button::Prior:
        goTo(q->recNo() - 1);
        break;
    case DbNavigator::Button::Next:
        goTo(q->recNo() + 1);
        break;
    case DbNavigator::Button::Last:
        goTo(rows - 1);
        break;
    case DbNavigator::Button::Insert:
        if (!finishEditing())
            break;
        runGuarded([q] { q->insert(); });
        syncViewToQuery();
        break;
    case DbNavigator::Button::Delete:
        if (q->recNo() < 0)
            break;
        if (m_ctx.desktop.messageBox(BoxKind::Confirmation, kDeleteQuestion, BoxButtons::YesNo, this) !=
            BoxAnswer::Yes)
            break;
        DBG_Grid->discardOpenEditor();
        runGuarded([q] {
            if (q->state() == Query::State::Insert)
                q->cancel();
            else
                q->deleteRecord();
        });
        syncViewToQuery();
        break;
    case DbNavigator::Button::Edit:
        runGuarded([q] { q->edit(); });
        DBG_Grid->edit(DBG_Grid->currentIndex());
        break;
    case DbNavigator::Button::Post:
        finishEditing();
        break;
    case DbNavigator::Button::Cancel:
        DBG_Grid->discardOpenEditor();
        runGuarded([q] { q->cancel(); });
        syncViewToQuery();
        break;
    }
    updateNavigator();
}

void TFRM_Query::updateNavigator()
{
    DbNavigator::Abilities a;
    Query* q = m_model->query();
    if (q && q->isActive()) {
        const int rows = m_model->rowCount();
        a.active = true;
        a.empty = rows == 0;
        a.atFirst = q->recNo() <= 0;
        a.atLast = q->recNo() < 0 || q->recNo() >= rows - 1;
        a.canModify = q->canModify();
        a.editing = q->state() != Query::State::Browse;
    }
    DBN_Grid->setAbilities(a);
}

void TFRM_Query::onFocusChanged(QWidget* old, QWidget* now)
{
    // An inserted record that was never changed is dropped when the grid is left for another
    // control of this window (not when another window comes up).
    if (!old || !now || now->window() != this || !DBG_Grid->contains(old) || DBG_Grid->contains(now))
        return;
    Query* q = m_model->query();
    if (q && q->isActive() && q->state() == Query::State::Insert && !q->modified()) {
        q->cancel();
        syncViewToQuery();
    }
}

// ---- buttons and window events

void TFRM_Query::BBN_GridOptions1Click()
{
    if (m_gridOptionsHook)
        runGuarded([this] { m_gridOptionsHook(*this); });
    else
        m_ctx.desktop.messageBox(BoxKind::Information, kGridOptionsMissing, BoxButtons::Ok, this);
}

void TFRM_Query::BBN_PrintClick()
{
    if (!m_printHook) {
        m_ctx.desktop.messageBox(BoxKind::Information, kPrintMissing, BoxButtons::Ok, this);
        return;
    }
    runGuarded([this] { m_printHook(QRY_Grid(), m_layout, kReportTitle, m_model->columnCount()); });
}

void TFRM_Query::BBN_CloseClick()
{
    // Closing finishes the edit and stores the layout once, in done().
    accept();
}

// ---- results leaving the grid

QList<ExportColumn> TFRM_Query::exportColumns() const
{
    QList<ExportColumn> columns;
    for (int c = 0; c < m_model->columnCount(); ++c)
        columns.append({m_model->fieldPosition(c), m_model->field(c).displayLabel});
    return columns;
}

void TFRM_Query::MI_CopyClick()
{
    copyCells(false);
}

void TFRM_Query::MI_CopyWithTitlesClick()
{
    copyCells(true);
}

void TFRM_Query::copyCells(bool withTitles)
{
    if (!m_model->isActive() || m_model->columnCount() == 0)
        return;
    // A typed but uncommitted text is what the cell shows, so it is what is copied.
    DBG_Grid->commitOpenEditor();
    QItemSelection selection = DBG_Grid->selectionModel()->selection();
    if (selection.isEmpty() && DBG_Grid->currentIndex().isValid())
        selection.select(DBG_Grid->currentIndex(), DBG_Grid->currentIndex());
    if (selection.isEmpty())
        return;

    const CellBlock block = ChosenCells(selection, m_model->rowCount(), exportColumns());
    BusyCursor busy(m_ctx.desktop);
    QGuiApplication::clipboard()->setText(TabSeparatedText(*m_model->query(), block, withTitles));
}

void TFRM_Query::MI_ExportCSVClick()
{
    if (!m_model->isActive() || m_model->columnCount() == 0)
        return;
    FileDialogRequest request;
    request.title = kExportTitle;
    request.folder = m_exportFolder.isEmpty() ? QDir::homePath() + QLatin1Char('/') : m_exportFolder;
    request.fileName = m_exportFileName.isEmpty() ? kExportFileName : m_exportFileName;
    request.filter = kExportFilter;
    request.defaultExtension = QStringLiteral("csv");
    request.confirmOverwrite = true;
    const std::optional<QString> path = m_ctx.desktop.saveFileName(request, this);
    if (!path)
        return;
    const QFileInfo chosen(*path);
    m_exportFolder = chosen.absolutePath() + QLatin1Char('/');
    m_exportFileName = chosen.fileName();
    DBG_Grid->commitOpenEditor();

    // The rows go to a file beside the chosen one, which replaces it only once every row is written.
    WholeFile file(*path);
    ExportOutcome outcome = ExportOutcome::Failed;
    if (file.open(QIODevice::WriteOnly)) {
        BusyCursor busy(m_ctx.desktop);
        LongWork work(this, kExportWork, QStringLiteral("Rows written: %1"));
        outcome = WriteCsv(*m_model->query(), exportColumns(), file,
                           [&work](qint64 rows) { return work.progress(rows); });
    }
    if (outcome == ExportOutcome::Cancelled) {
        file.discard();
        return;
    }
    if (outcome == ExportOutcome::Written && file.commit())
        return;
    m_ctx.desktop.messageBox(BoxKind::Error,
                             kExportFailed.arg(QDir::toNativeSeparators(*path), file.errorString()),
                             BoxButtons::Ok, this);
}

void TFRM_Query::FormClose()
{
    // A width the store refused while painting is written now, and said so if it fails again.
    m_layout.writeRefusedWidths();
    SettingsStore store = m_ctx.settings.open();
    WritePlacement(store, Schema::Grid::Window, m_placement->current());
    if (m_query)
        m_query->close();
}

void TFRM_Query::done(int result)
{
    if (!finishEditing())
        return;
    try {
        FormClose();
    } catch (const SettingsError& e) {
        // The window still closes; the placement is lost, the user is told.
        showEditError(QString::fromUtf8(e.what()));
        if (m_query)
            m_query->close();
    }
    QDialog::done(result);
}

void TFRM_Query::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The layout goes on before the first paint; activations later restore titles and widths again.
    if (!event->spontaneous())
        runGuarded([this] {
            FormShow();
            FormActivate();
        });
}

void TFRM_Query::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        runGuarded([this] { FormActivate(); });
    } else if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
               !m_minimizing) {
        // Only on platform version 3 does the result window go down alone.
        if (m_ctx.platformMajorVersion != 3) {
            m_minimizing = true;
            m_ctx.desktop.minimizeApplication();
            m_minimizing = false;
        }
    }
}

void TFRM_Query::keyPressEvent(QKeyEvent* event)
{
    // Escape belongs to the grid (it cancels an edit); it never closes the window.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
