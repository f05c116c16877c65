#include "app/HelpWindow.h"
#include "support/GuiApp.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class HelpWindowTest : public ::testing::Test
{
protected:
    template <typename T> T* child(const char* name)
    {
        T* found = help.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString frontTab()
    {
        auto* tabs = child<QTabWidget>("TAB_Help");
        return tabs->tabText(tabs->currentIndex()).remove(u'&');
    }
    static QListWidgetItem* ItemTitled(QListWidget* list, const QString& title)
    {
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text().startsWith(title))
                return list->item(i);
        }
        return nullptr;
    }

    // Before the window: alone in its process, a case has no application made by an earlier one.
    QApplication& app = GuiApp();
    HelpWindow help;
};

TEST_F(HelpWindowTest, ContentsRequestShowsTheContentsPage)
{
    help.openPage(QStringLiteral("login.html"));
    child<QTabWidget>("TAB_Help")->setCurrentIndex(2);
    help.showContents();
    EXPECT_TRUE(help.isVisible());
    EXPECT_FALSE(help.isModal());
    EXPECT_EQ(help.currentPage(), QStringLiteral("index.html"));
    EXPECT_EQ(frontTab(), QStringLiteral("Contents"));
    EXPECT_TRUE(
        child<QTextBrowser>("BRW_Page")->toPlainText().contains(QStringLiteral("VEMRA Query Tool Help")));
    auto* contents = child<QListWidget>("LST_Contents");
    ASSERT_GT(contents->count(), 10);
    EXPECT_EQ(contents->item(0)->text(), QStringLiteral("Contents"));
    EXPECT_EQ(contents->item(1)->text(), QStringLiteral("Logging in"));

    help.showContext(7);
    EXPECT_EQ(help.currentPage(), QStringLiteral("index.html"));
}

TEST_F(HelpWindowTest, ContentsListOpensPagesAndBackReturns)
{
    help.showContents();
    auto* contents = child<QListWidget>("LST_Contents");
    QListWidgetItem* options = ItemTitled(contents, QStringLiteral("The Options dialog"));
    ASSERT_NE(options, nullptr);
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, contents->visualItemRect(options).center());
    EXPECT_EQ(help.currentPage(), QStringLiteral("options.html"));
    EXPECT_TRUE(
        child<QTextBrowser>("BRW_Page")->toPlainText().contains(QStringLiteral("Maximum Login Retries:")));

    auto* back = child<QToolButton>("BTN_Back");
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(help.currentPage(), QStringLiteral("index.html"));
    child<QToolButton>("BTN_Forward")->click();
    EXPECT_EQ(help.currentPage(), QStringLiteral("options.html"));
    // The list follows the page, whichever way it was reached.
    EXPECT_EQ(contents->currentItem(), options);
    child<QToolButton>("BTN_Contents")->click();
    EXPECT_EQ(help.currentPage(), QStringLiteral("index.html"));
}

TEST_F(HelpWindowTest, FinderRequestPutsTheKeyboardInTheSearch)
{
    help.showContents();
    help.showSearch();
    EXPECT_EQ(frontTab(), QStringLiteral("Search"));
    EXPECT_EQ(help.focusWidget(), child<QLineEdit>("EDT_Search"));
    // The contents page stays in view behind the finder.
    EXPECT_EQ(help.currentPage(), QStringLiteral("index.html"));
}

TEST_F(HelpWindowTest, SearchListsPagesAndOpensThem)
{
    help.showSearch();
    auto* edit = child<QLineEdit>("EDT_Search");
    QTest::keyClicks(edit, QStringLiteral("odbc.ini"));
    QTest::keyClick(edit, Qt::Key_Return);
    auto* results = child<QListWidget>("LST_SearchResults");
    ASSERT_GE(results->count(), 1);
    EXPECT_TRUE(results->item(0)->text().startsWith(QStringLiteral("Defining data sources")));
    EXPECT_TRUE(results->item(0)->text().contains(QStringLiteral("odbc.ini")));
    EXPECT_TRUE(child<QLabel>("LBL_SearchStatus")->text().contains(QStringLiteral("found")));

    QTest::mouseClick(results->viewport(), Qt::LeftButton, {},
                      results->visualItemRect(results->item(0)).center());
    EXPECT_EQ(help.currentPage(), QStringLiteral("datasources.html"));
    // The first match is selected in the page.
    EXPECT_EQ(child<QTextBrowser>("BRW_Page")->textCursor().selectedText().toCaseFolded(),
              QStringLiteral("odbc.ini"));

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("xylophone"));
    child<QPushButton>("BTN_Search")->click();
    EXPECT_EQ(results->count(), 0);
    EXPECT_EQ(child<QLabel>("LBL_SearchStatus")->text(), QStringLiteral("No page contains \"xylophone\"."));
}

TEST_F(HelpWindowTest, IndexFiltersKeywordsAndOpensTheirPage)
{
    help.showContents();
    auto* tabs = child<QTabWidget>("TAB_Help");
    tabs->setCurrentIndex(1);
    auto* filter = child<QLineEdit>("EDT_IndexFilter");
    auto* index = child<QTreeWidget>("LST_Index");
    ASSERT_GT(index->topLevelItemCount(), 50);
    QTest::keyClicks(filter, QStringLiteral("odbc.i"));
    QStringList shown;
    for (int i = 0; i < index->topLevelItemCount(); ++i) {
        if (!index->topLevelItem(i)->isHidden())
            shown.append(index->topLevelItem(i)->text(0));
    }
    EXPECT_EQ(shown, QStringList{QStringLiteral("odbc.ini")});
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(help.currentPage(), QStringLiteral("datasources.html"));

    // A keyword on several pages lists them; choosing it opens the first.
    filter->clear();
    QTreeWidgetItem* shared = nullptr;
    for (int i = 0; i < index->topLevelItemCount() && !shared; ++i) {
        if (index->topLevelItem(i)->text(0).compare(QStringLiteral("Options"), Qt::CaseInsensitive) == 0)
            shared = index->topLevelItem(i);
    }
    ASSERT_NE(shared, nullptr);
    ASSERT_GE(shared->childCount(), 2);
    QTreeWidgetItem* page = shared->child(1);
    index->expandItem(shared);
    index->scrollToItem(page);
    QTest::qWait(0);
    QTest::mouseClick(index->viewport(), Qt::LeftButton, {}, index->visualItemRect(page).center());
    const QString expected = QUrl(page->data(0, Qt::UserRole).toString()).fileName();
    EXPECT_NE(expected, QStringLiteral("datasources.html"));
    EXPECT_EQ(help.currentPage().toStdString(), expected.toStdString());
}

TEST_F(HelpWindowTest, ClosingAndEscapeOnlyHide)
{
    QPointer<HelpWindow> alive(&help);
    help.showContents();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    EXPECT_TRUE(help.close());
    EXPECT_FALSE(help.isVisible());
    help.showContents();
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(alive.isNull());
}

} // namespace
