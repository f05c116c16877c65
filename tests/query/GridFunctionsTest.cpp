// The grid functions dialog on real results: titles and widths, the search with its history and
// options, and the re-sort through the engine.

#include "QueryWindowFixture.h"

#include "query/DataSourceLink.h"
#include "query/QRY_FUNC.h"
#include "query/RadioGroup.h"
#include "query/RecordSearch.h"
#include "query/ResultGridModel.h"
#include "query/ResultGridView.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/PgServer.h"
#include "support/ProgressCanceller.h"
#include "support/SqliteFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

using namespace Schema;

class GridFunctionsTest : public QueryWindowTest
{
protected:
    void SetUp() override
    {
        file = std::make_unique<SqliteFile>(
            home.dataFolder() + QStringLiteral("/f.sqlite"),
            QStringLiteral(
                "CREATE TABLE P (ID INTEGER PRIMARY KEY, NAME TEXT, CITY TEXT, PAY MONEY, SEEN DATE,"
                " C6 TEXT, C7 TEXT, C8 TEXT, C9 TEXT);"
                "INSERT INTO P VALUES (1, 'JOHN SMITH', 'Oslo', 1234.5, '2024-02-29', '', '', '', NULL),"
                " (2, 'SMITH', 'Rome', 80, '2023-01-01', '', '', '', 'ninth'),"
                " (3, 'Anna Smithers', 'Oslo', 99.99, NULL, '', '', '', NULL),"
                " (4, 'Bob', NULL, NULL, NULL, '', '', '', 'ninth');"
                "CREATE TABLE ORDERS (ORDERNO INTEGER PRIMARY KEY, AMOUNT REAL);"
                "INSERT INTO ORDERS VALUES (1, 5), (2, 50), (3, 20);"
                "CREATE TABLE NONE_HERE (A INTEGER PRIMARY KEY, B TEXT);"));
        file->writeAlias(QStringLiteral("Funcs"));
        open(QStringLiteral("Funcs"));
        func = std::make_unique<TFRM_QRY_FUNC>(ctx);
        ctx.qryFunc = func.get();
        // As start-up wires it.
        window->setGridOptionsHook([this](TFRM_Query& shown) { func->Open(shown); });
    }
    void TearDown() override
    {
        func.reset();
        QueryWindowTest::TearDown();
    }

    /// Opens the statement in the result window and prepares the dialog on it.
    void prepare(const QString& sql)
    {
        showResult(sql);
        func->Prepare(*window);
    }
    void search(const QString& text, bool forward = true, bool entireScope = false, bool wholeWords = true,
                int columnItem = 0)
    {
        func->CBX_TextToFind->setEditText(text);
        func->RGB_Direction->setItemIndex(forward ? 0 : 1);
        func->RGB_Origin->setItemIndex(entireScope ? 1 : 0);
        func->CHK_WholeWordsOnly->setChecked(wholeWords);
        func->RGB_ColumnsToSearch->setItemIndex(columnItem);
        func->BBN_OkClick();
    }
    void expectNotFound(const QString& text)
    {
        desktop.expectBox(BoxKind::Information, QStringLiteral("Text \"%1\" not found").arg(text),
                          BoxAnswer::Ok);
    }
    QString stored(const QString& section, const QString& key)
    {
        return SettingsStore().ReadText(section, key, QStringLiteral("<none>"));
    }
    QString history() const
    {
        SettingsStore store;
        QStringList h;
        for (int n = 1; n <= 5; ++n)
            h << store.ReadText(Section::Search, Search::History(n), QString());
        return h.join(QLatin1Char('|'));
    }

    std::unique_ptr<SqliteFile> file;
    std::unique_ptr<TFRM_QRY_FUNC> func;
};

TEST_F(GridFunctionsTest, SetUpShowsTheColumnsAndTheStoredSearchState)
{
    SettingsStore store;
    store.WriteText(Section::Search, Search::History(1), QStringLiteral("first"));
    store.WriteText(Section::Search, Search::History(3), QStringLiteral("third"));
    prepare(QStringLiteral("SELECT * FROM P"));
    window->setColumnWidth(1, 111);
    func->Prepare(*window);

    EXPECT_EQ(func->windowTitle(), QStringLiteral("Grid Options"));
    EXPECT_TRUE(func->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(func->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(func->PGC_Functions->tabPosition(), QTabWidget::South);
    QTableWidget& grid = *func->SGR_GridOptions;
    EXPECT_EQ(grid.horizontalHeaderItem(0)->text(), QStringLiteral("         COLUMN NAME"));
    EXPECT_EQ(grid.horizontalHeaderItem(1)->text(), QStringLiteral("                     TITLE"));
    EXPECT_EQ(grid.horizontalHeaderItem(2)->text(), QStringLiteral("     WIDTH"));
    EXPECT_EQ(grid.columnWidth(0), 150);
    EXPECT_EQ(grid.columnWidth(1), 186);
    EXPECT_EQ(grid.columnWidth(2), 72);
    ASSERT_EQ(grid.rowCount(), 9);
    EXPECT_EQ(grid.item(1, 0)->text(), QStringLiteral("NAME"));
    EXPECT_FALSE(grid.item(1, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(grid.item(1, 1)->text(), QStringLiteral("NAME"));
    EXPECT_EQ(grid.item(1, 2)->text(), QStringLiteral("111"));

    EXPECT_EQ(func->CBX_SortBy->count(), 9);
    EXPECT_EQ(func->CBX_SortBy->currentIndex(), -1);
    EXPECT_FALSE(func->CBX_SortBy->isEditable());
    EXPECT_EQ(func->RGB_SortBy->chosenText(), QStringLiteral("Ascending"));

    QStringList historyShown;
    for (int i = 0; i < func->CBX_TextToFind->count(); ++i)
        historyShown << func->CBX_TextToFind->itemText(i);
    EXPECT_EQ(historyShown, QStringList({"first", "third"}));
    EXPECT_TRUE(func->CBX_TextToFind->currentText().isEmpty());
    // First use: Forward, From Cursor, whole words checked.
    EXPECT_EQ(func->RGB_Direction->chosenText(), QStringLiteral("Forward"));
    EXPECT_EQ(func->RGB_Origin->chosenText(), QStringLiteral("From Cursor"));
    EXPECT_TRUE(func->CHK_WholeWordsOnly->isChecked());
    // "All Columns" and the first seven titles only.
    EXPECT_EQ(func->RGB_ColumnsToSearch->items(),
              QStringList({"All Columns", "ID", "NAME", "CITY", "PAY", "SEEN", "C6", "C7"}));
    EXPECT_EQ(func->RGB_ColumnsToSearch->itemIndex(), 0);
}

TEST_F(GridFunctionsTest, StoredOptionsAreReadWithExactComparisons)
{
    SettingsStore store;
    store.WriteText(Section::Search, Search::Directions, QStringLiteral("Backward"));
    store.WriteText(Section::Search, Search::Origin, QStringLiteral("entire scope"));
    store.WriteText(Section::Search, Search::WholeWordsOnly, QStringLiteral("FALSE"));
    prepare(QStringLiteral("SELECT * FROM P"));
    EXPECT_EQ(func->RGB_Direction->chosenText(), QStringLiteral("Backward"));
    EXPECT_EQ(func->RGB_Origin->chosenText(), QStringLiteral("From Cursor"));
    EXPECT_FALSE(func->CHK_WholeWordsOnly->isChecked());
    store.WriteText(Section::Search, Search::WholeWordsOnly, QStringLiteral("false"));
    func->Prepare(*window);
    EXPECT_TRUE(func->CHK_WholeWordsOnly->isChecked());
}

TEST_F(GridFunctionsTest, OkAppliesAndStoresEveryTitleAndWidthAndTheOptions)
{
    prepare(QStringLiteral("SELECT ID, NAME, CITY FROM P"));
    func->SGR_GridOptions->item(1, 1)->setText(QStringLiteral("Customer"));
    func->SGR_GridOptions->item(1, 2)->setText(QStringLiteral("120"));
    func->RGB_Origin->setItemIndex(1);
    func->CHK_WholeWordsOnly->setChecked(false);
    func->BBN_OkClick();
    EXPECT_EQ(window->gridModel().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Customer"));
    EXPECT_EQ(window->columnWidth(1), 120);
    EXPECT_EQ(stored(Section::QryFields, QryFields::NameKey(QStringLiteral("NAME"))),
              QStringLiteral("Customer"));
    EXPECT_EQ(stored(Section::QryFields, QryFields::WidthKey(QStringLiteral("NAME"))), QStringLiteral("120"));
    // Unchanged rows are stored too.
    EXPECT_EQ(stored(Section::QryFields, QryFields::NameKey(QStringLiteral("CITY"))), QStringLiteral("CITY"));
    EXPECT_EQ(stored(Section::Search, Search::Directions), QStringLiteral("Forward"));
    EXPECT_EQ(stored(Section::Search, Search::Origin), QStringLiteral("Entire Scope"));
    EXPECT_EQ(stored(Section::Search, Search::WholeWordsOnly), QStringLiteral("FALSE"));
    EXPECT_EQ(history(), QStringLiteral("||||"));

    // The next result with a field of that name, in any case, shows both.
    window->hide();
    showResult(QStringLiteral("SELECT NAME AS name, ID FROM P"));
    window->FormActivate();
    EXPECT_EQ(window->gridModel().headerData(0, Qt::Horizontal).toString(), QStringLiteral("Customer"));
    EXPECT_EQ(window->columnWidth(0), 120);
}

TEST_F(GridFunctionsTest, AWidthFromGridOptionsIsWhatTheReSortAndTheReportSee)
{
    prepare(QStringLiteral("SELECT ID, NAME, CITY FROM P"));
    func->SGR_GridOptions->item(1, 1)->setText(QStringLiteral("Customer"));
    func->SGR_GridOptions->item(1, 2)->setText(QStringLiteral("133"));
    func->CBX_SortBy->setCurrentIndex(2);
    func->BBN_OkClick();
    ASSERT_EQ(query().sql().size(), 2) << "re-sorted";
    EXPECT_EQ(window->columnWidth(1), 133);
    EXPECT_EQ(window->gridModel().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Customer"));
    // What the report reads.
    const QList<ColumnLayout::Column> seen = window->columnLayout().columns({QStringLiteral("NAME")});
    EXPECT_EQ(seen.front().width, 133);
    EXPECT_EQ(seen.front().title, QStringLiteral("Customer"));
}

TEST_F(GridFunctionsTest, PaintingKnowsTheWidthGridOptionsStored)
{
    prepare(QStringLiteral("SELECT ID, NAME, CITY FROM P"));
    window->grab();
    func->SGR_GridOptions->item(1, 2)->setText(QStringLiteral("140"));
    func->BBN_OkClick();
    // Another copy of the program stores its own width; drawing ours again writes nothing.
    SettingsStore().WriteNumber(Section::QryFields, QryFields::WidthKey(QStringLiteral("NAME")), 90);
    window->grab();
    EXPECT_EQ(window->columnWidth(1), 140);
    EXPECT_EQ(stored(Section::QryFields, QryFields::WidthKey(QStringLiteral("NAME"))), QStringLiteral("90"));
    window->setColumnWidth(1, 150);
    window->grab();
    EXPECT_EQ(stored(Section::QryFields, QryFields::WidthKey(QStringLiteral("NAME"))), QStringLiteral("150"));
}

TEST_F(GridFunctionsTest, WidthThatIsNotANumberStopsTheRestOfOk)
{
    prepare(QStringLiteral("SELECT ID, NAME, CITY FROM P"));
    const int nameWidth = window->columnWidth(1);
    func->SGR_GridOptions->item(0, 2)->setText(QStringLiteral("  42"));
    func->SGR_GridOptions->item(1, 1)->setText(QStringLiteral("Who"));
    func->SGR_GridOptions->item(1, 2)->setText(QStringLiteral("12a"));
    func->SGR_GridOptions->item(2, 1)->setText(QStringLiteral("Where"));
    func->CBX_TextToFind->setEditText(QStringLiteral("Bob"));
    desktop.expectBox(BoxKind::Error, QStringLiteral("'12a' is not a valid integer value"), BoxAnswer::Ok);
    func->BBN_OkClick();
    EXPECT_EQ(stored(Section::QryFields, QryFields::WidthKey(QStringLiteral("ID"))), QStringLiteral("42"));
    EXPECT_EQ(stored(Section::QryFields, QryFields::NameKey(QStringLiteral("NAME"))), QStringLiteral("Who"));
    EXPECT_EQ(window->columnWidth(0), 42);
    EXPECT_EQ(window->columnWidth(1), nameWidth);
    EXPECT_EQ(stored(Section::QryFields, QryFields::NameKey(QStringLiteral("CITY"))),
              QStringLiteral("<none>"));
    EXPECT_EQ(stored(Section::Search, Search::Directions), QStringLiteral("<none>"));
    EXPECT_EQ(history(), QStringLiteral("||||"));
    EXPECT_EQ(query().recNo(), 0) << "no search ran";
}

TEST_F(GridFunctionsTest, HistoryKeepsItsOrderAndTakesNewTextsFirst)
{
    prepare(QStringLiteral("SELECT * FROM P"));
    for (const char* text : {"a", "b", "c", "d", "e"}) {
        expectNotFound(QString::fromLatin1(text));
        search(QString::fromLatin1(text));
    }
    EXPECT_EQ(history(), QStringLiteral("e|d|c|b|a"));
    expectNotFound(QStringLiteral("c"));
    search(QStringLiteral("c"));
    EXPECT_EQ(history(), QStringLiteral("e|d|c|b|a")) << "a known text is not moved to the front";
    expectNotFound(QStringLiteral("C"));
    search(QStringLiteral("C"));
    EXPECT_EQ(history(), QStringLiteral("C|e|d|c|b")) << "case counts; the oldest is lost";
}

TEST_F(GridFunctionsTest, WholeWordsAndSubstringsAreCaseSensitive)
{
    prepare(QStringLiteral("SELECT * FROM P"));
    search(QStringLiteral("SMITH"), true, true, true);
    EXPECT_EQ(query().recNo(), 1) << "whole words: JOHN SMITH does not match, SMITH does";
    expectNotFound(QStringLiteral("smith"));
    search(QStringLiteral("smith"), true, true, true);
    EXPECT_EQ(query().recNo(), 1) << "the cursor stays";
    search(QStringLiteral("MIT"), true, true, false);
    EXPECT_EQ(query().recNo(), 0);
    search(QStringLiteral("mit"), true, true, false);
    EXPECT_EQ(query().recNo(), 2) << "mit is not in SMITH, only in Smithers";
}

TEST_F(GridFunctionsTest, FromCursorStepsThroughTheMatchesWithoutWrapping)
{
    prepare(QStringLiteral("SELECT * FROM P"));
    search(QStringLiteral("Oslo"), true, false, true);
    EXPECT_EQ(query().recNo(), 2) << "from the first record the search starts at the next";
    expectNotFound(QStringLiteral("Oslo"));
    search(QStringLiteral("Oslo"), true, false, true);
    EXPECT_EQ(query().recNo(), 2);
    search(QStringLiteral("Oslo"), false, false, true);
    EXPECT_EQ(query().recNo(), 0);
    // On the last record a forward search examines that record itself.
    query().last();
    search(QStringLiteral("Bob"), true, false, true);
    EXPECT_EQ(query().recNo(), 3);
    query().first();
    search(QStringLiteral("JOHN SMITH"), false, false, true);
    EXPECT_EQ(query().recNo(), 0);
    search(QStringLiteral("Rome"), false, true, true);
    EXPECT_EQ(query().recNo(), 1);
    EXPECT_EQ(window->DBG_Grid->currentIndex().row(), 1) << "the grid shows the found record";
}

TEST_F(GridFunctionsTest, SingleColumnAndAllColumnsBeyondTheSeventh)
{
    prepare(QStringLiteral("SELECT * FROM P"));
    expectNotFound(QStringLiteral("Oslo"));
    search(QStringLiteral("Oslo"), true, true, true, 2); // item 2 is NAME
    search(QStringLiteral("ninth"), true, true, true, 0);
    EXPECT_EQ(query().recNo(), 1) << "All Columns searches the ninth column too";
}

TEST_F(GridFunctionsTest, MoneyAndDateAreSearchedInTheirPlainText)
{
    prepare(QStringLiteral("SELECT * FROM P"));
    search(QStringLiteral("1234.5"), true, true, true);
    EXPECT_EQ(query().recNo(), 0);
    search(QStringLiteral("2023-01-01"), true, true, true);
    EXPECT_EQ(query().recNo(), 1);
}

TEST_F(GridFunctionsTest, EmptyResultReportsNotFound)
{
    prepare(QStringLiteral("SELECT * FROM NONE_HERE"));
    expectNotFound(QStringLiteral("x"));
    search(QStringLiteral("x"), true, true, false);
}

TEST_F(GridFunctionsTest, SortReopensInTheEngineWithTheFirstRecordCurrent)
{
    prepare(QStringLiteral("SELECT ID, NAME, CITY FROM P"));
    query().setRecNo(2);
    func->CBX_SortBy->setCurrentIndex(2); // CITY
    func->RGB_SortBy->setItemIndex(1);
    func->CBX_FinallyBy->setCurrentIndex(0); // ID
    func->BBN_OkClick();
    EXPECT_EQ(query().sql(), QStringList({"SELECT ID, NAME, CITY FROM P", " ORDER BY CITY DESC, ID ASC"}));
    ASSERT_TRUE(query().isActive());
    EXPECT_EQ(query().recNo(), 0);
    EXPECT_EQ(window->gridModel().index(0, 2).data().toString(), QStringLiteral("Rome"));
    EXPECT_EQ(window->gridModel().index(1, 0).data().toString(), QStringLiteral("1"));
    EXPECT_EQ(window->gridModel().index(3, 2).data().toString(), QString()) << "NULL sorts last descending";
}

TEST_F(GridFunctionsTest, SortKeepsHiddenFieldsHiddenAndPutsTitlesBack)
{
    SettingsStore().WriteText(Section::QryFields, QryFields::NameKey(QStringLiteral("NAME")),
                              QStringLiteral("Who"));
    prepare(QStringLiteral("SELECT ID, NAME, CITY FROM P"));
    query().setVisible(2, false);
    func->Prepare(*window);
    func->CBX_SortBy->setCurrentIndex(1);
    func->SGR_GridOptions->item(0, 1)->setText(QStringLiteral("Number"));
    func->BBN_OkClick();
    EXPECT_EQ(window->columnCount(), 2);
    EXPECT_EQ(window->gridModel().headerData(0, Qt::Horizontal).toString(), QStringLiteral("Number"));
    EXPECT_EQ(window->gridModel().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Who"));
    EXPECT_EQ(window->gridModel().index(0, 1).data().toString(), QStringLiteral("Anna Smithers"));
}

TEST_F(GridFunctionsTest, SortOfTheOrdersTableAndOfALowerCaseOrderBy)
{
    prepare(QStringLiteral("SELECT * FROM ORDERS order by ORDERNO"));
    func->CBX_SortBy->setCurrentIndex(1);
    func->RGB_SortBy->setItemIndex(1);
    func->BBN_OkClick();
    ASSERT_TRUE(query().isActive());
    EXPECT_EQ(query().sql(), QStringList({"SELECT * FROM ORDERS  ORDER BY AMOUNT DESC"}));
    EXPECT_EQ(window->gridModel().index(0, 1).data().toString(), QStringLiteral("50.0"));
}

TEST_F(GridFunctionsTest, SortKeepsTheLimitAndDropsTheSemicolon)
{
    // The same two rows in the new order, not the first two of the table in it.
    prepare(QStringLiteral("SELECT ID, NAME FROM P ORDER BY ID LIMIT 2 ; -- two"));
    func->CBX_SortBy->setCurrentIndex(1);
    func->RGB_SortBy->setItemIndex(0);
    func->BBN_OkClick();
    ASSERT_TRUE(query().isActive());
    EXPECT_EQ(query().sql(), QStringList({"SELECT * FROM (", "SELECT ID, NAME FROM P ORDER BY ID LIMIT 2",
                                          ") AS shown_rows ORDER BY NAME ASC"}));
    EXPECT_EQ(window->gridModel().rowCount(), 2);
    EXPECT_EQ(window->gridModel().index(0, 1).data().toString(), QStringLiteral("JOHN SMITH"));
    EXPECT_EQ(window->gridModel().index(1, 1).data().toString(), QStringLiteral("SMITH"));
}

TEST_F(GridFunctionsTest, SortByANameThatNeedsQuotes)
{
    prepare(QStringLiteral("SELECT NAME AS \"Full Name\", CITY AS \"order\" FROM P"));
    func->CBX_SortBy->setCurrentIndex(0);
    func->RGB_SortBy->setItemIndex(1);
    func->CBX_ThenBy->setCurrentIndex(1);
    func->BBN_OkClick();
    EXPECT_TRUE(desktop.boxes.empty());
    ASSERT_TRUE(query().isActive());
    EXPECT_EQ(query().sql().last(), QStringLiteral(" ORDER BY \"Full Name\" DESC, \"order\" ASC"));
    EXPECT_EQ(query().valueText(0, 0), QStringLiteral("SMITH"));
}

TEST_F(GridFunctionsTest, SortTheEngineRefusesShowsItsErrorAndKeepsTheResult)
{
    prepare(QStringLiteral("SELECT NAME, CITY FROM P WHERE ID < 4"));
    const QStringList before = query().sql();
    window->DBG_Grid->horizontalHeader()->moveSection(1, 0);
    const auto fieldNames = [this] {
        QStringList names;
        for (int p = 0; p < query().fieldCount(); ++p)
            names << query().field(p).name;
        return names;
    };
    const QStringList fieldsBefore = fieldNames();
    // The table goes away under the open result: the re-sorted statement cannot run.
    file->exec(QStringLiteral("DROP TABLE P"));
    func->CBX_SortBy->setCurrentIndex(0);
    func->CBX_TextToFind->setEditText(QStringLiteral("Oslo"));
    desktop.expectBox(BoxKind::Error, QStringLiteral("no such table: P"), BoxAnswer::Ok);
    func->BBN_OkClick();
    ASSERT_TRUE(query().isActive());
    EXPECT_EQ(query().sql(), before);
    EXPECT_EQ(window->gridModel().rowCount(), 3);
    EXPECT_EQ(query().valueText(2, query().findField(QStringLiteral("NAME"))),
              QStringLiteral("Anna Smithers"));
    EXPECT_EQ(fieldNames(), fieldsBefore) << "the columns stay as they were";
    EXPECT_EQ(stored(Section::Search, Search::Directions), QStringLiteral("<none>"));
    EXPECT_EQ(history(), QStringLiteral("||||"));
}

TEST_F(GridFunctionsTest, ALongSortShowsTheProgressWindowAndCancelKeepsTheResult)
{
    // The same statement turns slow once the limit it counts to is raised: the first open is
    // quick, the re-sorted run counts to a billion.
    file->exec(QStringLiteral("CREATE TABLE LIM (N INTEGER); INSERT INTO LIM VALUES (3);"));
    prepare(QStringLiteral(
        "SELECT NAME, (WITH RECURSIVE C(K) AS (SELECT 1 UNION ALL SELECT K + 1 FROM C "
        "WHERE K < (SELECT N FROM LIM)) SELECT count(*) FROM C) AS TOTAL FROM P WHERE ID < 4"));
    ASSERT_EQ(query().recordCount(), 3);
    const QStringList before = query().sql();
    file->exec(QStringLiteral("UPDATE LIM SET N = 1000000000"));

    const ProgressCanceller canceller;
    func->CBX_SortBy->setCurrentIndex(0);
    desktop.expectBox(BoxKind::Error, QStringLiteral("interrupted"), BoxAnswer::Ok);
    func->BBN_OkClick();
    EXPECT_TRUE(canceller.cancelled()) << "no progress window";
    ASSERT_TRUE(query().isActive());
    EXPECT_EQ(query().sql(), before);
    EXPECT_EQ(window->gridModel().rowCount(), 3);
    EXPECT_EQ(query().valueText(0, query().findField(QStringLiteral("TOTAL"))), QStringLiteral("3"));
}

TEST_F(GridFunctionsTest, SortKeepsEveryParameterValue)
{
    QStringList markers;
    Query& q = query();
    q.close();
    window->DSC_Grid->setDataSet(&q);
    for (int i = 0; i < 25; ++i)
        markers << QStringLiteral(":P%1").arg(i);
    q.clearSql();
    q.addSql(
        QStringLiteral("SELECT ID, NAME FROM P WHERE NAME IN (%1) ").arg(markers.join(QLatin1Char(','))));
    for (int i = 0; i < 25; ++i)
        q.setParamAsString(i, i == 24  ? QStringLiteral("Bob")
                              : i == 3 ? QStringLiteral("SMITH")
                                       : QStringLiteral("-"));
    q.open();
    window->show();
    func->Prepare(*window);
    func->CBX_SortBy->setCurrentIndex(1);
    func->RGB_SortBy->setItemIndex(1);
    func->BBN_OkClick();
    ASSERT_TRUE(q.isActive());
    EXPECT_EQ(q.recordCount(), 2);
    EXPECT_EQ(q.paramAsText(24), QStringLiteral("Bob"));
    EXPECT_EQ(window->gridModel().index(0, 1).data().toString(), QStringLiteral("SMITH"));
}

TEST_F(GridFunctionsTest, CancelAppliesNothing)
{
    prepare(QStringLiteral("SELECT ID, NAME FROM P"));
    func->SGR_GridOptions->item(1, 1)->setText(QStringLiteral("Changed"));
    func->CBX_SortBy->setCurrentIndex(0);
    func->BBN_Cancel->click();
    EXPECT_EQ(window->gridModel().headerData(1, Qt::Horizontal).toString(), QStringLiteral("NAME"));
    EXPECT_EQ(stored(Section::QryFields, QryFields::NameKey(QStringLiteral("NAME"))),
              QStringLiteral("<none>"));
    EXPECT_EQ(query().sql(), QStringList({"SELECT ID, NAME FROM P"}));
}

TEST_F(GridFunctionsTest, GridOptionsButtonOpensTheDialogModally)
{
    showResult(QStringLiteral("SELECT ID, NAME FROM P"));
    bool opened = false;
    QTimer::singleShot(0, [&] {
        opened = QApplication::activeModalWidget() == func.get();
        func->SGR_GridOptions->item(1, 1)->setText(QStringLiteral("Person"));
        func->BBN_Ok->click();
    });
    window->BBN_GridOptions1->click();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(func->isVisible());
    EXPECT_EQ(window->gridModel().headerData(1, Qt::Horizontal).toString(), QStringLiteral("Person"));
}

class ReSortOnPostgres : public QueryWindowTest
{
protected:
    void SetUp() override
    {
        PgServer& pg = PgServer::instance();
        if (!pg.running())
            GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
        pg.psql(QStringLiteral(
            "DROP TABLE IF EXISTS people; CREATE TABLE people (id int PRIMARY KEY, name text, city text);"
            "INSERT INTO people VALUES (1, 'Ann', 'Oslo'), (2, 'Bob', 'Rome'), (3, 'Cy', 'Oslo');"));
        pg.writeAlias(QStringLiteral("PG"));
        open(QStringLiteral("PG"),
             {QStringLiteral("USER NAME=") + pg.user(), QStringLiteral("PASSWORD=") + pg.password()});
        func = std::make_unique<TFRM_QRY_FUNC>(ctx);
    }
    void TearDown() override
    {
        func.reset();
        QueryWindowTest::TearDown();
    }
    std::unique_ptr<TFRM_QRY_FUNC> func;
};

TEST_F(ReSortOnPostgres, ParameterisedStatementKeepsItsValue)
{
    desktop.expectInput(QStringLiteral("oslo"));
    QStringList names;
    execute(QStringLiteral("select id, name from people where city = initcap(:city)"), [&](TFRM_Query& w) {
        func->Prepare(w);
        func->CBX_SortBy->setCurrentIndex(1);
        func->RGB_SortBy->setItemIndex(1);
        func->BBN_OkClick();
        for (int r = 0; r < w.gridModel().rowCount(); ++r)
            names << w.gridModel().index(r, 1).data().toString();
    });
    EXPECT_EQ(names, QStringList({"Cy", "Ann"}));
}

TEST_F(ReSortOnPostgres, QuotedMixedCaseNamesAndALimitSort)
{
    QStringList names;
    QStringList sql;
    execute(QStringLiteral("select name as \"Full Name\", city as \"City\" from people order by id limit 2;"),
            [&](TFRM_Query& w) {
                func->Prepare(w);
                func->CBX_SortBy->setCurrentIndex(0);
                func->RGB_SortBy->setItemIndex(1);
                func->BBN_OkClick();
                sql = query().sql();
                for (int r = 0; r < w.gridModel().rowCount(); ++r)
                    names << w.gridModel().index(r, 0).data().toString();
            });
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_EQ(sql,
              QStringList({"SELECT * FROM (",
                           "SELECT NAME AS \"Full Name\", CITY AS \"City\" FROM PEOPLE ORDER BY ID LIMIT 2",
                           ") AS shown_rows ORDER BY \"Full Name\" DESC"}));
    EXPECT_EQ(names, QStringList({"Bob", "Ann"})) << "the rows the limit picked, in the new order";
}

} // namespace
