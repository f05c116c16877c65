#include "app/Startup.h"
#include "app/main.h"
#include "connection/Connection.h"
#include "connection/Login.h"
#include "connection/Query.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class OpenTransactionTest : public GuiTest
{
protected:
    void start()
    {
        startup = std::make_unique<Startup>(ctx);
        TFRM_Login& login = startup->login();
        login.show();
        login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
        login.EDT_UserName->setText(QStringLiteral("scott"));
        login.BBN_Ok->click();
        ASSERT_TRUE(window().isVisible());
    }
    TFRM_QueryTool& window() const { return startup->queryTool(); }
    void execute(const QString& sql)
    {
        window().setEditorText(sql);
        desktop.expectBox(BoxKind::Information, BoxAnswer::Ok);
        window().BBN_ExecuteSQL->click();
        desktop.verify();
    }
    int departments(int deptno) const
    {
        Query query(*ctx.connection);
        query.addSql(QStringLiteral("select count(*) from dept where deptno = %1").arg(deptno));
        query.open();
        return query.valueText(0, 0).toInt();
    }
    bool panelShown() const { return window().PNL_Transaction->isVisibleTo(&window()); }
    /// Begins a transaction through the editor and adds department deptno in it.
    void beginAndInsert(int deptno)
    {
        EXPECT_FALSE(panelShown());
        execute(QStringLiteral("begin"));
        EXPECT_TRUE(panelShown());
        EXPECT_EQ(window().PNL_Transaction->text(), QStringLiteral("Transaction open"));
        execute(QStringLiteral("insert into dept (deptno, dname) values (%1, 'T')").arg(deptno));
        EXPECT_TRUE(panelShown());
    }
    bool askedAboutTheTransaction() const
    {
        return !desktop.boxes.empty() && desktop.boxes.back().kind == BoxKind::Confirmation &&
               desktop.boxes.back().text.startsWith(QStringLiteral("A transaction is open."));
    }

    std::unique_ptr<Startup> startup;
};

/// What each answer to the question does, on quitting and on changing the data source.
struct Answer
{
    BoxAnswer answer;
    bool goesOn;
    int rowsKept; ///< the department added in the transaction, after it ended
};
const Answer kAnswers[] = {
    {BoxAnswer::Yes, true, 1},
    {BoxAnswer::No, true, 0},
    {BoxAnswer::Cancel, false, 0},
    {BoxAnswer::Closed, false, 0},
};

TEST_F(OpenTransactionTest, QuitAsksWhatBecomesOfTheOpenTransaction)
{
    int deptno = 90;
    for (const Answer& row : kAnswers) {
        SCOPED_TRACE(ToString(row.answer).toStdString());
        // A program that ended is not started again: each answer gets a run of its own.
        startup.reset();
        desktop.ended = false;
        start();
        ++deptno;
        beginAndInsert(deptno);
        desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);
        desktop.expectBox(BoxKind::Confirmation, row.answer);
        window().BBN_Close->click();
        desktop.verify();
        EXPECT_TRUE(askedAboutTheTransaction());
        EXPECT_EQ(desktop.ended, row.goesOn);
        EXPECT_EQ(ctx.connection->inTransaction(), !row.goesOn);
        EXPECT_EQ(panelShown(), !row.goesOn);
        if (!row.goesOn) {
            EXPECT_EQ(departments(deptno), 1) << "the user's work is still there, uncommitted";
            ctx.connection->endTransaction(false);
            EXPECT_FALSE(panelShown());
        }
        EXPECT_EQ(departments(deptno), row.rowsKept);
    }
}

TEST_F(OpenTransactionTest, ChangeDataSourceAsksBeforeTheLoginDialog)
{
    start();
    int deptno = 80;
    for (const Answer& row : kAnswers) {
        SCOPED_TRACE(ToString(row.answer).toStdString());
        ++deptno;
        beginAndInsert(deptno);
        desktop.expectBox(BoxKind::Confirmation, row.answer);
        window().BBN_ChangeDataSource->click();
        desktop.verify();
        EXPECT_TRUE(askedAboutTheTransaction());
        EXPECT_EQ(startup->login().isVisible(), row.goesOn);
        EXPECT_EQ(ctx.connection->inTransaction(), !row.goesOn);
        if (!row.goesOn)
            ctx.connection->endTransaction(false);
        EXPECT_EQ(departments(deptno), row.rowsKept);
        startup->login().hide();
    }
    // Without a transaction nothing is asked.
    const size_t boxes = desktop.boxes.size();
    window().BBN_ChangeDataSource->click();
    EXPECT_TRUE(startup->login().isVisible());
    EXPECT_EQ(desktop.boxes.size(), boxes);
}

TEST_F(OpenTransactionTest, SyntaxColorsAreSwitchedFromTheViewMenuAndStored)
{
    start();
    QPlainTextEdit& editor = *window().REDT_QueryTool;
    window().setEditorText(QStringLiteral("select 'a' from dept -- note"));
    editor.repaint();
    auto coloured = [&editor] { return !editor.document()->firstBlock().layout()->formats().isEmpty(); };
    ASSERT_TRUE(window().MI_SyntaxColors->isChecked()) << "on unless turned off";
    EXPECT_TRUE(coloured());

    window().MI_SyntaxColors->trigger();
    EXPECT_FALSE(coloured());
    EXPECT_FALSE(ctx.settings.open().Read(Schema::General::SyntaxColors));

    // The next run starts without colours.
    startup.reset();
    start();
    window().setEditorText(QStringLiteral("select 'a' from dept"));
    window().REDT_QueryTool->repaint();
    EXPECT_FALSE(window().MI_SyntaxColors->isChecked());
    EXPECT_TRUE(window().REDT_QueryTool->document()->firstBlock().layout()->formats().isEmpty());
    window().MI_SyntaxColors->trigger();
    EXPECT_FALSE(window().REDT_QueryTool->document()->firstBlock().layout()->formats().isEmpty());
    EXPECT_TRUE(ctx.settings.open().Read(Schema::General::SyntaxColors));
}

} // namespace
