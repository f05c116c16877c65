// Results leaving the real result window: cells chosen with the keys and the mouse, copied to the
// clipboard with and without titles, the context menu, the CSV export read back from its file,
// and the NULL marker that is drawn but never part of a cell's text.

#include "QueryWindowFixture.h"

#include "platform/LongWork.h"
#include "query/CellPaintDelegate.h"
#include "query/RecordSearch.h"
#include "query/ResultGridModel.h"
#include "query/ResultGridView.h"
#include "support/FileSizeLimit.h"
#include "support/SqliteFile.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

/// Awkward values: a comma, quotes, a line break, a tab, NULLs, an empty text, non-ASCII text.
const QString kScript =
    QStringLiteral("CREATE TABLE T (ID INTEGER PRIMARY KEY, V TEXT, W TEXT);"
                   "INSERT INTO T VALUES (1, 'a,b', 'say \"hi\"'), (2, 'two' || char(10) || 'lines', NULL),"
                   " (3, 'K\u00F6ln \u20AC', ''), (4, 'tab' || char(9) || 'here', 'x');");

const QString kAllWithTitles = QStringLiteral("ID\tV\tW\n"
                                              "1\ta,b\t\"say \"\"hi\"\"\"\n"
                                              "2\t\"two\nlines\"\t\n"
                                              "3\tK\u00F6ln \u20AC\t\n"
                                              "4\t\"tab\there\"\tx");

class ResultTransferTest : public QueryWindowTest
{
protected:
    void SetUp() override
    {
        file = std::make_unique<SqliteFile>(home.dataFolder() + QStringLiteral("/transfer.sqlite"), kScript);
        file->writeAlias(QStringLiteral("Transfer"));
        open(QStringLiteral("Transfer"));
        showResult(QStringLiteral("SELECT ID, V, W FROM T ORDER BY ID"));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QGuiApplication::clipboard()->clear();
    }

    /// Makes (row, column) current and the only cell chosen, as a plain click does, and returns
    /// its editor. (The view's own setCurrentIndex would read the modifier keys an earlier test
    /// left pressed.)
    QLineEdit* enterCell(int row, int column)
    {
        window->DBG_Grid->setFocus();
        window->DBG_Grid->selectionModel()->setCurrentIndex(window->gridModel().index(row, column),
                                                            QItemSelectionModel::ClearAndSelect);
        QTest::qWait(1);
        return qobject_cast<QLineEdit*>(QApplication::focusWidget());
    }
    /// A key as the user presses it: to whatever has the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    QString clipboard() const { return QGuiApplication::clipboard()->text(); }
    QRect cellRect(int row, int column) const
    {
        return window->DBG_Grid->visualRect(window->gridModel().index(row, column));
    }
    QByteArray readFile(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(path);
        return f.readAll();
    }

    std::unique_ptr<SqliteFile> file;
    QTemporaryDir dir;
};

TEST_F(ResultTransferTest, ShiftArrowsFromTheCellChooseARangeThatCtrlCCopies)
{
    QLineEdit* editor = enterCell(0, 1);
    ASSERT_NE(editor, nullptr) << "the current cell of a live result has an editor";
    press(Qt::Key_Down, Qt::ShiftModifier);
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(window->DBG_Grid->currentIndex(), window->gridModel().index(2, 2));
    EXPECT_EQ(window->DBG_Grid->selectionModel()->selectedIndexes().size(), 6);
    EXPECT_EQ(query().recNo(), 2) << "the record follows the current cell";

    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), QStringLiteral("a,b\t\"say \"\"hi\"\"\"\n\"two\nlines\"\t\nK\u00F6ln \u20AC\t"));
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard(),
              QStringLiteral("V\tW\na,b\t\"say \"\"hi\"\"\"\n\"two\nlines\"\t\nK\u00F6ln \u20AC\t"));
    EXPECT_EQ(query().state(), Query::State::Browse) << "choosing and copying edits nothing";
}

TEST_F(ResultTransferTest, CtrlAChoosesEveryCellAndCopyFollowsTheGridsColumns)
{
    QLineEdit* editor = enterCell(1, 1);
    ASSERT_NE(editor, nullptr);
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window->DBG_Grid->selectionModel()->selectedIndexes().size(), 12);
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard(), kAllWithTitles);

    // A title of the user's, a moved column and a hidden one: copy goes as the grid shows.
    query().setDisplayLabel(2, QStringLiteral("Remark"));
    window->DBG_Grid->horizontalHeader()->moveSection(2, 0);
    query().setVisible(query().findField(QStringLiteral("ID")), false);
    ASSERT_EQ(window->gridModel().columnCount(), 2);
    enterCell(0, 0);
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard(), QStringLiteral("Remark\tV\n\"say \"\"hi\"\"\"\ta,b\n\t\"two\nlines\"\n\tK\u00F6ln "
                                          "\u20AC\nx\t\"tab\there\""));
}

TEST_F(ResultTransferTest, MouseChoosesCellsAndSeparateRangesLeaveGapsWhenCopied)
{
    enterCell(0, 0);
    QTest::mouseClick(window->DBG_Grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      cellRect(1, 1).center());
    EXPECT_EQ(window->DBG_Grid->selectionModel()->selectedIndexes().size(), 4);
    QTest::mouseClick(window->DBG_Grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      cellRect(3, 2).center());
    EXPECT_EQ(window->DBG_Grid->selectionModel()->selectedIndexes().size(), 5);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), QStringLiteral("1\ta,b\t\n2\t\"two\nlines\"\t\n\t\tx"));
}

TEST_F(ResultTransferTest, DraggingChoosesCellsAndAClickIntoThemChoosesOneAgain)
{
    enterCell(0, 0);
    QWidget* cells = window->DBG_Grid->viewport();
    QTest::mousePress(cells, Qt::LeftButton, {}, cellRect(1, 0).center());
    QTest::mouseMove(cells, cellRect(2, 1).center());
    QTest::mouseMove(cells, cellRect(3, 1).center());
    QTest::mouseRelease(cells, Qt::LeftButton, {}, cellRect(3, 1).center());
    EXPECT_EQ(window->DBG_Grid->selectionModel()->selectedIndexes().size(), 6);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), QStringLiteral("2\t\"two\nlines\"\n3\tK\u00F6ln \u20AC\n4\t\"tab\there\""));
    EXPECT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr)
        << "once the button is up the current cell has its editor";

    QTest::mouseClick(cells, Qt::LeftButton, {}, cellRect(2, 0).center());
    EXPECT_EQ(window->DBG_Grid->selectionModel()->selectedIndexes(),
              QModelIndexList{window->gridModel().index(2, 0)});
    EXPECT_EQ(query().recNo(), 2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("3"));
}

TEST_F(ResultTransferTest, OnceTypedIntoTheCellKeepsItsOwnKeys)
{
    QLineEdit* editor = enterCell(0, 1);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("new"));
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("new")) << "Ctrl+A selects the typed text";
    EXPECT_EQ(window->DBG_Grid->selectionModel()->selectedIndexes().size(), 1);
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard(), QStringLiteral("new")) << "Ctrl+C copies the editor's selected text";
    press(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(window->DBG_Grid->currentIndex(), window->gridModel().index(0, 1));
    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    EXPECT_EQ(query().state(), Query::State::Browse);
}

TEST_F(ResultTransferTest, ContextMenuOnTheCellOffersCopyAndExport)
{
    QLineEdit* editor = enterCell(2, 1);
    ASSERT_NE(editor, nullptr);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2), editor->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(editor, &menuKey);
    ASSERT_TRUE(window->PMN_Grid->isVisible()) << "the grid's menu, not the editor's own";
    QStringList entries;
    for (const QAction* a : window->PMN_Grid->actions()) {
        if (!a->isSeparator())
            entries << a->text();
    }
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Copy"), QStringLiteral("Copy with Titles"),
                                    QStringLiteral("Export to CSV...")}));
    EXPECT_EQ(window->MI_CopyWithTitles->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    window->MI_CopyWithTitles->trigger();
    window->PMN_Grid->hide();
    EXPECT_EQ(clipboard(), QStringLiteral("V\nK\u00F6ln \u20AC"));
    window->MI_Copy->trigger();
    EXPECT_EQ(clipboard(), QStringLiteral("K\u00F6ln \u20AC"));
}

TEST_F(ResultTransferTest, ExportWritesTheWholeResultAsCsvToTheFileChosen)
{
    enterCell(0, 0); // one cell chosen: the export still takes every row
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    desktop.expectSaveFile(path);
    window->MI_ExportCSV->trigger();
    ASSERT_EQ(desktop.saveRequests.size(), 1u);
    const FileDialogRequest& asked = desktop.saveRequests.back();
    EXPECT_EQ(asked.filter, QStringLiteral("CSV files (*.csv)|*.csv"));
    EXPECT_EQ(asked.fileName, QStringLiteral("Query Result.csv"));
    EXPECT_EQ(asked.defaultExtension, QStringLiteral("csv"));
    EXPECT_TRUE(asked.confirmOverwrite);
    EXPECT_EQ(readFile(path), QStringLiteral("ID,V,W\r\n"
                                             "1,\"a,b\",\"say \"\"hi\"\"\"\r\n"
                                             "2,\"two\nlines\",\r\n"
                                             "3,K\u00F6ln \u20AC,\r\n"
                                             "4,tab\there,x\r\n")
                                  .toUtf8());

    // The next export offers the folder and name chosen; cancelling it writes nothing.
    desktop.expectSaveFile(std::nullopt);
    window->MI_ExportCSV->trigger();
    ASSERT_EQ(desktop.saveRequests.size(), 2u);
    EXPECT_EQ(desktop.saveRequests.back().folder, dir.path() + QLatin1Char('/'));
    EXPECT_EQ(desktop.saveRequests.back().fileName, QStringLiteral("out.csv"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.csv")});
    EXPECT_EQ(desktop.busyDepth, 0);
}

TEST_F(ResultTransferTest, AnExportThatCannotBeWrittenIsReportedAndLeavesNothing)
{
    // A folder where the file should go: the file cannot replace it.
    const QString path = dir.filePath(QStringLiteral("taken.csv"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.csv")));
    desktop.expectSaveFile(path);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    window->MI_ExportCSV->trigger();
    ASSERT_FALSE(desktop.boxes.empty());
    EXPECT_TRUE(desktop.boxes.back().text.contains(path)) << qPrintable(desktop.boxes.back().text);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("taken.csv")});
}

TEST_F(ResultTransferTest, AnExportBeyondTheFileSizeLimitNamesTheReasonAndKeepsTheOldFile)
{
    // Writes past the limit fail as on a full disk; a write cut short there sets no error of
    // its own, so a plain file device has nothing to tell but "Unknown error".
    file->exec(QStringLiteral("CREATE TABLE WIDE AS WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                              "FROM k WHERE i < 5000) SELECT i AS ID, printf('%0100d', i) AS V FROM k"));
    showResult(QStringLiteral("SELECT * FROM WIDE"));
    const QString path = dir.filePath(QStringLiteral("old.csv"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("kept\r\n");
    }
    for (const rlim_t room : {rlim_t(100'000), rlim_t(0)}) {
        SCOPED_TRACE(room);
        desktop.expectSaveFile(path);
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        {
            const FileSizeLimit limit(room);
            window->MI_ExportCSV->trigger();
        }
        ASSERT_EQ(desktop.boxes.size(), 1u);
        EXPECT_EQ(desktop.boxes[0].text,
                  QStringLiteral("The result could not be exported to %1:\nFile too large\n"
                                 "A file that was there before is unchanged.")
                      .arg(path));
        desktop.boxes.clear();
        EXPECT_EQ(readFile(path), QByteArray("kept\r\n"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("old.csv")});
    }
}

TEST_F(ResultTransferTest, ALongExportShowsItsProgressAndCancelLeavesTheOldFile)
{
    file->exec(
        QStringLiteral("CREATE TABLE BIG AS WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                       "FROM k WHERE i < 50000) SELECT i AS ID, printf('%080d', i) AS V, i * 0.5 AS W, "
                       "'a,b' AS X FROM k"));
    showResult(QStringLiteral("SELECT * FROM BIG"));
    const QString path = dir.filePath(QStringLiteral("old.csv"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("kept\r\n");
    }
    // Runs whenever the export lets events through: first it holds the export past the moment
    // the progress window comes up, then it presses that window's Cancel.
    bool held = false;
    bool cancelled = false;
    QString rowsLine;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (!held) {
            held = true;
            QThread::msleep(LongWork::kShowAfterMs + 100);
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QStringLiteral("FRM_Progress") && w->isVisible() && !cancelled) {
                auto* button = w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"));
                ASSERT_NE(button, nullptr);
                rowsLine = w->findChild<QLabel*>(QStringLiteral("LBL_Rows"))->text();
                cancelled = true;
                button->click();
            }
        }
    });
    cancel.start(0);
    desktop.expectSaveFile(path);
    window->MI_ExportCSV->trigger();
    cancel.stop();
    EXPECT_TRUE(cancelled) << "the progress window came up";
    EXPECT_TRUE(rowsLine.isEmpty() || rowsLine.startsWith(QStringLiteral("Rows written: ")))
        << rowsLine.toStdString();
    EXPECT_EQ(readFile(path), QByteArray("kept\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.csv")});
    EXPECT_TRUE(desktop.boxes.empty()) << "a cancel is no failure";
    EXPECT_EQ(desktop.busyDepth, 0);

    // Not cancelled, the same export replaces the file with every row.
    desktop.expectSaveFile(path);
    window->MI_ExportCSV->trigger();
    const QByteArray written = readFile(path);
    EXPECT_TRUE(written.startsWith("ID,V,W,X\r\n1,00000000"));
    EXPECT_EQ(written.count('\n'), 50001);
}

TEST_F(ResultTransferTest, NullIsMarkedWhereItIsDrawnAndNowhereElse)
{
    const ResultGridModel& model = window->gridModel();
    const QModelIndex null = model.index(1, 2);
    const QModelIndex empty = model.index(2, 2);
    EXPECT_TRUE(null.data(ResultGridModel::NullRole).toBool());
    EXPECT_FALSE(empty.data(ResultGridModel::NullRole).toBool());
    EXPECT_EQ(null.data().toString(), QString());
    EXPECT_EQ(null.data(Qt::EditRole).toString(), QString());

    // Drawn: ink in the NULL cell, none of it darker than the grey; the empty text cell is blank.
    enterCell(0, 0);
    const QImage shot = window->DBG_Grid->viewport()->grab().toImage();
    const auto ink = [&](const QRect& r, int* darkest) {
        int count = 0;
        const QRgb background = shot.pixel(r.right() - 1, r.bottom() - 1);
        for (int y = r.top() + 1; y < r.bottom(); ++y) {
            for (int x = r.left() + 1; x < r.right(); ++x) {
                if (shot.pixel(x, y) != background) {
                    ++count;
                    *darkest = std::min(*darkest, qGray(shot.pixel(x, y)));
                }
            }
        }
        return count;
    };
    int nullInk = 255;
    int textInk = 255;
    EXPECT_GT(ink(cellRect(1, 2), &nullInk), 10) << "the marker is drawn";
    EXPECT_GT(ink(cellRect(3, 2), &textInk), 3);
    EXPECT_GT(nullInk, textInk + 60) << "in grey, not in the text colour";
    int emptyInk = 255;
    EXPECT_EQ(ink(cellRect(2, 2), &emptyInk), 0) << "an empty text is drawn empty";

    // The editor of a NULL cell starts empty; leaving it untouched keeps the NULL.
    QLineEdit* editor = enterCell(1, 2);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QString());
    enterCell(3, 2);
    EXPECT_EQ(file->scalar(QStringLiteral("SELECT W FROM T WHERE ID = 2")), QStringLiteral("NULL"));

    // The search sees the value, not the marker.
    SearchRequest search;
    search.text = CellPaintDelegate::kNullMarker;
    search.entireScope = true;
    search.wholeWordsOnly = false;
    search.positions = {0, 1, 2};
    EXPECT_EQ(SearchRecords(query(), search), -1);
}

} // namespace

namespace {

TEST_F(ResultTransferTest, TheGridHasTheKeysWhenTheWindowComesBack)
{
    // Closed by its button, the window would come back with the button's focus and no grid keys.
    window->BBN_Close->setFocus();
    window->hide();
    window->show();
    window->activateWindow();
    QWidget* focus = window->focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus == window->DBG_Grid || window->DBG_Grid->isAncestorOf(focus))
        << focus->objectName().toStdString();
}

} // namespace
