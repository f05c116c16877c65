// The result window: column layout memory, widths stored when drawn, the grid model, editing
// through the grid and navigator, the buttons and the minimise rule.

#include "QueryWindowFixture.h"

#include "query/DataSourceLink.h"
#include "query/DbNavigator.h"
#include "query/ResultGridModel.h"
#include "query/ResultGridView.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/SqliteFile.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

using Schema::QryFields::NameKey;
using Schema::QryFields::WidthKey;

class ResultWindowTest : public QueryWindowTest
{
protected:
    void SetUp() override
    {
        // A small database of our own: known rows, a NOT NULL column to refuse a post.
        file = std::make_unique<SqliteFile>(
            home.dataFolder() + QStringLiteral("/grid.sqlite"),
            QStringLiteral("CREATE TABLE T (A INTEGER PRIMARY KEY, B TEXT NOT NULL, C TEXT);"
                           "INSERT INTO T VALUES (1, 'one', 'x'), (2, 'two', 'y'),"
                           " (3, 'three', 'z');"
                           "CREATE TABLE EMPTY (A INTEGER PRIMARY KEY, B TEXT);"));
        file->writeAlias(QStringLiteral("Grid"));
        open(QStringLiteral("Grid"));
    }

    QStringList columnNames() const
    {
        QStringList names;
        for (int c = 0; c < window->gridModel().columnCount(); ++c)
            names << window->gridModel().field(c).name;
        return names;
    }
    QStringList fieldOrder()
    {
        QStringList names;
        for (int p = 0; p < query().fieldCount(); ++p)
            names << query().field(p).name;
        return names;
    }
    /// Drags a column to a new place as the user does: the header moves its section.
    void dragColumn(int from, int to) { window->DBG_Grid->horizontalHeader()->moveSection(from, to); }
    QString stored(const QString& section, const QString& key)
    {
        return SettingsStore().ReadText(section, key, QStringLiteral("<none>"));
    }
    QString cell(int row, int column) { return window->gridModel().index(row, column).data().toString(); }

    std::unique_ptr<SqliteFile> file;
};

TEST_F(ResultWindowTest, TheWindowFillsItsOwnCountFields)
{
    window->showCounts(14, QStringLiteral("0:00:01.250"));
    EXPECT_EQ(window->EDT_TotalRecords->text(), QStringLiteral("14"));
    EXPECT_EQ(window->EDT_TimeElapsed->text(), QStringLiteral("0:00:01.250"));
    window->clearCounts();
    EXPECT_TRUE(window->EDT_TotalRecords->text().isEmpty());
    EXPECT_TRUE(window->EDT_TimeElapsed->text().isEmpty());
}

TEST_F(ResultWindowTest, LaidOutWithTheGivenNamesAndTexts)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Query Results"));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->size(), QSize(640, 480));
    EXPECT_EQ(window->BBN_GridOptions1->text(), QStringLiteral("Grid Options"));
    EXPECT_EQ(window->BBN_Print->text(), QStringLiteral("Print"));
    EXPECT_EQ(window->BBN_Close->text(), QStringLiteral("Close"));
    EXPECT_EQ(window->LBL_TotalRecords->text(), QStringLiteral("Total Records:"));
    EXPECT_EQ(window->LBL_TimeElapsed->text(), QStringLiteral("Time Elapsed:"));
    EXPECT_TRUE(window->EDT_TotalRecords->isReadOnly());
    EXPECT_TRUE(window->EDT_TimeElapsed->isReadOnly());
    for (const char* name : {"DBG_Grid", "DBN_Grid", "PNL_Query", "EDT_TotalRecords", "EDT_TimeElapsed",
                             "BBN_GridOptions1", "BBN_Print", "BBN_Close"})
        EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    QStringList buttons;
    for (auto* b : window->DBN_Grid->findChildren<QToolButton*>())
        buttons << b->objectName();
    EXPECT_EQ(buttons,
              QStringList({"First", "Prior", "Next", "Last", "Insert", "Delete", "Edit", "Post", "Cancel"}));
    EXPECT_EQ(window->DBG_Grid->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(window->DBG_Grid->font().pointSize(), 8);
}

TEST_F(ResultWindowTest, ModelPassesTheItemModelTesterThroughOpenMoveEditAndClose)
{
    QAbstractItemModelTester tester(&window->gridModel(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    showResult(QStringLiteral("SELECT * FROM T"));
    EXPECT_EQ(window->gridModel().rowCount(), 3);
    EXPECT_EQ(window->gridModel().columnCount(), 3);
    window->gridModel().moveFieldColumn(0, 2);
    EXPECT_EQ(columnNames(), QStringList({"B", "C", "A"}));
    query().setVisible(0, false);
    EXPECT_EQ(columnNames(), QStringList({"C", "A"}));
    EXPECT_TRUE(window->gridModel().setData(window->gridModel().index(0, 0), QStringLiteral("changed")));
    query().post();
    query().last();
    query().insert();
    query().cancel();
    query().close();
    EXPECT_EQ(window->gridModel().rowCount(), 0);
    EXPECT_EQ(window->gridModel().columnCount(), 0);
}

TEST_F(ResultWindowTest, ModelShowsVisibleFieldsOnlyAndTheRecordIndicator)
{
    showResult(QStringLiteral("SELECT A, B, C FROM T"));
    ResultGridModel& m = window->gridModel();
    EXPECT_EQ(cell(1, 1), QStringLiteral("two"));
    EXPECT_EQ(m.headerData(0, Qt::Vertical).toString(), ResultGridModel::kCurrentMark);
    EXPECT_EQ(m.headerData(1, Qt::Vertical).toString(), QString());
    query().setRecNo(2);
    EXPECT_EQ(m.headerData(2, Qt::Vertical).toString(), ResultGridModel::kCurrentMark);
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 2) << "the grid follows the dataset's cursor";
    query().edit();
    EXPECT_EQ(m.headerData(2, Qt::Vertical).toString(), ResultGridModel::kEditMark);
    query().cancel();
    query().insert();
    EXPECT_EQ(m.headerData(2, Qt::Vertical).toString(), ResultGridModel::kInsertMark);
    query().cancel();
    query().setDisplayLabel(1, QStringLiteral("Name"));
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
}

// ---- column layout memory

TEST_F(ResultWindowTest, MovedColumnMovesItsFieldAndStoresTheOrder)
{
    showResult(QStringLiteral("SELECT A, B, C FROM T"));
    window->DBG_Grid->setColumnWidth(0, 71);
    window->DBG_Grid->setColumnWidth(1, 93);
    dragColumn(1, 0);
    EXPECT_EQ(fieldOrder(), QStringList({"B", "A", "C"}));
    EXPECT_EQ(columnNames(), QStringList({"B", "A", "C"}));
    // The header shows the columns in model order: no visual reordering is left behind.
    EXPECT_EQ(window->DBG_Grid->horizontalHeader()->visualIndex(0), 0);
    EXPECT_EQ(window->DBG_Grid->columnWidth(0), 93) << "a width goes with its column";
    EXPECT_EQ(window->DBG_Grid->columnWidth(1), 71);
    EXPECT_EQ(stored(Schema::Section::QrySortOrder, QStringLiteral("A|B|C")), QStringLiteral("B|A|C"));
}

TEST_F(ResultWindowTest, StoredOrderAppliesToTheSameNamesInAnyOrderAndCase)
{
    SettingsStore().WriteText(Schema::Section::QrySortOrder, QStringLiteral("A|B|C"),
                              QStringLiteral("B|A|C"));
    showResult(QStringLiteral("SELECT C, A, B FROM T"));
    EXPECT_EQ(columnNames(), QStringList({"B", "A", "C"}));
    window->hide();
    showResult(QStringLiteral("SELECT C AS c, A AS a, B AS b FROM T"));
    EXPECT_EQ(columnNames(), QStringList({"b", "a", "c"}));
    window->hide();
    // Another set of names keeps the statement's order.
    showResult(QStringLiteral("SELECT C, A FROM T"));
    EXPECT_EQ(columnNames(), QStringList({"C", "A"}));
}

TEST_F(ResultWindowTest, AfterAStoredOrderTheCurrentCellIsInTheLeftmostColumn)
{
    SettingsStore().WriteText(Schema::Section::QrySortOrder, QStringLiteral("A|B|C"),
                              QStringLiteral("C|B|A"));
    showResult(QStringLiteral("SELECT A, B, C FROM T"));
    ASSERT_EQ(columnNames(), QStringList({"C", "B", "A"}));
    EXPECT_EQ(window->DBG_Grid->currentIndex().column(), 0);
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 0);
}

TEST_F(ResultWindowTest, ReadOnlyFieldsShowTheirTextFromTheStartAndWhole)
{
    // Written before the window shows, as the execution does; a long run and a large count.
    window->resize(640, 480);
    window->EDT_TimeElapsed->setText(QStringLiteral("1 mins 5 secs 258 msecs"));
    window->EDT_TotalRecords->setText(QStringLiteral("10000000"));
    showResult(QStringLiteral("SELECT * FROM T"));
    for (QLineEdit* field : {window->EDT_TimeElapsed, window->EDT_TotalRecords}) {
        EXPECT_TRUE(field->isReadOnly());
        EXPECT_EQ(field->cursorPosition(), 0) << "the start is in view";
        EXPECT_EQ(field->toolTip(), field->text());
    }
    // At the default size the longest texts fit whole.
    const QFontMetrics metrics(window->EDT_TimeElapsed->font());
    EXPECT_GE(window->EDT_TimeElapsed->width(),
              metrics.horizontalAdvance(QStringLiteral("23 hrs 59 mins 59 secs 999 msecs")) + 8);
    EXPECT_GE(window->EDT_TotalRecords->width(), metrics.horizontalAdvance(QStringLiteral("2147483647")) + 8);
    window->EDT_TimeElapsed->clear();
    EXPECT_EQ(window->EDT_TimeElapsed->toolTip(), QString());
}

TEST_F(ResultWindowTest, LayoutFollowsAcrossTwoResults)
{
    // First result: move and retitle; the second, same names in another order, shows both.
    execute(QStringLiteral("select a, b, c from t"), [&](TFRM_Query&) {
        dragColumn(2, 0);
        SettingsStore().WriteText(Schema::Section::QryFields, NameKey(QStringLiteral("B")),
                                  QStringLiteral("Name"));
        SettingsStore().WriteNumber(Schema::Section::QryFields, WidthKey(QStringLiteral("B")), 133);
    });
    QStringList order;
    QString title;
    int width = 0;
    execute(QStringLiteral("select b, c, a from t"), [&](TFRM_Query& w) {
        w.FormActivate();
        order = columnNames();
        title = w.gridModel().headerData(order.indexOf(QStringLiteral("B")), Qt::Horizontal).toString();
        width = w.columnWidth(order.indexOf(QStringLiteral("B")));
    });
    EXPECT_EQ(order, QStringList({"C", "A", "B"}));
    EXPECT_EQ(title, QStringLiteral("Name"));
    EXPECT_EQ(width, 133);
}

TEST_F(ResultWindowTest, ActivationAppliesTitlesAndWidthsByFieldNameInAnyCase)
{
    SettingsStore store;
    store.WriteText(Schema::Section::QryFields, NameKey(QStringLiteral("B")), QStringLiteral("Customer"));
    store.WriteNumber(Schema::Section::QryFields, WidthKey(QStringLiteral("B")), 120);
    store.WriteText(Schema::Section::QryFields, WidthKey(QStringLiteral("C")), QStringLiteral("wide"));
    showResult(QStringLiteral("SELECT A AS a, B AS b, C AS c FROM T"));
    const int widthOfC = window->columnWidth(2);
    window->FormActivate();
    ResultGridModel& m = window->gridModel();
    EXPECT_EQ(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("a"));
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Customer"));
    EXPECT_EQ(window->columnWidth(1), 120);
    EXPECT_EQ(window->columnWidth(2), widthOfC) << "a width that is not a number reads as the current one";
}

TEST_F(ResultWindowTest, ShowingAndActivatingTheWindowRestoresTheLayoutByItself)
{
    SettingsStore().WriteText(Schema::Section::QryFields, NameKey(QStringLiteral("C")),
                              QStringLiteral("Code"));
    SettingsStore().WriteText(Schema::Section::QrySortOrder, QStringLiteral("A|B|C"),
                              QStringLiteral("C|B|A"));
    showResult(QStringLiteral("SELECT A, B, C FROM T"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(columnNames(), QStringList({"C", "B", "A"}));
    EXPECT_EQ(window->gridModel().headerData(0, Qt::Horizontal).toString(), QStringLiteral("Code"));
}

TEST_F(ResultWindowTest, EmptyResultStoresNoWidthsButStillGetsTheStoredLayout)
{
    SettingsStore().WriteNumber(Schema::Section::QryFields, WidthKey(QStringLiteral("B")), 140);
    showResult(QStringLiteral("SELECT A, B FROM EMPTY"));
    window->FormActivate();
    window->DBG_Grid->setColumnWidth(0, 77);
    window->grab();
    EXPECT_EQ(window->columnWidth(1), 140);
    EXPECT_EQ(stored(Schema::Section::QryFields, WidthKey(QStringLiteral("A"))), QStringLiteral("<none>"));
}

TEST_F(ResultWindowTest, WidthIsStoredWhenItsCellsAreDrawnAndOnlyWhenChanged)
{
    showResult(QStringLiteral("SELECT A, B, C FROM T"));
    window->FormActivate();
    window->DBG_Grid->setColumnWidth(1, 150);
    window->grab();
    EXPECT_EQ(stored(Schema::Section::QryFields, WidthKey(QStringLiteral("B"))), QStringLiteral("150"));
    EXPECT_EQ(stored(Schema::Section::QryFields, WidthKey(QStringLiteral("A"))),
              QString::number(window->columnWidth(0)));
    // Painting again at the same width writes nothing; a new width is written at the next paint.
    SettingsStore().WriteNumber(Schema::Section::QryFields, WidthKey(QStringLiteral("B")), 99);
    window->grab();
    EXPECT_EQ(stored(Schema::Section::QryFields, WidthKey(QStringLiteral("B"))), QStringLiteral("99"));
    window->DBG_Grid->setColumnWidth(1, 160);
    window->grab();
    EXPECT_EQ(stored(Schema::Section::QryFields, WidthKey(QStringLiteral("B"))), QStringLiteral("160"));
}

TEST_F(ResultWindowTest, CloseStoresThePlacementAndClosesTheDataset)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    window->move(111, 122);
    window->resize(700, 410);
    const QMargins frame = window->windowHandle()->frameMargins();
    window->BBN_Close->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(query().isActive());
    EXPECT_EQ(stored(Schema::Section::Grid, Schema::Placement::Left), QStringLiteral("111"));
    EXPECT_EQ(stored(Schema::Section::Grid, Schema::Placement::Top), QStringLiteral("122"));
    // The frame's size: the inside's and the frame margins around it.
    EXPECT_EQ(stored(Schema::Section::Grid, Schema::Placement::Width),
              QString::number(700 + frame.left() + frame.right()));
    EXPECT_EQ(stored(Schema::Section::Grid, Schema::Placement::Height),
              QString::number(410 + frame.top() + frame.bottom()));
    EXPECT_EQ(stored(Schema::Section::Grid, Schema::Placement::Maximized), QStringLiteral("0"));
}

TEST_F(ResultWindowTest, ClosingByTheTitleBarStoresThePlacementToo)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    window->move(15, 25);
    window->close();
    EXPECT_FALSE(query().isActive());
    EXPECT_EQ(stored(Schema::Section::Grid, Schema::Placement::Left), QStringLiteral("15"));
}

// ---- editing

TEST_F(ResultWindowTest, EditedCellIsPostedWhenTheRowChanges)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    ASSERT_TRUE(query().canModify());
    window->DBG_Grid->setCurrentIndex(window->gridModel().index(1, 1));
    EXPECT_EQ(query().recNo(), 1);
    EXPECT_TRUE(window->gridModel().setData(window->gridModel().index(1, 1), QStringLiteral("deux")));
    EXPECT_EQ(query().state(), Query::State::Edit);
    EXPECT_EQ(cell(1, 1), QStringLiteral("deux"));
    window->DBG_Grid->setCurrentIndex(window->gridModel().index(2, 1));
    EXPECT_EQ(query().state(), Query::State::Browse);
    EXPECT_EQ(query().recNo(), 2);
    EXPECT_EQ(file->scalar(QStringLiteral("SELECT B FROM T WHERE A = 2")), QStringLiteral("deux"));
}

TEST_F(ResultWindowTest, TypingInTheGridEditsTheCellAndTabMovesOn)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->DBG_Grid->setFocus();
    window->DBG_Grid->setCurrentIndex(window->gridModel().index(0, 2));
    QTest::qWait(1);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor, window->DBG_Grid) << "the current cell of a live result has an editor";
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("typed"));
    EXPECT_EQ(query().state(), Query::State::Edit) << "the record enters edit at the first key stroke";
    QTest::keyClick(editor, Qt::Key_Tab);
    // Tab from the last column goes to the next row: the record is posted.
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 1);
    EXPECT_EQ(file->scalar(QStringLiteral("SELECT C FROM T WHERE A = 1")), QStringLiteral("typed"));
}

TEST_F(ResultWindowTest, RefusedPostShowsTheEngineErrorAndKeepsTheRowInEdit)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    window->DBG_Grid->setCurrentIndex(window->gridModel().index(0, 1));
    window->gridModel().setData(window->gridModel().index(0, 1), QString()); // NULL into NOT NULL
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    window->DBG_Grid->setCurrentIndex(window->gridModel().index(2, 1));
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_TRUE(desktop.boxes[0].text.contains(QStringLiteral("NOT NULL"), Qt::CaseInsensitive))
        << desktop.boxes[0].text.toStdString();
    EXPECT_EQ(query().state(), Query::State::Edit);
    EXPECT_EQ(query().recNo(), 0);
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 0);
    // Closing would lose the edit: the post is tried again and, refused, the window stays.
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    window->BBN_Close->click();
    EXPECT_TRUE(window->isVisible());
    // Cancel on the navigator gives the old value back.
    window->DBN_Grid->button(DbNavigator::Button::Cancel)->click();
    EXPECT_EQ(query().state(), Query::State::Browse);
    EXPECT_EQ(cell(0, 1), QStringLiteral("one"));
    EXPECT_EQ(file->scalar(QStringLiteral("SELECT B FROM T WHERE A = 1")), QStringLiteral("one"));
}

TEST_F(ResultWindowTest, DeleteAsksFirst)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    window->DBG_Grid->setCurrentIndex(window->gridModel().index(1, 0));
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Delete record?"), BoxAnswer::No);
    window->DBN_Grid->button(DbNavigator::Button::Delete)->click();
    EXPECT_EQ(file->scalar(QStringLiteral("SELECT COUNT(*) FROM T")), QStringLiteral("3"));
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Delete record?"), BoxAnswer::Yes);
    window->DBN_Grid->button(DbNavigator::Button::Delete)->click();
    EXPECT_EQ(file->scalar(QStringLiteral("SELECT COUNT(*) FROM T WHERE A = 2")), QStringLiteral("0"));
    EXPECT_EQ(window->gridModel().rowCount(), 2);
    EXPECT_EQ(cell(1, 1), QStringLiteral("three"));
}

TEST_F(ResultWindowTest, InsertedRowIsPostedOrDroppedWhenUntouched)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->DBG_Grid->setFocus();
    window->DBN_Grid->button(DbNavigator::Button::Insert)->click();
    EXPECT_EQ(query().state(), Query::State::Insert);
    EXPECT_EQ(window->gridModel().rowCount(), 4);
    // Leaving the grid for another control drops the untouched row.
    window->BBN_Print->setFocus();
    EXPECT_EQ(query().state(), Query::State::Browse);
    EXPECT_EQ(window->gridModel().rowCount(), 3);
    // A row that was filled in is posted by the navigator's Post.
    window->DBG_Grid->setFocus();
    window->DBN_Grid->button(DbNavigator::Button::Insert)->click();
    const int row = query().recNo();
    window->gridModel().setData(window->gridModel().index(row, 0), QStringLiteral("9"));
    window->gridModel().setData(window->gridModel().index(row, 1), QStringLiteral("nine"));
    window->DBN_Grid->button(DbNavigator::Button::Post)->click();
    EXPECT_EQ(query().state(), Query::State::Browse);
    EXPECT_EQ(file->scalar(QStringLiteral("SELECT B FROM T WHERE A = 9")), QStringLiteral("nine"));
}

TEST_F(ResultWindowTest, NavigatorMovesTheCursorAndKnowsWhatIsPossible)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    DbNavigator& nav = *window->DBN_Grid;
    EXPECT_FALSE(nav.button(DbNavigator::Button::First)->isEnabled());
    EXPECT_FALSE(nav.button(DbNavigator::Button::Post)->isEnabled());
    EXPECT_TRUE(nav.button(DbNavigator::Button::Insert)->isEnabled());
    nav.button(DbNavigator::Button::Last)->click();
    EXPECT_EQ(query().recNo(), 2);
    EXPECT_FALSE(nav.button(DbNavigator::Button::Next)->isEnabled());
    nav.button(DbNavigator::Button::Prior)->click();
    EXPECT_EQ(query().recNo(), 1);
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 1);
    nav.button(DbNavigator::Button::Edit)->click();
    EXPECT_EQ(query().state(), Query::State::Edit);
    EXPECT_TRUE(nav.button(DbNavigator::Button::Post)->isEnabled());
    EXPECT_FALSE(nav.button(DbNavigator::Button::Insert)->isEnabled());
    nav.button(DbNavigator::Button::First)->click();
    EXPECT_EQ(query().recNo(), 0);
    EXPECT_EQ(query().state(), Query::State::Browse);
}

TEST_F(ResultWindowTest, ReadOnlyResultOffersNoEditing)
{
    showResult(QStringLiteral("SELECT t1.B, t2.C FROM T t1, T t2 WHERE t1.A = t2.A"));
    ASSERT_FALSE(query().canModify());
    EXPECT_FALSE(window->gridModel().flags(window->gridModel().index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(window->gridModel().setData(window->gridModel().index(0, 0), QStringLiteral("x")));
    EXPECT_FALSE(window->DBN_Grid->button(DbNavigator::Button::Insert)->isEnabled());
    EXPECT_FALSE(window->DBN_Grid->button(DbNavigator::Button::Delete)->isEnabled());
}

// ---- buttons and the minimise rule

TEST_F(ResultWindowTest, GridOptionsAndPrintSayTheyAreNotAvailableUntilHooked)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    desktop.expectBox(BoxKind::Information, QStringLiteral("Grid Options is not available yet."),
                      BoxAnswer::Ok);
    window->BBN_GridOptions1->click();
    desktop.expectBox(BoxKind::Information, QStringLiteral("Print is not available yet."), BoxAnswer::Ok);
    window->BBN_Print->click();

    TFRM_Query* opened = nullptr;
    QString title;
    int fields = -1;
    Query* printed = nullptr;
    const ColumnLayout* layout = nullptr;
    window->setGridOptionsHook([&](TFRM_Query& w) { opened = &w; });
    window->setPrintHook([&](Query& q, const ColumnLayout& l, const QString& t, int n) {
        printed = &q;
        layout = &l;
        title = t;
        fields = n;
    });
    query().setVisible(2, false);
    window->BBN_GridOptions1->click();
    window->BBN_Print->click();
    EXPECT_EQ(opened, window.get());
    EXPECT_EQ(printed, &query());
    EXPECT_EQ(layout, &window->columnLayout());
    EXPECT_EQ(title, QStringLiteral("Query Result"));
    EXPECT_EQ(fields, 2);
}

TEST_F(ResultWindowTest, MinimisingTakesTheWholeApplicationDownExceptOnVersionThree)
{
    showResult(QStringLiteral("SELECT * FROM T"));
    ctx.platformMajorVersion = 6;
    window->showMinimized();
    EXPECT_EQ(desktop.minimizeCount, 1);
    window->showNormal();
    ctx.platformMajorVersion = 3;
    window->showMinimized();
    EXPECT_EQ(desktop.minimizeCount, 1);
    EXPECT_TRUE(window->isMinimized());
}

} // namespace
