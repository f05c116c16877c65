// Execute Statement: the selection, or the one statement under the cursor, on the road Execute SQL takes.

#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "query/query.h"
#include "support/GuiTest.h"
#include "support/ModalAnswer.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class ExecuteStatementTest : public GuiTest
{
protected:
    TFRM_QueryTool& logIntoSample(Startup& startup)
    {
        TFRM_Login& login = startup.login();
        login.show();
        login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
        login.EDT_UserName->setText(QStringLiteral("scott"));
        login.BBN_Ok->click();
        return startup.queryTool();
    }
};

struct StatementCase
{
    const char* name;
    const char* from;  ///< the cursor goes before this text, or the selection starts there
    const char* until; ///< nullptr: no selection; otherwise the selection ends before this text
    int records;       ///< the result window's record count; -1: the update ran and was reported
};

TEST_F(ExecuteStatementTest, RunsTheSelectionOrTheStatementUnderTheCursor)
{
    Startup startup(ctx);
    TFRM_QueryTool& window = logIntoSample(startup);
    ASSERT_TRUE(window.isVisible());

    const QString text = QStringLiteral("select 1 as a union all select 2;\n"
                                        "\n"
                                        "update emp set ename = ename where deptno = -1;\n"
                                        "-- three: 7; 8\n"
                                        "select 7 as x union all select 8 union all select 9");
    window.setEditorText(text);
    const StatementCase cases[] = {
        {"cursor inside the first", "union all select 2", nullptr, 2},
        {"cursor just after the first's ;", "\n\nupdate", nullptr, 2},
        {"cursor inside the update", "ename where", nullptr, -1},
        {"cursor on the comment before the last", "three", nullptr, 3},
        {"a selection inside the last", "select 8", " union all select 9", 1},
        {"a selection of part of the first", "select 2", ";", 1},
    };
    for (const StatementCase& c : cases) {
        const qsizetype from = text.indexOf(QString::fromUtf8(c.from));
        ASSERT_GE(from, 0) << c.name;
        QTextCursor cursor(window.REDT_QueryTool->document());
        cursor.setPosition(int(from));
        if (c.until) {
            const qsizetype until = text.indexOf(QString::fromUtf8(c.until), from);
            ASSERT_GT(until, from) << c.name;
            cursor.setPosition(int(until), QTextCursor::KeepAnchor);
        }
        window.REDT_QueryTool->setTextCursor(cursor);
        QString records;
        if (c.records < 0) {
            desktop.expectBox(BoxKind::Information,
                              QStringLiteral("SQL executed successfully\r0 rows were affected."),
                              BoxAnswer::Ok);
        } else {
            WhenModal([&](QWidget*) {
                records = ctx.query->EDT_TotalRecords->text();
                ctx.query->BBN_Close->click();
            });
        }
        window.MI_ExecuteStatement->trigger();
        desktop.verify();
        if (c.records >= 0) {
            EXPECT_EQ(records.toInt(), c.records) << c.name << ": " << records.toStdString();
        }
        EXPECT_EQ(window.editorText(), text) << c.name << " leaves the editor as it was";
    }
}

TEST_F(ExecuteStatementTest, CtrlShiftReturnInTheEditorRunsTheStatement)
{
    Startup startup(ctx);
    TFRM_QueryTool& window = logIntoSample(startup);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.REDT_QueryTool->setFocus();
    const QString text = QStringLiteral("select * from emp;\nupdate emp set ename = ename where deptno = -1");
    window.setEditorText(text);
    window.REDT_QueryTool->moveCursor(QTextCursor::End);
    QSignalSpy statement(&window, &TFRM_QueryTool::executeStatementRequested);
    QSignalSpy whole(&window, &TFRM_QueryTool::executeSQLRequested);
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("SQL executed successfully\r0 rows were affected."), BoxAnswer::Ok);
    QTest::keyClick(window.REDT_QueryTool, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    desktop.verify();
    ASSERT_EQ(statement.count(), 1);
    EXPECT_EQ(statement[0][0].toStringList(),
              QStringList{QStringLiteral("update emp set ename = ename where deptno = -1")});
    EXPECT_EQ(whole.count(), 0);
    EXPECT_EQ(window.editorText(), text) << "the key typed nothing";

    // Whatever stops Execute SQL stops this too.
    window.BBN_ExecuteSQL->setEnabled(false);
    QTest::keyClick(window.REDT_QueryTool, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(statement.count(), 1);
}

} // namespace
