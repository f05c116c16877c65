// The schema window and the editor's completion in the real program, logged into Sample.
#include "app/SchemaWindow.h"
#include "ProgramFixture.h"
#include "app/EditorCompleter.h"
#include "connection/Connection.h"
#include "connection/DatabaseDriver.h"
#include "connection/RowStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class SchemaWindowTest : public ProgramTest
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        start();
        logIntoSample();
        ASSERT_TRUE(main().isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
        editor().setFocus();
        schema = main().findChild<SchemaWindow*>(QStringLiteral("SchemaWindow"));
        ASSERT_NE(schema, nullptr);
        completer = main().findChild<EditorCompleter*>();
        ASSERT_NE(completer, nullptr);
    }

    QPlainTextEdit& editor() const { return *main().REDT_QueryTool; }

    /// The tree as shown: "name type" per row, children indented, only what is expanded.
    QStringList shown() const
    {
        QStringList rows;
        std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
            rows.append(QString(depth * 2, u' ') + item->text(0) + u' ' + item->text(1));
            if (item->isExpanded()) {
                for (int i = 0; i < item->childCount(); ++i)
                    walk(item->child(i), depth + 1);
            }
        };
        for (int i = 0; i < schema->TRV_Schema->topLevelItemCount(); ++i)
            walk(schema->TRV_Schema->topLevelItem(i), 0);
        return rows;
    }
    QTreeWidgetItem* item(const QString& name) const
    {
        const auto found = schema->TRV_Schema->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    void doubleClick(QTreeWidgetItem* row) const
    {
        QTreeWidget* tree = schema->TRV_Schema;
        tree->scrollToItem(row);
        const QPoint at = tree->visualItemRect(row).center();
        ASSERT_TRUE(tree->viewport()->rect().contains(at));
        // The press that comes before a double-click, as the window system sends it.
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    }
    /// Puts text into the editor with the cursor at its end and presses Ctrl+Space there.
    void completeAfter(const QString& text) const
    {
        editor().setPlainText(text);
        editor().moveCursor(QTextCursor::End);
        editor().setFocus();
        QTest::keyClick(&editor(), Qt::Key_Space, Qt::ControlModifier);
    }
    void execute(const QString& sql) const { ctx.connection->driver().execute(sql, {}); }

    SchemaWindow* schema = nullptr;
    EditorCompleter* completer = nullptr;
};

TEST_F(SchemaWindowTest, F6ListsFiltersAndPutsNamesIntoTheEditor)
{
    QTest::keyClick(&editor(), Qt::Key_F6);
    ASSERT_TRUE(schema->isVisible());
    EXPECT_EQ(schema->windowTitle(), QStringLiteral("Schema"));
    EXPECT_EQ(shown(), (QStringList{"main schema", "  CUSTOMER table", "  DEPT table", "  EMP table",
                                    "  ORDERS table"}));

    // A column's name finds its table; opening the table shows its columns with their types.
    QTest::keyClicks(schema->EDT_SchemaFilter, QStringLiteral("dnAM"));
    EXPECT_EQ(shown(), (QStringList{"main schema", "  DEPT table"}));
    item(QStringLiteral("DEPT"))->setExpanded(true);
    EXPECT_EQ(shown(), (QStringList{"main schema", "  DEPT table", "    DEPTNO INTEGER",
                                    "    DNAME VARCHAR(20)", "    LOC VARCHAR(20)"}));

    editor().setPlainText(QStringLiteral("select  from "));
    QTextCursor cursor = editor().textCursor();
    cursor.setPosition(7);
    editor().setTextCursor(cursor);
    doubleClick(item(QStringLiteral("DNAME")));
    editor().moveCursor(QTextCursor::End);
    doubleClick(item(QStringLiteral("DEPT")));
    EXPECT_EQ(main().editorText(), QStringLiteral("select DNAME from DEPT"));
    EXPECT_TRUE(item(QStringLiteral("DEPT"))->isExpanded()) << "a double-click takes the name only";

    schema->EDT_SchemaFilter->clear();
    EXPECT_EQ(shown().size(), 5);

    // Escape closes it, from the filter box or the list, as the SQL History window.
    QTest::keyClick(schema->EDT_SchemaFilter, Qt::Key_Escape);
    EXPECT_FALSE(schema->isVisible());
    QTest::keyClick(&editor(), Qt::Key_F6);
    QTest::keyClick(schema->TRV_Schema, Qt::Key_Escape);
    EXPECT_FALSE(schema->isVisible());
}

TEST_F(SchemaWindowTest, NamesAreQuotedAndReadAgainOnlyOnRefresh)
{
    QTest::keyClick(&editor(), Qt::Key_F6);
    execute(QStringLiteral("CREATE TABLE \"Line Items\" (\"Item No\" INTEGER, select_count INTEGER)"));
    EXPECT_EQ(item(QStringLiteral("Line Items")), nullptr) << "read once per connection";
    completeAfter(QStringLiteral("select * from lin"));
    EXPECT_EQ(main().editorText(), QStringLiteral("select * from lin"));

    QTest::mouseClick(schema->BBN_SchemaRefresh, Qt::LeftButton);
    ASSERT_NE(item(QStringLiteral("Line Items")), nullptr);
    editor().clear();
    doubleClick(item(QStringLiteral("Line Items")));
    EXPECT_EQ(main().editorText(), QStringLiteral("\"Line Items\""));
    // The one candidate goes in at once, quoted for the engine.
    completeAfter(QStringLiteral("select * from lin"));
    EXPECT_EQ(main().editorText(), QStringLiteral("select * from \"Line Items\""));
    EXPECT_NO_THROW(ctx.connection->driver().fetch(main().editorText(), {}, false));

    // Another connection reads its own tables afresh.
    execute(QStringLiteral("DROP TABLE \"Line Items\""));
    ctx.connection->disconnect();
    EXPECT_EQ(schema->TRV_Schema->topLevelItemCount(), 0);
    ctx.connection->connect();
    completeAfter(QStringLiteral("select * from lin"));
    EXPECT_EQ(main().editorText(), QStringLiteral("select * from lin"));
}

TEST_F(SchemaWindowTest, CtrlSpacePopupNarrowsAsYouTypeAndReturnTakesTheWord)
{
    completeAfter(QStringLiteral("select e"));
    QAbstractItemView* popup = completer->completer()->popup();
    ASSERT_TRUE(popup->isVisible());
    QStringList offered;
    for (int i = 0; i < completer->completer()->completionCount(); ++i) {
        completer->completer()->setCurrentRow(i);
        offered.append(completer->completer()->currentCompletion());
    }
    EXPECT_TRUE(offered.contains(QStringLiteral("EMP")));
    EXPECT_TRUE(offered.contains(QStringLiteral("ENAME")));
    EXPECT_TRUE(offered.contains(QStringLiteral("ELSE"))) << "keywords too";
    EXPECT_FALSE(offered.contains(QStringLiteral("DEPT")));

    QTest::keyClicks(popup, QStringLiteral("na"));
    EXPECT_EQ(main().editorText(), QStringLiteral("select ena"));
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->currentIndex().data().toString(), QStringLiteral("ENAME"));
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(main().editorText(), QStringLiteral("select ENAME")) << "Return takes the word, no line break";

    // Escape leaves the text as typed.
    completeAfter(QStringLiteral("select d"));
    ASSERT_TRUE(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(main().editorText(), QStringLiteral("select d"));
}

} // namespace
