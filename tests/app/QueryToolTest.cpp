#include "app/HelpSearch.h"
#include "app/HelpWindow.h"
#include "app/StatusPanels.h"
#include "app/main.h"
#include "platform/PlatformVersion.h"
#include "platform/WindowPlacement.h"
#include "settings/ColorValue.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

namespace G = Schema::General;
namespace P = Schema::Placement;
const QString& kGeneral = Schema::Section::General;
const QString& kLocation = Schema::Section::Location;
const QString& kSystem = Schema::Section::System;

class QueryToolTest : public GuiTest
{
protected:
    ~QueryToolTest() override { ctx.queryTool = nullptr; }

    TFRM_QueryTool& make()
    {
        window = std::make_unique<TFRM_QueryTool>(ctx);
        ctx.queryTool = window.get();
        return *window;
    }
    /// Creates and shows the window, as a successful login does.
    TFRM_QueryTool& shown()
    {
        make().show();
        return *window;
    }
    QToolButton* button(const QString& name) const { return window->findChild<QToolButton*>(name); }

    std::unique_ptr<TFRM_QueryTool> window;
};

TEST_F(QueryToolTest, WindowAndToolbarLayout)
{
    TFRM_QueryTool& w = make();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tovak's Query Tool"));
    EXPECT_EQ(w.size(), QSize(640, 480));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(w.font().pointSize(), 10);
    EXPECT_EQ(w.PNL_Top->height(), 82);
    EXPECT_EQ(w.PNL_Top->objectName(), QStringLiteral("PNL_Top"));

    struct Button
    {
        const char* name;
        const char* caption;
        QRect geometry;
    };
    const Button buttons[] = {
        {"BBN_ClearScreen", "Clear Screen", {0, 0, 126, 40}},
        {"BBN_ChangeDataSource", "Change Data Source", {127, 0, 126, 40}},
        {"BBN_ExecuteSQL", "Execute SQL", {254, 0, 126, 40}},
        {"BBN_PrintSQL", "Print SQL", {381, 0, 125, 40}},
        {"BBN_Options", "Options", {507, 0, 125, 40}},
        {"BBN_LoadSQL", "Load SQL", {0, 41, 126, 40}},
        {"BBN_SaveSQL", "Save SQL", {127, 41, 126, 40}},
        {"BBN_Close", "Close", {254, 41, 126, 40}},
        {"BBN_About", "About", {381, 41, 125, 40}},
        {"BBN_Help", "Help", {507, 41, 125, 40}},
    };
    QWidget* previous = nullptr;
    for (const Button& b : buttons) {
        QToolButton* tb = button(QString::fromLatin1(b.name));
        ASSERT_NE(tb, nullptr) << b.name;
        EXPECT_EQ(tb->parentWidget(), w.PNL_Top) << b.name;
        EXPECT_EQ(tb->text(), QString::fromLatin1(b.caption)) << b.name;
        EXPECT_EQ(tb->geometry(), b.geometry) << b.name;
        EXPECT_EQ(tb->toolButtonStyle(), Qt::ToolButtonTextUnderIcon) << b.name;
        EXPECT_EQ(tb->font().family(), QStringLiteral("Arial")) << b.name;
        EXPECT_EQ(tb->font().pointSize(), 8) << b.name;
        EXPECT_EQ(tb->palette().color(QPalette::ButtonText), QColor(Qt::black)) << b.name;
        if (previous) {
            // Tab order: along the first row, then the second.
            QWidget* next = previous->nextInFocusChain();
            while (next && !next->inherits("QToolButton"))
                next = next->nextInFocusChain();
            EXPECT_EQ(next, tb) << b.name;
        }
        previous = tb;
    }
}

TEST_F(QueryToolTest, EditorAndStatusBars)
{
    TFRM_QueryTool& w = make();
    QPlainTextEdit* editor = w.findChild<QPlainTextEdit*>(QStringLiteral("REDT_QueryTool"));
    ASSERT_EQ(editor, w.REDT_QueryTool);
    EXPECT_FALSE(editor->tabChangesFocus());
    EXPECT_NE(editor->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_NE(editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(editor->toPlainText().isEmpty());
    // Between the tool bar and the status bars.
    w.centralWidget()->layout()->activate();
    EXPECT_LT(w.PNL_Top->y(), editor->y());
    EXPECT_LT(editor->y(), w.SBR_Windows->y());
    EXPECT_LT(w.SBR_Windows->y(), w.SBR_QueryTool->y());

    struct Bar
    {
        StatusPanels* bar;
        const char* name;
        QList<int> widths;
        QColor color;
        bool enabled;
    };
    for (const Bar& b :
         {Bar{w.SBR_Windows, "SBR_Windows", {250, 175, 100}, Qt::blue, true},
          Bar{w.SBR_QueryTool, "SBR_QueryTool", {175, 200, 125, 50}, QColor(0, 0, 128), false}}) {
        EXPECT_EQ(b.bar->objectName(), QString::fromLatin1(b.name));
        EXPECT_FALSE(b.bar->isSizeGripEnabled()) << b.name;
        EXPECT_EQ(b.bar->isEnabled(), b.enabled) << b.name;
        EXPECT_EQ(b.bar->font().family(), QStringLiteral("Arial")) << b.name;
        EXPECT_TRUE(b.bar->font().bold()) << b.name;
        EXPECT_EQ(b.bar->font().pointSize(), 8) << b.name;
        ASSERT_EQ(b.bar->panelCount(), b.widths.size()) << b.name;
        for (int i = 0; i < b.bar->panelCount(); ++i) {
            if (i + 1 < b.bar->panelCount()) {
                EXPECT_EQ(b.bar->panel(i)->width(), b.widths[i]) << b.name << i;
            } else {
                EXPECT_GE(b.bar->panel(i)->width(), b.widths[i]) << b.name << i;
                EXPECT_GE(b.bar->panel(i)->geometry().right(), b.bar->width() - 24) << "runs to the end";
            }
            EXPECT_EQ(b.bar->panel(i)->alignment(), Qt::AlignCenter) << b.name << i;
            // Disabled, yet not greyed out.
            EXPECT_EQ(b.bar->panel(i)->palette().color(QPalette::Disabled, QPalette::WindowText), b.color);
        }
    }
    EXPECT_EQ(w.SBR_QueryTool->panelText(0), QStringLiteral("USER NAME:  "));
    EXPECT_EQ(w.SBR_QueryTool->panelText(1), QStringLiteral("DATA SOURCE:  "));
    EXPECT_EQ(w.SBR_QueryTool->panelText(2), QString());
    EXPECT_EQ(w.SBR_QueryTool->panelText(3), QString());
}

/// One menu as "name caption shortcut" entries, "-" for a separator.
QStringList Entries(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator())
            entries << QStringLiteral("-");
        else
            entries << a->objectName() + u' ' + a->text() + u' ' + a->shortcut().toString();
    }
    return entries;
}

TEST_F(QueryToolTest, MenuEntriesAndShortcuts)
{
    TFRM_QueryTool& w = make();
    ASSERT_EQ(w.menuBar(), w.MNU_Vemra);
    EXPECT_EQ(w.MNU_Vemra->objectName(), QStringLiteral("MNU_Vemra"));
    QStringList titles;
    std::vector<QStringList> menus;
    for (const QAction* top : w.MNU_Vemra->actions()) {
        titles << top->text();
        menus.push_back(Entries(top->menu()));
    }
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&Search", "&View", "&Help"}));
    ASSERT_EQ(menus.size(), 5u);
    EXPECT_EQ(menus[0], (QStringList{"MI_New &New Ctrl+N", "-", "MI_LoadFromFile &Load From File Ctrl+L",
                                     "MI_SaveToFile &Save To File Ctrl+S", "-", "MI_Print &Print Ctrl+P", "-",
                                     "MI_Exit &Exit "}));
    EXPECT_EQ(menus[1], (QStringList{"MI_SelectAll &Select All ", "MI_ClearScreen &Clear Screen ", "-",
                                     "MI_ExecuteStatement Execute S&tatement Ctrl+Shift+Return"}));
    EXPECT_EQ(menus[2], (QStringList{"MI_Find &Find Ctrl+F", "MI_FindNext Find &Next F3",
                                     "MI_Replace &Replace Ctrl+R"}));
    EXPECT_EQ(menus[3], (QStringList{"MI_Toolbar Hide Toolbar Ctrl+T", "MI_SyntaxColors Syntax Colors ", "-",
                                     "MI_Options Options Ctrl+O", "-", "MI_SQLHistory SQL &History Ctrl+H",
                                     "MI_Schema Schema F6"}));
    EXPECT_EQ(menus[4], (QStringList{"MI_Contents &Contents F1", "-", "MI_About &About... Ctrl+A"}));
    // The menus do not take the editor's font.
    EXPECT_NE(w.MNU_Vemra->font().family(), QStringLiteral("Courier New"));
}

TEST_F(QueryToolTest, ClockTimers)
{
    TFRM_QueryTool& w = make();
    EXPECT_TRUE(w.Timer_Time->isActive());
    EXPECT_EQ(w.Timer_Time->interval(), 60'000);
    EXPECT_TRUE(w.Timer_Date->isActive());
    EXPECT_EQ(w.Timer_Date->interval(), 1'800'000);

    SettingsStore store;
    store.WriteNumber(kSystem, Schema::System::TimeRefreshHours, 1);
    store.WriteNumber(kSystem, Schema::System::TimeRefreshMinutes, 2);
    store.WriteNumber(kSystem, Schema::System::TimeRefreshSeconds, 3);
    store.WriteNumber(kSystem, Schema::System::DateRefreshMinutes, 0);
    store.WriteNumber(kSystem, Schema::System::DateRefreshSeconds, 10);
    TFRM_QueryTool& w2 = make();
    EXPECT_EQ(w2.Timer_Time->interval(), 3'723'000);
    EXPECT_EQ(w2.Timer_Date->interval(), 10'000);
}

TEST_F(QueryToolTest, ZeroIntervalNeverFires)
{
    SettingsStore store;
    for (const QString& key : {Schema::System::TimeRefreshHours, Schema::System::TimeRefreshMinutes,
                               Schema::System::TimeRefreshSeconds})
        store.WriteNumber(kSystem, key, 0);
    TFRM_QueryTool& w = make();
    EXPECT_FALSE(w.Timer_Time->isActive());
    w.SBR_QueryTool->setPanelText(3, QStringLiteral("TIME:  at login"));
    QTest::qWait(50);
    EXPECT_EQ(w.SBR_QueryTool->panelText(3), QStringLiteral("TIME:  at login"));

    // A short interval does fire: the test above would see it.
    w.setTimeInterval(5);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return w.SBR_QueryTool->panelText(3) != QStringLiteral("TIME:  at login"); }));
    EXPECT_TRUE(w.SBR_QueryTool->panelText(3).startsWith(QStringLiteral("TIME:  ")));
    EXPECT_NE(w.SBR_QueryTool->panelText(3), QStringLiteral("TIME:  at login"));
}

TEST_F(QueryToolTest, DatePanelUsesTheProgramDateFormat)
{
    TFRM_QueryTool& w = make();
    ctx.shortDateFormat = QStringLiteral("MM/dd/yyyy");
    w.Timer_DateTimer();
    EXPECT_EQ(w.SBR_QueryTool->panelText(2),
              QStringLiteral("DATE:  ") + QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")));
}

TEST_F(QueryToolTest, ShowWithoutStoredValuesUsesTheDefaults)
{
    TFRM_QueryTool& w = shown();
    EXPECT_FALSE(w.isMaximized());
    // The stored width and height are the frame's, title bar and borders included.
    EXPECT_EQ(w.frameGeometry(), QRect(0, 0, 640, 480));
    EXPECT_EQ(w.REDT_QueryTool->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(w.REDT_QueryTool->palette().color(QPalette::Text), QColor(Qt::blue));
    EXPECT_EQ(w.REDT_QueryTool->font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(w.REDT_QueryTool->font().pointSize(), 10);
    EXPECT_FALSE(w.REDT_QueryTool->font().bold());
    EXPECT_TRUE(w.PNL_Top->isVisible());
    EXPECT_EQ(w.MI_Toolbar->text(), QStringLiteral("Hide Toolbar"));
    EXPECT_EQ(w.REDT_QueryTool->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

TEST_F(QueryToolTest, FirstRunValuesMakeTheTextBlack)
{
    SettingsStore().SeedDefaults();
    TFRM_QueryTool& w = shown();
    EXPECT_EQ(w.REDT_QueryTool->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(w.REDT_QueryTool->palette().color(QPalette::Base), QColor(Qt::white));
}

TEST_F(QueryToolTest, ShowAppliesTheStoredAppearance)
{
    {
        SettingsStore store;
        store.WriteNumber(kLocation, P::Top, 60);
        store.WriteNumber(kLocation, P::Left, 50);
        store.WriteNumber(kLocation, P::Width, 700);
        store.WriteNumber(kLocation, P::Height, 500);
        // Written with the other spelling, as the options dialog does.
        store.WriteNumber(kGeneral, G::BackgroundColor, 0x0000FF);
        store.WriteNumber(kGeneral, G::FontColor, 0x00FF00);
        store.WriteText(kGeneral, G::FontName, QStringLiteral("Arial"));
        store.WriteNumber(kGeneral, G::FontSize, 14);
        store.WriteFlag(kGeneral, G::FontBold, true);
        store.WriteFlag(kGeneral, G::FontUnderline, true);
        store.WriteFlag(kGeneral, G::ShowToolbar, false);
        store.WriteFlag(kGeneral, G::WordWrap, false);
    }
    TFRM_QueryTool& w = shown();
    EXPECT_EQ(w.frameGeometry(), QRect(50, 60, 700, 500));
    EXPECT_EQ(w.REDT_QueryTool->palette().color(QPalette::Base), QColor(Qt::red));
    EXPECT_EQ(w.REDT_QueryTool->palette().color(QPalette::Text), QColor(Qt::green));
    const QFont font = w.REDT_QueryTool->font();
    EXPECT_EQ(font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(font.pointSize(), 14);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_FALSE(font.strikeOut());
    EXPECT_FALSE(w.PNL_Top->isVisible());
    EXPECT_EQ(w.MI_Toolbar->text(), QStringLiteral("Show Toolbar"));
    EXPECT_EQ(w.REDT_QueryTool->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(QueryToolTest, ShowMaximised)
{
    SettingsStore().WriteFlag(kLocation, P::Maximized, true);
    TFRM_QueryTool& w = shown();
    EXPECT_TRUE(w.isMaximized());
}

TEST_F(QueryToolTest, ToolbarCommandFollowsTheCaption)
{
    SettingsStore().WriteFlag(kGeneral, G::ShowToolbar, false);
    TFRM_QueryTool& w = shown();
    ASSERT_EQ(w.MI_Toolbar->text(), QStringLiteral("Show Toolbar"));

    w.MI_Toolbar->trigger();
    EXPECT_TRUE(w.PNL_Top->isVisible());
    EXPECT_EQ(w.MI_Toolbar->text(), QStringLiteral("Hide Toolbar"));
    EXPECT_TRUE(SettingsStore().ReadFlag(kGeneral, G::ShowToolbar, false));

    w.MI_Toolbar->trigger();
    EXPECT_FALSE(w.PNL_Top->isVisible());
    EXPECT_EQ(w.MI_Toolbar->text(), QStringLiteral("Show Toolbar"));
    EXPECT_FALSE(SettingsStore().ReadFlag(kGeneral, G::ShowToolbar, true));
    // The editor takes the room.
    QCoreApplication::processEvents();
    EXPECT_EQ(w.REDT_QueryTool->y(), 0);
}

TEST_F(QueryToolTest, AnsweringNoKeepsTheWindowOpen)
{
    TFRM_QueryTool& w = shown();
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::No);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Closed);
    w.BBN_Close->click();
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::No);
    w.MI_Exit->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(desktop.ended);
    ASSERT_EQ(desktop.boxes.size(), 3u);
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_FALSE(SettingsStore().HasSections()) << "nothing is stored on No";
}

TEST_F(QueryToolTest, YesStoresThePlacementAndEnds)
{
    TFRM_QueryTool& w = shown();
    w.move(30, 40);
    w.resize(720, 530);
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);
    w.BBN_Close->click();
    EXPECT_TRUE(desktop.ended);
    const SettingsStore store;
    EXPECT_FALSE(store.ReadFlag(kLocation, P::Maximized, true));
    EXPECT_EQ(store.ReadNumber(kLocation, P::Left, -1), 30);
    EXPECT_EQ(store.ReadNumber(kLocation, P::Top, -1), 40);
    // The frame's size: the inside's and the frame margins around it.
    const QMargins frame = w.windowHandle()->frameMargins();
    EXPECT_EQ(store.ReadNumber(kLocation, P::Width, -1), 720 + frame.left() + frame.right());
    EXPECT_EQ(store.ReadNumber(kLocation, P::Height, -1), 530 + frame.top() + frame.bottom());

    // The next start comes back there.
    TFRM_QueryTool& next = shown();
    EXPECT_EQ(next.pos(), QPoint(30, 40));
    EXPECT_EQ(next.size(), QSize(720, 530));
}

TEST_F(QueryToolTest, MaximisedExitStoresOnlyMaximized)
{
    {
        SettingsStore store;
        store.WriteNumber(kLocation, P::Left, 11);
        store.WriteNumber(kLocation, P::Top, 12);
        store.WriteNumber(kLocation, P::Width, 613);
        store.WriteNumber(kLocation, P::Height, 414);
    }
    TFRM_QueryTool& w = shown();
    w.showMaximized();
    ASSERT_TRUE(w.isMaximized());
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(desktop.ended);
    const SettingsStore store;
    EXPECT_TRUE(store.ReadFlag(kLocation, P::Maximized, false));
    EXPECT_EQ(store.ReadNumber(kLocation, P::Left, -1), 11);
    EXPECT_EQ(store.ReadNumber(kLocation, P::Top, -1), 12);
    EXPECT_EQ(store.ReadNumber(kLocation, P::Width, -1), 613);
    EXPECT_EQ(store.ReadNumber(kLocation, P::Height, -1), 414);

    TFRM_QueryTool& next = shown();
    EXPECT_TRUE(next.isMaximized());
    next.showNormal();
    EXPECT_EQ(next.frameGeometry().size(), QSize(613, 414))
        << "the earlier normal placement comes back on restore";
}

TEST_F(QueryToolTest, NoConfirmationEndsWithoutSaving)
{
    SettingsStore().WriteFlag(kGeneral, G::ConfirmBeforeExit, false);
    TFRM_QueryTool& w = shown();
    w.move(30, 40);
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(desktop.ended);
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_EQ(SettingsStore().ReadNumber(kLocation, P::Left, -1), -1);
}

TEST_F(QueryToolTest, AfterTheEndIsDecidedNoSecondQuestion)
{
    TFRM_QueryTool& w = shown();
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);
    w.BBN_Close->click();
    // Ending the loop may close the windows; that must not ask again.
    EXPECT_TRUE(w.close());
    EXPECT_EQ(desktop.boxes.size(), 1u);
}

TEST_F(QueryToolTest, MinimisingTakesTheWholeApplication)
{
    TFRM_QueryTool& w = shown();
    w.showMinimized();
    EXPECT_EQ(desktop.minimizeCount, 1);
    w.showNormal();
    EXPECT_EQ(desktop.minimizeCount, 1);
}

TEST_F(QueryToolTest, SimpleCommands)
{
    TFRM_QueryTool& w = shown();
    w.setEditorText(QStringLiteral("SELECT *\nFROM EMP"));

    w.MI_New->trigger();
    EXPECT_EQ(w.editorText(), QStringLiteral("SELECT *\nFROM EMP")) << "New does nothing";

    w.MI_SelectAll->trigger();
    EXPECT_EQ(w.REDT_QueryTool->textCursor().selectedText().size(), w.REDT_QueryTool->toPlainText().size());
    EXPECT_TRUE(w.REDT_QueryTool->textCursor().hasSelection());

    w.BBN_ClearScreen->click();
    EXPECT_TRUE(w.editorText().isEmpty());
    w.setEditorText(QStringLiteral("x"));
    w.MI_ClearScreen->trigger();
    EXPECT_TRUE(w.editorText().isEmpty());
}

TEST_F(QueryToolTest, OtherWindowsAreShownWithoutAModalLoop)
{
    QDialog options;
    QDialog about;
    ctx.windows.options = &options;
    ctx.windows.about = &about;
    TFRM_QueryTool& w = shown();

    w.BBN_Options->click();
    EXPECT_TRUE(options.isVisible());
    EXPECT_FALSE(options.isModal());
    options.hide();
    w.MI_Options->trigger();
    EXPECT_TRUE(options.isVisible());

    w.MI_About->trigger();
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(about.isModal());
    ctx.windows = {};
}

TEST_F(QueryToolTest, HelpOpensTheContentsAndTheFinder)
{
    TFRM_QueryTool& w = shown();
    auto helpWindows = [] {
        QList<HelpWindow*> found;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* help = qobject_cast<HelpWindow*>(top); help && help->isVisible())
                found << help;
        return found;
    };
    ASSERT_TRUE(helpWindows().isEmpty());
    w.BBN_Help->click();
    ASSERT_EQ(helpWindows().size(), 1);
    HelpWindow* help = helpWindows().front();
    EXPECT_TRUE(HelpContentsUrl().endsWith(help->currentPage())) << help->currentPage().toStdString();
    help->hide();
    w.MI_Contents->trigger();
    EXPECT_EQ(helpWindows(), QList<HelpWindow*>{help}) << "one help window for the run";
}

TEST_F(QueryToolTest, HelpWindowOpensWhollyOnTheScreen)
{
    TFRM_QueryTool& w = shown();
    const QRect screen = w.screen()->availableGeometry();
    // Low on the screen: centred on the main window the help window would reach below the bottom.
    w.move(0, screen.bottom() - 300);
    w.BBN_Help->click();
    HelpWindow* help = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        help = help ? help : qobject_cast<HelpWindow*>(top);
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    QTest::qWait(100);
    EXPECT_TRUE(screen.contains(help->frameGeometry()))
        << help->frameGeometry().y() << " + " << help->frameGeometry().height();
    help->hide();
}

TEST_F(QueryToolTest, CommandsCarriedOutElsewhereAreAnnounced)
{
    TFRM_QueryTool& w = make();
    QSignalSpy execute(&w, &TFRM_QueryTool::executeSQLRequested);
    QSignalSpy print(&w, &TFRM_QueryTool::printSQLRequested);
    QSignalSpy find(&w, &TFRM_QueryTool::findRequested);
    QSignalSpy findNext(&w, &TFRM_QueryTool::findNextRequested);
    QSignalSpy replace(&w, &TFRM_QueryTool::replaceRequested);
    w.BBN_ExecuteSQL->click();
    w.BBN_PrintSQL->click();
    w.MI_Print->trigger();
    w.MI_Find->trigger();
    w.MI_FindNext->trigger();
    w.MI_Replace->trigger();
    EXPECT_EQ(execute.count(), 1);
    EXPECT_EQ(print.count(), 2);
    EXPECT_EQ(find.count(), 1);
    EXPECT_EQ(findNext.count(), 1);
    EXPECT_EQ(replace.count(), 1);
}

TEST_F(QueryToolTest, ExecuteCarriesTheEditorsWholeLinesAndWhereTheWindowStands)
{
    TFRM_QueryTool& w = make();
    const QString longLine = QStringLiteral("select ") + QString(300, u'x') + QStringLiteral(" from emp");
    w.REDT_QueryTool->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    w.setEditorText(longLine + QStringLiteral("\n-- note\n"));
    w.move(70, 80);
    QSignalSpy execute(&w, &TFRM_QueryTool::executeSQLRequested);
    w.BBN_ExecuteSQL->click();
    ASSERT_EQ(execute.count(), 1);
    EXPECT_EQ(execute[0][0].toStringList(), QStringList({longLine, QStringLiteral("-- note"), QString()}));
    EXPECT_EQ(execute[0][1].toPoint(), WindowPlacement::Frame(w).topLeft());
}

TEST_F(QueryToolTest, MenuShortcutsWinOverTheEditor)
{
    QDialog about;
    ctx.windows.about = &about;
    TFRM_QueryTool& w = shown();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.REDT_QueryTool->setFocus();
    w.setEditorText(QStringLiteral("abc"));

    QTest::keyClick(w.REDT_QueryTool, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(about.isVisible()) << "Ctrl+A is About";
    EXPECT_FALSE(w.REDT_QueryTool->textCursor().hasSelection());

    QSignalSpy execute(&w, &TFRM_QueryTool::executeSQLRequested);
    QSignalSpy findNext(&w, &TFRM_QueryTool::findNextRequested);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.REDT_QueryTool->setFocus();
    QTest::keyClick(w.REDT_QueryTool, Qt::Key_F3);
    EXPECT_EQ(findNext.count(), 1);
    // Tab is text in the editor.
    QTest::keyClick(w.REDT_QueryTool, Qt::Key_Tab);
    EXPECT_TRUE(w.editorText().contains(u'\t'));
    ctx.windows = {};
}

TEST_F(QueryToolTest, F5AndCtrlEnterExecuteFromTheEditor)
{
    TFRM_QueryTool& w = shown();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(w.BBN_ExecuteSQL->toolTip(),
              QStringLiteral("Execute SQL (F5, Ctrl+Enter)\nExecute Statement (Ctrl+Shift+Enter)"));
    EXPECT_EQ(w.BBN_ExecuteSQL->text(), QStringLiteral("Execute SQL"));
    EXPECT_EQ(w.BBN_ExecuteSQL->geometry(), QRect(254, 0, 126, 40)) << "the button keeps its place";

    w.REDT_QueryTool->setFocus();
    w.setEditorText(QStringLiteral("select * from emp"));
    w.REDT_QueryTool->moveCursor(QTextCursor::End);
    QSignalSpy execute(&w, &TFRM_QueryTool::executeSQLRequested);
    struct Press
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* name;
    };
    const Press presses[] = {
        {Qt::Key_F5, Qt::NoModifier, "F5"},
        {Qt::Key_Return, Qt::ControlModifier, "Ctrl+Return"},
        {Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier, "Ctrl+Enter on the keypad"},
    };
    for (const Press& press : presses) {
        const qsizetype before = execute.count();
        QTest::keyClick(w.REDT_QueryTool, press.key, press.modifiers);
        EXPECT_EQ(execute.count(), before + 1) << press.name;
        EXPECT_EQ(w.editorText(), QStringLiteral("select * from emp")) << press.name << " typed nothing";
    }
    ASSERT_EQ(execute.count(), 3);
    EXPECT_EQ(execute[0][0].toStringList(), QStringList({QStringLiteral("select * from emp")}));

    // Return alone is still a line break, and focus elsewhere in the window still executes.
    QTest::keyClick(w.REDT_QueryTool, Qt::Key_Return);
    EXPECT_EQ(w.editorText(), QStringLiteral("select * from emp\n"));
    w.BBN_Options->setFocus();
    QTest::keyClick(w.BBN_Options, Qt::Key_F5);
    EXPECT_EQ(execute.count(), 4);

    // A hidden tool bar still executes; a disabled button does not.
    w.MI_ToolbarClick();
    ASSERT_FALSE(w.PNL_Top->isVisible());
    w.REDT_QueryTool->setFocus();
    QTest::keyClick(w.REDT_QueryTool, Qt::Key_F5);
    EXPECT_EQ(execute.count(), 5);
    w.MI_ToolbarClick();
    w.BBN_ExecuteSQL->setEnabled(false);
    QTest::keyClick(w.REDT_QueryTool, Qt::Key_F5);
    QTest::keyClick(w.REDT_QueryTool, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(execute.count(), 5);
    EXPECT_EQ(w.editorText(), QStringLiteral("select * from emp\n")) << "nor does Ctrl+Return become a line";
}

TEST_F(QueryToolTest, ConnectionPanels)
{
    TFRM_QueryTool& w = make();
    ctx.shortDateFormat = QStringLiteral("MM/dd/yyyy");
    w.showConnection(QStringLiteral("scott"), QStringLiteral("Sample"));
    EXPECT_EQ(w.SBR_QueryTool->panelText(0), QStringLiteral("USER NAME:  'scott'"));
    EXPECT_EQ(w.SBR_QueryTool->panelText(1), QStringLiteral("DATA SOURCE:  Sample"));
    EXPECT_EQ(w.SBR_QueryTool->panelText(2),
              QStringLiteral("DATE:  ") + QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")));
    EXPECT_TRUE(w.SBR_QueryTool->panelText(3).startsWith(QStringLiteral("TIME:  ")));
    EXPECT_GT(w.SBR_QueryTool->panelText(3).size(), 10);
    // Names are shown as they are, not as markup.
    w.showConnection(QStringLiteral("<b>x</b>"), QStringLiteral("S"));
    EXPECT_EQ(w.SBR_QueryTool->panel(0)->textFormat(), Qt::PlainText);
}

TEST_F(QueryToolTest, PlatformVersionPanels)
{
    TFRM_QueryTool& w = make();
    PlatformVersion version;
    version.ok = true;
    version.platformName = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    version.majorVersion = 6;
    version.minorVersion = 1;
    version.supplementary = QStringLiteral("6.1.0-18-amd64");
    w.showPlatformVersion(version);
    EXPECT_EQ(w.SBR_Windows->panelText(0), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    EXPECT_EQ(w.SBR_Windows->panelText(1), QStringLiteral("Kernel Version 6.1"));
    EXPECT_EQ(w.SBR_Windows->panelText(2), QStringLiteral("6.1.0-18-amd64"));
    EXPECT_EQ(ctx.platformMajorVersion, 6);

    PlatformVersion odd;
    odd.ok = true;
    odd.platformName = QStringLiteral("Linux");
    odd.majorVersion = 10;
    odd.minorVersion = 0;
    odd.supplementary = QString(200, u'r');
    w.showPlatformVersion(odd);
    EXPECT_EQ(w.SBR_Windows->panelText(1), QStringLiteral("Kernel Version 10.0"));
    EXPECT_EQ(w.SBR_Windows->panelText(2), QString(128, u'r'));
    odd.supplementary = QStringLiteral("5.10") + QChar(0) + QStringLiteral("junk");
    w.showPlatformVersion(odd);
    EXPECT_EQ(w.SBR_Windows->panelText(2), QStringLiteral("5.10"));

    PlatformVersion failed;
    failed.ok = false;
    failed.majorVersion = 99;
    w.showPlatformVersion(failed);
    EXPECT_EQ(w.SBR_Windows->panelText(0), QStringLiteral("Linux"));
    EXPECT_EQ(w.SBR_Windows->panelText(1), QStringLiteral("Kernel Version 10.0"));
    EXPECT_EQ(ctx.platformMajorVersion, 0);

    // The real record of this machine.
    w.ShowPlatformVersion();
    EXPECT_TRUE(w.SBR_Windows->panelText(1).startsWith(QStringLiteral("Kernel Version ")));
    EXPECT_GT(ctx.platformMajorVersion, 0);
}

TEST_F(QueryToolTest, EditorTextKeepsEveryCharacter)
{
    TFRM_QueryTool& w = make();
    const QString text =
        QStringLiteral("a\u00A0b\tc") + QChar(0x2028) + QStringLiteral("d\n\ne") + QChar(0) + u'f';
    w.setEditorText(text);
    EXPECT_EQ(w.editorText(), text);
}

class QueryToolFileTest : public QueryToolTest
{
protected:
    QString folder()
    {
        const QString path = home.path() + QStringLiteral("/sql");
        QDir().mkpath(path);
        return path;
    }
};

TEST_F(QueryToolFileTest, SaveAndLoad)
{
    TFRM_QueryTool& w = shown();
    const QString path = folder() + QStringLiteral("/query.SQL");
    w.setEditorText(QStringLiteral("SELECT *\nFROM EMP"));
    desktop.expectSaveFile(path);
    w.BBN_SaveSQL->click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("SELECT *\r\nFROM EMP\r\n"));

    w.BBN_ClearScreen->click();
    desktop.expectOpenFile(path);
    w.MI_LoadFromFile->trigger();
    EXPECT_EQ(w.editorText(), QStringLiteral("SELECT *\nFROM EMP"));
    EXPECT_EQ(desktop.busyBegins, 2) << "busy while reading and writing";
}

TEST_F(QueryToolFileTest, FailedLoadKeepsTheEditorAndShowsTheError)
{
    TFRM_QueryTool& w = shown();
    w.setEditorText(QStringLiteral("keep me"));
    const QString missing = folder() + QStringLiteral("/gone.SQL");
    desktop.expectOpenFile(missing);
    desktop.expectBox(BoxKind::Error, QStringLiteral("Cannot open file ") + missing, BoxAnswer::Ok);
    w.BBN_LoadSQL->click();
    EXPECT_EQ(w.editorText(), QStringLiteral("keep me"));
    // The folder is remembered all the same.
    EXPECT_EQ(SettingsStore().ReadText(Schema::Section::Dialogs, Schema::Dialogs::OpenDialogPath, QString()),
              folder() + u'/');
    EXPECT_EQ(desktop.boxes.back().busyDepth, 0) << "normal cursor while the error shows";
}

TEST_F(QueryToolFileTest, FailedSaveShowsTheError)
{
    TFRM_QueryTool& w = shown();
    const QString bad = folder() + QStringLiteral("/missing/q.SQL");
    desktop.expectSaveFile(bad);
    desktop.expectBox(BoxKind::Error,
                      QStringLiteral("Cannot create file ") + bad +
                          QStringLiteral("\nNo such file or directory"),
                      BoxAnswer::Ok);
    w.MI_SaveToFile->trigger();
    EXPECT_EQ(SettingsStore().ReadText(Schema::Section::Dialogs, Schema::Dialogs::SaveDialogPath, QString()),
              folder() + QStringLiteral("/missing/"));
}

TEST_F(QueryToolFileTest, CancelledDialogsChangeNothing)
{
    TFRM_QueryTool& w = shown();
    w.setEditorText(QStringLiteral("x"));
    desktop.expectOpenFile(std::nullopt);
    desktop.expectSaveFile(std::nullopt);
    w.BBN_LoadSQL->click();
    w.BBN_SaveSQL->click();
    EXPECT_EQ(w.editorText(), QStringLiteral("x"));
    EXPECT_FALSE(SettingsStore().HasSections());
}

TEST_F(QueryToolFileTest, Windows1252AndBinaryFilesLoad)
{
    TFRM_QueryTool& w = shown();
    const QString latin = folder() + QStringLiteral("/latin.SQL");
    {
        QFile file(latin);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("SELECT 'K\xF6ln \x80'\r\n");
    }
    desktop.expectOpenFile(latin);
    w.BBN_LoadSQL->click();
    EXPECT_EQ(w.editorText(), QString::fromUtf8("SELECT 'K\xC3\xB6ln \xE2\x82\xAC'"));

    const QString binary = folder() + QStringLiteral("/binary.SQL");
    QByteArray bytes;
    for (int b = 255; b >= 0; --b)
        bytes.append(char(b));
    {
        QFile file(binary);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    desktop.expectOpenFile(binary);
    w.BBN_LoadSQL->click();
    const QString text = w.editorText();
    // 256 bytes, of which CR and LF are line ends: the NUL and everything after it are there.
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(text.count(QChar(0)), 1);
    EXPECT_EQ(text.back(), QChar(0));
}

} // namespace
