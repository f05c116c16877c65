#include "app/Startup.h"
#include "app/About.h"
#include "app/main.h"
#include "connection/Login.h"
#include "connection/Query.h"
#include "print/report.h"
#include "query/QRY_FUNC.h"
#include "query/query.h"
#include "settings/Options.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"
#include "support/ModalAnswer.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class StartupTest : public GuiTest
{
};

TEST_F(StartupTest, CreatesTheSevenFormsHidden)
{
    {
        Startup startup(ctx);
        ASSERT_NE(ctx.login, nullptr);
        ASSERT_NE(ctx.queryTool, nullptr);
        ASSERT_NE(ctx.about, nullptr);
        EXPECT_EQ(&startup.login(), ctx.login);
        EXPECT_EQ(&startup.queryTool(), ctx.queryTool);
        EXPECT_NE(ctx.connection, nullptr);

        struct Form
        {
            QWidget* window;
            const char* caption;
        };
        const Form forms[] = {
            {ctx.login, "Login Screen"},           {ctx.queryTool, "Tovak's Query Tool"},
            {ctx.windows.query, "Query Results"},  {ctx.windows.report, "Print Options"},
            {ctx.windows.qryFunc, "Grid Options"}, {ctx.windows.about, "About"},
            {ctx.windows.options, "Options"},
        };
        for (const Form& f : forms) {
            ASSERT_NE(f.window, nullptr) << f.caption;
            EXPECT_EQ(f.window->windowTitle(), QString::fromUtf8(f.caption));
            EXPECT_TRUE(f.window->isWindow()) << f.caption;
            EXPECT_FALSE(f.window->isVisible()) << f.caption << " starts hidden";
        }
        EXPECT_EQ(ctx.windows.about, static_cast<QWidget*>(ctx.about));
        // The login dialog's creation ran its start-up duties.
        EXPECT_TRUE(SettingsStore().HasSections());
        EXPECT_FALSE(ctx.facts.ProgramFolder.isEmpty());
        EXPECT_FALSE(ctx.shortDateFormat.isEmpty());
    }
    // Gone with the start-up, and gone from the registry.
    EXPECT_EQ(ctx.login, nullptr);
    EXPECT_EQ(ctx.queryTool, nullptr);
    EXPECT_EQ(ctx.connection, nullptr);
    EXPECT_EQ(ctx.windows.options, nullptr);
}

} // namespace

namespace {

class StartupWiringTest : public GuiTest
{
};

TEST_F(StartupWiringTest, MainWindowCommandsReachTheirWindows)
{
    Startup startup(ctx);
    TFRM_QueryTool& window = startup.queryTool();
    ASSERT_NE(ctx.report, nullptr);
    ASSERT_NE(ctx.options, nullptr);
    EXPECT_EQ(ctx.windows.report, static_cast<QWidget*>(ctx.report));
    EXPECT_EQ(ctx.windows.options, static_cast<QWidget*>(ctx.options));

    // F3 on a fresh store searches for the empty text and asks whether to repeat.
    window.REDT_QueryTool->setPlainText(QStringLiteral("select * from emp"));
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Search string not found.\rRepeat search again?"),
                      BoxAnswer::No);
    window.MI_FindNext->trigger();

    // Print SQL goes to the print dialog; cancelling it prints nothing.
    desktop.expectPrintDialog(false);
    window.MI_Print->trigger();

    // Options opens the real options dialog, attached to the editor.
    window.BBN_Options->click();
    EXPECT_TRUE(ctx.windows.options->isVisible());
    ctx.windows.options->hide();
    desktop.verify();
}

} // namespace

namespace {

/// Logs in to Sample through the real dialog.
void LogInToSample(TFRM_Login& login)
{
    login.show();
    login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
    login.EDT_UserName->setText(QStringLiteral("scott"));
    login.BBN_Ok->click();
}

TEST_F(StartupWiringTest, ExecuteSqlRunsOnTheLoginsConnectionAndShowsTheResult)
{
    Startup startup(ctx);
    LogInToSample(startup.login());
    TFRM_QueryTool& window = startup.queryTool();
    ASSERT_TRUE(window.isVisible());

    // Word wrap on and a narrow editor: the statement is still built from whole lines.
    window.REDT_QueryTool->setPlainText(QStringLiteral("select empno, ename\nfrom emp where deptno = 10"));
    QString totalRecords;
    bool printOptionsShown = false;
    bool gridOptionsShown = false;
    WhenModal([&](QWidget* modal) {
        ASSERT_EQ(modal, static_cast<QWidget*>(ctx.query));
        totalRecords = ctx.query->EDT_TotalRecords->text();
        // "Print" reaches the print options dialog; cancelling it prints nothing.
        WhenModal(
            [&](QWidget* options) {
                printOptionsShown = options == static_cast<QWidget*>(ctx.report);
                static_cast<QDialog*>(options)->reject();
            },
            modal);
        ctx.query->BBN_Print->click();
        WhenModal(
            [&](QWidget* gridOptions) {
                gridOptionsShown = gridOptions == static_cast<QWidget*>(ctx.qryFunc);
                static_cast<QDialog*>(gridOptions)->reject();
            },
            modal);
        ctx.query->BBN_GridOptions1->click();
        ctx.query->BBN_Close->click();
    });
    window.BBN_ExecuteSQL->click();
    EXPECT_EQ(ctx.query->QRY_Grid().databaseName(), QStringLiteral("Sample"));
    EXPECT_GT(totalRecords.toInt(), 0) << totalRecords.toStdString();
    EXPECT_TRUE(printOptionsShown);
    EXPECT_TRUE(gridOptionsShown);
    EXPECT_FALSE(ctx.query->isVisible());

    // The other road on the same connection.
    window.REDT_QueryTool->setPlainText(QStringLiteral("update emp set ename = ename where deptno = -1"));
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r0 rows were affected."), BoxAnswer::Ok);
    window.BBN_ExecuteSQL->click();
    desktop.verify();
}

} // namespace
