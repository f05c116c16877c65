// The SQL history through the real program: statements run from the main window, the window
// opened by its key, the filter typed and a statement taken back into the editor.
#include "ProgramFixture.h"
#include "app/HistoryWindow.h"
#include "query/SqlHistory.h"
#include "query/SqlHistoryModel.h"
#include "query/query.h"
#include "support/ModalAnswer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString kSelect = QStringLiteral("select ename from emp where ename = :who");
const QString kFailing = QStringLiteral("select * from no_such_table");
const QString kUpdate = QStringLiteral("update emp set ename = ename where deptno = -1");
const QString kUpdated = QStringLiteral("SQL executed successfully\r0 rows were affected.");
const QString kSecret = QStringLiteral("SECRET-VALUE-42");

class SqlHistoryWindowTest : public ProgramTest
{
protected:
    void startAndLogIn()
    {
        start();
        logIntoSample();
        ASSERT_TRUE(main().isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    }
    QPlainTextEdit& editor() const { return *main().REDT_QueryTool; }
    HistoryWindow& history() const { return startup->historyWindow(); }

    /// Runs the editor's text with the tool bar button; a result window is closed at once.
    void execute(const QString& sql, bool showsRows)
    {
        editor().setPlainText(sql);
        if (showsRows)
            WhenModal([this](QWidget*) { ctx.query->BBN_Close->click(); });
        main().BBN_ExecuteSQL->click();
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
        QTest::qWait(20);
    }
    QString historyPath() const { return home.dataFolder() + QStringLiteral("/VEMRA/history.sqlite3"); }
    QString shown(int row, int column) const
    {
        return history().model().data(history().model().index(row, column)).toString();
    }
};

TEST_F(SqlHistoryWindowTest, EveryExecutionIsKeptAndComesBackIntoTheEditor)
{
    startAndLogIn();
    desktop.expectInput(kSecret);
    execute(kSelect, true);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    execute(kFailing, false);
    desktop.expectBox(BoxKind::Information, kUpdated, BoxAnswer::Ok);
    execute(kUpdate, false);

    editor().setPlainText(QStringLiteral("-- picked:\n"));
    editor().moveCursor(QTextCursor::End);
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    editor().setFocus();
    EXPECT_EQ(main().MI_SQLHistory->text(), QStringLiteral("SQL &History"));
    press(Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(history().isVisible());
    EXPECT_EQ(history().windowTitle(), QStringLiteral("SQL History"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&history()));
    EXPECT_EQ(QApplication::focusWidget(), history().EDT_Filter);

    // Newest first, each with its source, user and outcome.
    using M = SqlHistoryModel;
    ASSERT_EQ(history().model().rowCount(), 3);
    EXPECT_EQ(shown(0, M::kStatement), kUpdate);
    EXPECT_EQ(shown(0, M::kResult), QStringLiteral("0 affected"));
    EXPECT_EQ(shown(1, M::kStatement), kFailing);
    EXPECT_TRUE(shown(1, M::kResult).contains(QStringLiteral("no such table")))
        << shown(1, M::kResult).toStdString();
    EXPECT_EQ(shown(2, M::kStatement), kSelect);
    EXPECT_EQ(shown(2, M::kResult), QStringLiteral("0 rows"));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(shown(row, M::kDataSource), QStringLiteral("Sample"));
        EXPECT_EQ(shown(row, M::kUser), QStringLiteral("scott"));
    }

    // Typed into the filter box, narrowing as it goes; Return takes the row it leaves.
    QTest::keyClicks(history().EDT_Filter, QStringLiteral("emp"));
    EXPECT_EQ(history().model().rowCount(), 2);
    QTest::keyClicks(history().EDT_Filter, QStringLiteral(" who"));
    ASSERT_EQ(history().model().rowCount(), 1);
    press(Qt::Key_Return);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("-- picked:\n") + kSelect);
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &main(); }));

    // A double-click on another row puts it at the cursor as well.
    history().EDT_Filter->clear();
    editor().insertPlainText(QStringLiteral("\n"));
    QTableView& grid = *history().GRD_History;
    const QRect cell = grid.visualRect(history().model().index(0, M::kStatement));
    // The first click of a double-click, as a person's comes.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(editor().toPlainText(),
              QStringLiteral("-- picked:\n") + kSelect + QStringLiteral("\n") + kUpdate);

    // The file holds the statement with its marker, never the value typed for it or the password.
    QByteArray stored;
    for (const char* suffix : {"", "-wal"}) {
        QFile file(historyPath() + QString::fromLatin1(suffix));
        if (file.open(QIODevice::ReadOnly))
            stored += file.readAll();
    }
    EXPECT_TRUE(stored.contains(kSelect.toUtf8()));
    EXPECT_FALSE(stored.contains(kSecret.toUtf8()));
    EXPECT_FALSE(stored.contains("tiger"));
    desktop.verify();
}

TEST_F(SqlHistoryWindowTest, AHistoryThatFailsIsToldOnceAndNeverStopsAStatement)
{
    // A folder where the file should be: nothing can be written.
    ASSERT_TRUE(QDir().mkpath(historyPath()));
    startAndLogIn();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    for (int run = 0; run < 2; ++run) {
        desktop.expectBox(BoxKind::Information, kUpdated, BoxAnswer::Ok);
        execute(kUpdate, false);
    }
    desktop.verify();
    ASSERT_EQ(desktop.boxes.size(), 3u);
    EXPECT_TRUE(desktop.boxes[0].text.startsWith(QStringLiteral("The SQL history file ") + historyPath()))
        << desktop.boxes[0].text.toStdString();
    EXPECT_EQ(desktop.boxes[1].text, kUpdated);
    EXPECT_EQ(desktop.boxes[2].text, kUpdated);

    // Once the file can be written again, the next statement is kept.
    ASSERT_TRUE(QDir(historyPath()).removeRecursively());
    desktop.expectBox(BoxKind::Information, kUpdated, BoxAnswer::Ok);
    execute(kUpdate, false);
    ASSERT_EQ(SqlHistory(historyPath()).newestFirst().size(), 1u);
    desktop.verify();
}

} // namespace
