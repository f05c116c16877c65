#include "query/QRY_FUNC.h"

#include "connection/EngineError.h"
#include "connection/Query.h"
#include "connection/WatchedCall.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "query/ColumnLayout.h"
#include "query/EngineErrorBox.h"
#include "query/Generic.h"
#include "query/RadioGroup.h"
#include "query/ReSort.h"
#include "query/RecordSearch.h"
#include "query/ResultGridModel.h"
#include "query/query.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Grid Options");
const QString kForward = QStringLiteral("Forward");
const QString kBackward = QStringLiteral("Backward");
const QString kFromCursor = QStringLiteral("From Cursor");
const QString kEntireScope = QStringLiteral("Entire Scope");
const QString kAllColumns = QStringLiteral("All Columns");
const QString kAscending = QStringLiteral("Ascending");
const QString kDescending = QStringLiteral("Descending");
const QString kTrue = QStringLiteral("TRUE");
const QString kFalse = QStringLiteral("FALSE");
const QString kNotInteger = QStringLiteral("'%1' is not a valid integer value");
const QString kNotFound = QStringLiteral("Text \"%1\" not found");

/// Integer text as the conversion takes it: optional blanks, a sign, decimal digits, or "$" or
/// "0x" followed by hexadecimal digits.
std::optional<int> ParseInteger(const QString& text)
{
    QString t = text;
    while (!t.isEmpty() && t.front() == u' ')
        t.remove(0, 1);
    bool negative = false;
    QString digits = t;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.startsWith(u'-');
        digits.remove(0, 1);
    }
    int base = 10;
    if (digits.startsWith(u'$')) {
        base = 16;
        digits.remove(0, 1);
    } else if (digits.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits.remove(0, 2);
    }
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : std::as_const(digits)) {
        if (!(base == 10 ? c.isDigit() && c.unicode() < 128
                         : QStringLiteral("0123456789abcdefABCDEF").contains(c)))
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok, base) * (negative ? -1 : 1);
    if (!ok || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return int(value);
}

QComboBox* SortList(QWidget* parent, const QString& name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(false);
    box->setMinimumWidth(220);
    return box;
}

} // namespace

TFRM_QRY_FUNC::TFRM_QRY_FUNC(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFRM_QRY_FUNC"));
    setWindowTitle(kCaption);
    // Topmost, with a title but no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    buildControls();
}

TFRM_QRY_FUNC::~TFRM_QRY_FUNC() = default;

void TFRM_QRY_FUNC::buildControls()
{
    PGC_Functions = new QTabWidget(this);
    PGC_Functions->setObjectName(QStringLiteral("PGC_Functions"));
    PGC_Functions->setTabPosition(QTabWidget::South);

    TSH_GridOptions = new QWidget;
    TSH_GridOptions->setObjectName(QStringLiteral("TSH_GridOptions"));
    SGR_GridOptions = new QTableWidget(0, 3, TSH_GridOptions);
    SGR_GridOptions->setObjectName(QStringLiteral("SGR_GridOptions"));
    SGR_GridOptions->setHorizontalHeaderLabels({QStringLiteral("         COLUMN NAME"),
                                                QStringLiteral("                     TITLE"),
                                                QStringLiteral("     WIDTH")});
    SGR_GridOptions->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SGR_GridOptions->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SGR_GridOptions->setColumnWidth(0, 150);
    SGR_GridOptions->setColumnWidth(1, 186);
    SGR_GridOptions->setColumnWidth(2, 72);
    SGR_GridOptions->verticalHeader()->hide();
    SGR_GridOptions->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SGR_GridOptions->verticalHeader()->setDefaultSectionSize(18);
    SGR_GridOptions->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SGR_GridOptions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SGR_GridOptions->setEditTriggers(QAbstractItemView::AllEditTriggers);
    SGR_GridOptions->setFixedWidth(150 + 186 + 72 + SGR_GridOptions->verticalScrollBar()->sizeHint().width() +
                                   4);
    auto* gridPage = new QVBoxLayout(TSH_GridOptions);
    gridPage->addWidget(SGR_GridOptions);
    PGC_Functions->addTab(TSH_GridOptions, QStringLiteral("Grid Options"));

    TSH_Search = new QWidget;
    TSH_Search->setObjectName(QStringLiteral("TSH_Search"));
    auto* findLabel = new QLabel(QStringLiteral("Text to find:"), TSH_Search);
    CBX_TextToFind = new QComboBox(TSH_Search);
    CBX_TextToFind->setObjectName(QStringLiteral("CBX_TextToFind"));
    CBX_TextToFind->setEditable(true);
    CBX_TextToFind->setInsertPolicy(QComboBox::NoInsert);
    findLabel->setBuddy(CBX_TextToFind);
    RGB_Direction = new RadioGroup(QStringLiteral(" Direction "), {kForward, kBackward}, TSH_Search);
    RGB_Direction->setObjectName(QStringLiteral("RGB_Direction"));
    RGB_Origin = new RadioGroup(QStringLiteral(" Origin "), {kFromCursor, kEntireScope}, TSH_Search);
    RGB_Origin->setObjectName(QStringLiteral("RGB_Origin"));
    RGB_ColumnsToSearch = new RadioGroup(QStringLiteral(" Columns to search "), {kAllColumns}, TSH_Search);
    RGB_ColumnsToSearch->setObjectName(QStringLiteral("RGB_ColumnsToSearch"));
    GBX_Options = new QGroupBox(QStringLiteral(" Options "), TSH_Search);
    GBX_Options->setObjectName(QStringLiteral("GBX_Options"));
    CHK_WholeWordsOnly = new QCheckBox(QStringLiteral("Whole words only"), GBX_Options);
    CHK_WholeWordsOnly->setObjectName(QStringLiteral("CHK_WholeWordsOnly"));
    (new QVBoxLayout(GBX_Options))->addWidget(CHK_WholeWordsOnly);
    auto* searchPage = new QGridLayout(TSH_Search);
    searchPage->addWidget(findLabel, 0, 0);
    searchPage->addWidget(CBX_TextToFind, 0, 1, 1, 2);
    searchPage->addWidget(RGB_Direction, 1, 0, 1, 2);
    searchPage->addWidget(RGB_ColumnsToSearch, 1, 2, 3, 1);
    searchPage->addWidget(RGB_Origin, 2, 0, 1, 2);
    searchPage->addWidget(GBX_Options, 3, 0, 1, 2);
    searchPage->setRowStretch(4, 1);
    PGC_Functions->addTab(TSH_Search, QStringLiteral("Search"));

    PGC_Functions->addTab(buildSortTab(), QStringLiteral("Sort"));

    BBN_Ok = new QPushButton(QStringLiteral("OK"), this);
    BBN_Ok->setObjectName(QStringLiteral("BBN_Ok"));
    BBN_Ok->setDefault(true);
    BBN_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    BBN_Cancel->setObjectName(QStringLiteral("BBN_Cancel"));
    BBN_Cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BBN_Ok);
    buttons->addWidget(BBN_Cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PGC_Functions);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BBN_Ok, &QPushButton::clicked, this, &TFRM_QRY_FUNC::BBN_OkClick);
    connect(BBN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* TFRM_QRY_FUNC::buildSortTab()
{
    TSH_Sort = new QWidget;
    TSH_Sort->setObjectName(QStringLiteral("TSH_Sort"));
    auto* page = new QVBoxLayout(TSH_Sort);
    const auto addRole = [&](const QString& title, const QString& role, QComboBox*& list,
                             RadioGroup*& direction) {
        auto* group = new QGroupBox(title, TSH_Sort);
        group->setObjectName(QStringLiteral("GBX_") + role);
        list = SortList(group, QStringLiteral("CBX_") + role);
        direction = new RadioGroup(QString(), {kAscending, kDescending}, group);
        direction->setObjectName(QStringLiteral("RGB_") + role);
        direction->setFlat(true);
        direction->setItemIndex(0);
        auto* row = new QHBoxLayout(group);
        row->addWidget(list, 1);
        row->addWidget(direction);
        page->addWidget(group);
    };
    addRole(QStringLiteral(" Sort By "), QStringLiteral("SortBy"), CBX_SortBy, RGB_SortBy);
    addRole(QStringLiteral(" Then By "), QStringLiteral("ThenBy"), CBX_ThenBy, RGB_ThenBy);
    addRole(QStringLiteral(" Finally By "), QStringLiteral("FinallyBy"), CBX_FinallyBy, RGB_FinallyBy);
    page->addStretch(1);
    return TSH_Sort;
}

void TFRM_QRY_FUNC::Open(TFRM_Query& window)
{
    Prepare(window);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        move(screen->availableGeometry().center() - rect().center());
    }
    exec();
    m_window = nullptr;
}

void TFRM_QRY_FUNC::Prepare(TFRM_Query& window)
{
    m_window = &window;
    const ResultGridModel& grid = window.gridModel();
    const int columns = grid.columnCount();
    QStringList labels;

    SGR_GridOptions->clearContents();
    SGR_GridOptions->setRowCount(columns);
    for (int c = 0; c < columns; ++c) {
        const Field& f = grid.field(c);
        labels.append(f.displayLabel);
        auto* name = new QTableWidgetItem(f.name);
        name->setFlags(Qt::ItemIsEnabled);
        SGR_GridOptions->setItem(c, 0, name);
        SGR_GridOptions->setItem(c, 1, new QTableWidgetItem(f.displayLabel));
        SGR_GridOptions->setItem(c, 2, new QTableWidgetItem(QString::number(window.columnWidth(c))));
    }

    for (QComboBox* list : {CBX_SortBy, CBX_ThenBy, CBX_FinallyBy}) {
        list->clear();
        list->addItems(labels);
        list->setCurrentIndex(-1);
    }

    namespace S = Schema::Search;
    const SettingsStore store = m_ctx.settings.open();
    CBX_TextToFind->clear();
    for (int n = 1; n <= S::kHistorySize; ++n) {
        const QString entry = store.Read(S::History(n));
        if (!entry.isEmpty())
            CBX_TextToFind->addItem(entry);
    }
    RGB_Direction->setItemIndex(store.Read(S::Directions) == kBackward ? 1 : 0);
    RGB_Origin->setItemIndex(store.Read(S::Origin) == kEntireScope ? 1 : 0);
    CHK_WholeWordsOnly->setChecked(store.Read(S::WholeWordsOnly) != kFalse);

    RGB_ColumnsToSearch->setItems(QStringList{kAllColumns} + labels.mid(0, kSearchColumnTitles));
    RGB_ColumnsToSearch->setItemIndex(0);
    CBX_TextToFind->setCurrentIndex(-1);
    CBX_TextToFind->setEditText(QString());
}

void TFRM_QRY_FUNC::BBN_OkClick()
{
    if (!m_window) {
        accept();
        return;
    }
    TFRM_Query& window = *m_window;
    const ResultGridModel& grid = window.gridModel();

    // What the lists show is taken now, before titles or a re-sort change the columns.
    SortRequest request;
    bool sorting = false;
    const std::array<std::pair<QComboBox*, RadioGroup*>, 3> roles = {
        {{CBX_SortBy, RGB_SortBy}, {CBX_ThenBy, RGB_ThenBy}, {CBX_FinallyBy, RGB_FinallyBy}}};
    for (size_t r = 0; r < roles.size(); ++r) {
        const int picked = roles[r].first->currentIndex();
        if (picked >= 0 && picked < grid.columnCount()) {
            request[r] = SortKey{grid.field(picked).name, roles[r].second->itemIndex() == 1};
            sorting = true;
        }
    }
    const int searchItem = RGB_ColumnsToSearch->itemIndex();
    const QString searchField =
        searchItem > 0 && searchItem - 1 < grid.columnCount() ? grid.field(searchItem - 1).name : QString();
    const QString text = CBX_TextToFind->currentText();

    try {
        if (!applyTitlesAndWidths()) {
            accept();
            return;
        }
        if (sorting) {
            const WatchedCall watch(window.QRY_Grid().connection(), this, QStringLiteral("Sorting"));
            ReSort(window.QRY_Grid(), window.columnCount(), request);
            window.FormActivate();
        }
        if (!text.isEmpty())
            updateHistory(text);
        storeSearchOptions();
    } catch (const EngineError& e) {
        ShowEngineError(m_ctx.desktop, e, this);
        accept();
        return;
    } catch (const std::exception& e) {
        m_ctx.desktop.messageBox(BoxKind::Error, QString::fromUtf8(e.what()), BoxButtons::Ok, this);
        accept();
        return;
    }

    if (!text.isEmpty()) {
        QList<int> positions;
        for (int c = 0; c < grid.columnCount(); ++c) {
            if (searchField.isNull() || grid.field(c).name == searchField) {
                positions.append(grid.fieldPosition(c));
                if (!searchField.isNull())
                    break;
            }
        }
        search(text, positions);
    }
    accept();
}

bool TFRM_QRY_FUNC::applyTitlesAndWidths()
{
    TFRM_Query& window = *m_window;
    const ResultGridModel& grid = window.gridModel();
    Query& query = window.QRY_Grid();
    const int rows = std::min(SGR_GridOptions->rowCount(), grid.columnCount());
    QList<ColumnLayout::Edit> edits;
    QString badWidth;
    for (int c = 0; c < rows; ++c) {
        const QTableWidgetItem* titleItem = SGR_GridOptions->item(c, 1);
        const QTableWidgetItem* widthItem = SGR_GridOptions->item(c, 2);
        const QString title = titleItem ? titleItem->text() : QString();
        const QString widthText = widthItem ? widthItem->text() : QString();
        query.setDisplayLabel(grid.fieldPosition(c), title);
        const std::optional<int> width = ParseInteger(widthText);
        edits.append({c, grid.field(c).name, title, width});
        if (!width) {
            // The rows before it and its title are applied and stored; the rest is not.
            badWidth = widthText;
            break;
        }
        window.setColumnWidth(c, *width);
    }
    window.columnLayout().store(edits);
    if (edits.isEmpty() || edits.back().width)
        return true;
    m_ctx.desktop.messageBox(BoxKind::Error, kNotInteger.arg(badWidth), BoxButtons::Ok, this);
    return false;
}

void TFRM_QRY_FUNC::updateHistory(const QString& text)
{
    namespace S = Schema::Search;
    SettingsStore store = m_ctx.settings.open();
    for (int n = 1; n <= S::kHistorySize; ++n) {
        if (store.Read(S::History(n)) == text)
            return;
    }
    for (int n = S::kHistorySize - 1; n >= 1; --n)
        store.Write(S::History(n + 1), store.Read(S::History(n)));
    store.Write(S::History(1), text);
}

void TFRM_QRY_FUNC::storeSearchOptions()
{
    namespace S = Schema::Search;
    SettingsStore store = m_ctx.settings.open();
    store.Write(S::Directions, RGB_Direction->chosenText());
    store.Write(S::Origin, RGB_Origin->chosenText());
    store.Write(S::WholeWordsOnly, CHK_WholeWordsOnly->isChecked() ? kTrue : kFalse);
}

void TFRM_QRY_FUNC::search(const QString& text, const QList<int>& positions)
{
    Query& query = m_window->QRY_Grid();
    SearchRequest request;
    request.text = text;
    request.forward = RGB_Direction->itemIndex() != 1;
    request.entireScope = RGB_Origin->itemIndex() == 1;
    request.wholeWordsOnly = CHK_WholeWordsOnly->isChecked();
    request.positions = positions;
    int found = -1;
    query.disableControls();
    try {
        found = SearchRecords(query, request);
    } catch (const EngineError& e) {
        // The cursor could not move to the match (a pending edit was refused).
        query.enableControls();
        ShowEngineError(m_ctx.desktop, e, this);
        return;
    } catch (const std::exception& e) {
        query.enableControls();
        m_ctx.desktop.messageBox(BoxKind::Error, QString::fromUtf8(e.what()), BoxButtons::Ok, this);
        return;
    }
    if (found < 0)
        m_ctx.desktop.messageBox(BoxKind::Information, kNotFound.arg(text), BoxButtons::Ok, this);
    query.enableControls();
}
