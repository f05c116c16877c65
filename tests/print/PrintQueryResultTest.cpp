#include "platform/AppPrinter.h"
#include "print/ModalScript.h"
#include "print/SQL_Procs.h"
#include "print/report.h"
#include "report_engine/PdfTools.h"
#include "support/GuiApp.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"

#include "app/AppContext.h"
#include "connection/Connection.h"
#include "connection/Query.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

namespace {

using Schema::Section::QryFields;

class PrintQueryResultTest : public GuiTest
{
protected:
    PrintQueryResultTest()
    {
        SettingsStore().SeedDefaults();
        connection.setName(QStringLiteral("Sample"));
        connection.connect();
        ctx.connection = &connection;
        form = std::make_unique<TFRM_Report>(ctx);
        ctx.report = form.get();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(output());
        printer.setPageOrientation(QPageLayout::Portrait);
    }

    QString output() const { return dir.filePath(QStringLiteral("report.pdf")); }

    void openGrid(const QString& sql)
    {
        grid.close();
        grid.setSql({sql});
        grid.open();
    }
    void exec(const QString& sql)
    {
        Query q(connection);
        q.setSql({sql});
        q.execSQL();
    }

    /// The print options dialog answered with OK, printing straight to the printer; edit
    /// changes the fields first.
    void confirmOptions(std::function<void(TFRM_Report&)> edit = {}, bool preview = false)
    {
        script.then([edit, preview](QWidget* w) {
            auto* f = qobject_cast<TFRM_Report*>(w);
            ASSERT_TRUE(f);
            f->CBX_ShowPreview->setCurrentText(preview ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
            if (edit)
                edit(*f);
            f->BBN_Ok->click();
        });
    }

    void print(int shown = 0, const QString& title = QStringLiteral("Query Result"))
    {
        PrintQueryResult(ctx, grid, title, shown);
        EXPECT_EQ(script.pending(), 0) << "every modal window expected came up";
        EXPECT_EQ(desktop.busyDepth, 0);
        EXPECT_EQ(desktop.suspendDepth, 0);
    }

    QStringList enabledCells() const
    {
        QStringList bound;
        for (int k = 1; k <= kReportMaxColumns; ++k) {
            const ReportElement* cell = form->RPT_Report.findElement(QStringLiteral("RPD_Cell%1").arg(k));
            if (cell->enabled)
                bound.append(cell->fieldName);
        }
        return bound;
    }

    QTemporaryDir dir;
    Connection connection;
    Query grid{connection};
    std::unique_ptr<TFRM_Report> form;
    ModalScript script;
};

TEST_F(PrintQueryResultTest, PrintsASampleResultWithTitleHeadingsCellsAndFooter)
{
    ctx.shortDateFormat = QStringLiteral("MM/dd/yyyy");
    openGrid(QStringLiteral("SELECT EMPNO, ENAME, JOB, SAL FROM EMP ORDER BY EMPNO"));
    ASSERT_GT(grid.recordCount(), 30) << "enough rows for a second page";
    confirmOptions();
    print();

    ASSERT_TRUE(QFileInfo::exists(output()));
    EXPECT_EQ(pdfInfo(output(), QStringLiteral("Title")), QStringLiteral("Query Result"));
    const QStringList pages = pdfPages(output());
    ASSERT_EQ(pages.size(), pdfPageCount(output()));
    ASSERT_GE(pages.size(), 2);
    const QString total = QStringLiteral("Total Records: %1").arg(grid.recordCount());
    const QString today = QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy"));
    for (int p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p);
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Query Result")));
        EXPECT_TRUE(pages[p].contains(QRegularExpression(QStringLiteral("EMPNO\\s+ENAME\\s+JOB\\s+SAL"))));
        EXPECT_TRUE(pages[p].contains(total));
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Page No: %1").arg(p + 1)));
        EXPECT_TRUE(pages[p].contains(today));
    }
    // Row 1 with its values in the grid's order, and the last row on the last page.
    auto rowPattern = [&](int record) {
        return QRegularExpression(QStringLiteral("(^|\\n)\\s*%1\\s+%2\\s+%3\\s+%4\\s+%5")
                                      .arg(record + 1)
                                      .arg(QRegularExpression::escape(grid.valueText(record, 0)),
                                           QRegularExpression::escape(grid.valueText(record, 1)),
                                           QRegularExpression::escape(grid.valueText(record, 2)),
                                           QRegularExpression::escape(grid.valueText(record, 3))));
    };
    EXPECT_TRUE(pages.first().contains(rowPattern(0))) << qPrintable(pages.first().left(1500));
    EXPECT_TRUE(pages.last().contains(rowPattern(grid.recordCount() - 1)));

    // The record: widths of display width characters, names in order, page from the printer.
    const GenericReport& settings = form->printSettings();
    EXPECT_EQ(settings.Page.PageWidth, 816);
    EXPECT_EQ(settings.Page.RowNumberWidth, 50);
    EXPECT_EQ(settings.Page.ColumnFieldNames[1], QStringLiteral("ENAME"));
    EXPECT_DOUBLE_EQ(settings.Page.ColumnWidths[1], grid.field(1).displayWidth * 6.4);
    EXPECT_EQ(settings.Page.ColumnFieldNames[4], QString());
    EXPECT_TRUE(desktop.boxes.empty());
    ASSERT_TRUE(form->QRY_Report);
    EXPECT_TRUE(form->QRY_Report->isActive()) << "the report query stays open until the next report";
}

TEST_F(PrintQueryResultTest, WithoutAPrinterTheReportSaysWhichFileItWentTo)
{
    // What the application printer falls back to when no printer is installed.
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(DefaultPdfOutputPath());
    const QString file = printer.outputFileName();
    ASSERT_TRUE(file.startsWith(QDir::homePath())) << "the test's own home, not the user's";
    openGrid(QStringLiteral("SELECT EMPNO FROM EMP"));
    confirmOptions();
    desktop.expectBox(BoxKind::Information,
                      QStringLiteral("The report was written to the file \"%1\".").arg(file), BoxAnswer::Ok);
    print();
    EXPECT_TRUE(QFileInfo(file).size() > 0);
    EXPECT_EQ(desktop.boxes.size(), 1u);

    // A file chosen in the print dialog is no surprise, and the preview shows where it goes.
    desktop.boxes.clear();
    printer.setOutputFileName(output());
    confirmOptions();
    print();
    EXPECT_TRUE(desktop.boxes.empty());
}

TEST_F(PrintQueryResultTest, ColumnsFollowTheGridOrderWithTheirOwnWidthsAndHeadings)
{
    SettingsStore().WriteNumber(QryFields, QStringLiteral("ENAME->WIDTH"), 200);
    SettingsStore().WriteText(QryFields, QStringLiteral("SAL->NAME"), QStringLiteral("Salary"));
    openGrid(QStringLiteral("SELECT EMPNO, ENAME, JOB, SAL FROM EMP ORDER BY EMPNO"));
    grid.moveField(3, 0); // the grid shows SAL, EMPNO, ENAME, JOB
    confirmOptions();
    print();

    const GenericPage& page = form->printSettings().Page;
    EXPECT_EQ(page.ColumnFieldNames[0], QStringLiteral("SAL"));
    EXPECT_EQ(page.ColumnFieldNames[2], QStringLiteral("ENAME"));
    EXPECT_DOUBLE_EQ(page.ColumnWidths[2], 200);
    EXPECT_EQ(enabledCells(), (QStringList{QStringLiteral("SAL"), QStringLiteral("EMPNO"), QStringLiteral("ENAME"),
                                           QStringLiteral("JOB")}));
    EXPECT_EQ(form->RPT_Report.findElement(QStringLiteral("RPD_Cell3"))->width, 200);

    const QString text = pdfText(output());
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Salary\\s+EMPNO\\s+ENAME\\s+JOB"))));
    const QString first = QStringLiteral("1\\s+%1\\s+%2\\s+%3")
                              .arg(QRegularExpression::escape(grid.valueText(0, 0)),
                                   QRegularExpression::escape(grid.valueText(0, 1)),
                                   QRegularExpression::escape(grid.valueText(0, 2)));
    EXPECT_TRUE(text.contains(QRegularExpression(first))) << "each cell under its own heading";
}

TEST_F(PrintQueryResultTest, AtMostSixteenColumnsAndNoMoreThanTheGridShows)
{
    QStringList select;
    for (int i = 1; i <= 20; ++i)
        select.append(QStringLiteral("%1 AS C%1").arg(i));
    openGrid(QStringLiteral("SELECT ") + select.join(QStringLiteral(", ")) + QStringLiteral(" FROM DEPT"));
    confirmOptions([](TFRM_Report& f) {
        f.EDT_Left->setText(QStringLiteral("0"));
        f.EDT_Right->setText(QStringLiteral("0"));
    });
    print(0);
    const GenericPage& page = form->printSettings().Page;
    EXPECT_EQ(page.ColumnFieldNames[15], QStringLiteral("C16"));
    QStringList sixteen;
    for (int i = 1; i <= 16; ++i)
        sixteen.append(QStringLiteral("C%1").arg(i));
    const QStringList printed = enabledCells();
    EXPECT_EQ(printed, sixteen.mid(0, printed.size()));
    EXPECT_FALSE(pdfText(output()).contains(QStringLiteral("C17")));

    confirmOptions();
    print(5);
    EXPECT_EQ(enabledCells(), sixteen.mid(0, 5)) << "an earlier report's slots are taken out";
    EXPECT_EQ(form->printSettings().Page.ColumnFieldNames[5], QString());
    EXPECT_FALSE(pdfText(output()).contains(QStringLiteral("C6")));

    grid.setVisible(0, false);
    confirmOptions();
    print(3);
    EXPECT_EQ(enabledCells(), (QStringList{QStringLiteral("C2"), QStringLiteral("C3"), QStringLiteral("C4")}))
        << "only the fields the grid shows";
}

TEST_F(PrintQueryResultTest, RowNumbersOffStartTheColumnsAtTheSpacing)
{
    openGrid(QStringLiteral("SELECT DNAME, LOC FROM DEPT ORDER BY DEPTNO"));
    confirmOptions([](TFRM_Report& f) { f.CBX_ShowRowNumber->setCurrentText(QStringLiteral("FALSE")); });
    print();
    EXPECT_EQ(form->printSettings().Page.RowNumberWidth, 0);
    EXPECT_FALSE(form->RPT_Report.findElement(QStringLiteral("RPS_RowNumber"))->enabled);
    EXPECT_EQ(form->RPT_Report.findElement(QStringLiteral("RPD_Cell1"))->left, 9);
    const QString text = pdfText(output());
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("\\n\\s*ACCOUNTING\\s+NEW YORK"))));
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\b1\\s+ACCOUNTING"))));
}

TEST_F(PrintQueryResultTest, TheReportQueryRunsWithTheSameParameters)
{
    grid.setSql({QStringLiteral("SELECT ENAME FROM EMP WHERE DEPTNO = :DEPT ORDER BY ENAME")});
    grid.setParamAsString(0, QStringLiteral("20"));
    grid.open();
    const int rows = grid.recordCount();
    ASSERT_GT(rows, 0);
    confirmOptions();
    print();
    EXPECT_EQ(form->QRY_Report->recordCount(), rows);
    EXPECT_EQ(form->QRY_Report->paramAsText(0), QStringLiteral("20"));
    EXPECT_TRUE(pdfText(output()).contains(QStringLiteral("Total Records: %1").arg(rows)));
}

TEST_F(PrintQueryResultTest, FieldsOfOneNameEachPrintTheirOwnValues)
{
    openGrid(QStringLiteral("SELECT E.ENAME AS NAME, D.DNAME AS NAME FROM EMP E JOIN DEPT D ON D.DEPTNO = E.DEPTNO "
                            "ORDER BY E.EMPNO"));
    confirmOptions();
    print();
    const QString first = QStringLiteral("1\\s+%1\\s+%2")
                              .arg(QRegularExpression::escape(grid.valueText(0, 0)),
                                   QRegularExpression::escape(grid.valueText(0, 1)));
    EXPECT_TRUE(pdfText(output()).contains(QRegularExpression(first)));
}

TEST_F(PrintQueryResultTest, TheTitleTypedAppliesToThisReportOnly)
{
    openGrid(QStringLiteral("SELECT DNAME FROM DEPT"));
    confirmOptions([](TFRM_Report& f) { f.EDT_Title->setText(QStringLiteral("Departments")); });
    print();
    EXPECT_TRUE(pdfText(output()).contains(QStringLiteral("Departments")));
    EXPECT_EQ(pdfInfo(output(), QStringLiteral("Title")), QStringLiteral("Departments"));

    QString offered;
    script.then([&](QWidget* w) {
        auto* f = qobject_cast<TFRM_Report*>(w);
        offered = f->EDT_Title->text();
        f->BBN_Ok->click();
    });
    print();
    EXPECT_EQ(offered, QStringLiteral("Query Result"));
    EXPECT_FALSE(pdfText(output()).contains(QStringLiteral("Departments")));
}

TEST_F(PrintQueryResultTest, PreviewShowsThePagesAndReturnsWhenClosed)
{
    openGrid(QStringLiteral("SELECT * FROM CUSTOMER ORDER BY CUSTNO"));
    confirmOptions({}, true);
    QString caption;
    int pages = 0;
    script.then([&](QWidget* w) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
        ASSERT_TRUE(preview) << qPrintable(w->metaObject()->className());
        caption = preview->windowTitle();
        pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
        preview->close();
    });
    print();
    EXPECT_EQ(caption, QStringLiteral("Query Result"));
    EXPECT_GT(pages, 1);
    EXPECT_FALSE(QFileInfo::exists(output())) << "previewing prints nothing";
}

TEST_F(PrintQueryResultTest, NothingHappensOnCancelOrForAClosedQuery)
{
    desktop.expectBox(BoxKind::Error, QStringLiteral("The Query passed to the print routine is not ACTIVE"), BoxAnswer::Ok);
    PrintQueryResult(ctx, grid, QStringLiteral("Query Result"), 0);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("The Query passed to the print routine is not ACTIVE"));
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(desktop.busyDepth, 0);
    EXPECT_EQ(script.answered(), 0) << "no dialog for a closed query";

    openGrid(QStringLiteral("SELECT DNAME FROM DEPT"));
    script.then([](QWidget* w) { qobject_cast<TFRM_Report*>(w)->BBN_Cancel->click(); });
    print();
    EXPECT_FALSE(QFileInfo::exists(output()));
    EXPECT_EQ(desktop.boxes.size(), 1);
    EXPECT_FALSE(form->QRY_Report && form->QRY_Report->isActive());
}

TEST_F(PrintQueryResultTest, AnEngineFailureOnTheRerunIsReportedAndNothingPrinted)
{
    exec(QStringLiteral("CREATE TABLE GONE (A INTEGER)"));
    exec(QStringLiteral("INSERT INTO GONE VALUES (1)"));
    openGrid(QStringLiteral("SELECT A FROM GONE"));
    exec(QStringLiteral("DROP TABLE GONE"));
    confirmOptions();
    desktop.expectBox(BoxKind::Plain, QStringLiteral("SQL Error in Print module"), BoxAnswer::Ok);
    print();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Plain);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("SQL Error in Print module"));
    EXPECT_FALSE(QFileInfo::exists(output()));
}

TEST_F(PrintQueryResultTest, RowsAllGoneOnTheRerunPrintNothing)
{
    exec(QStringLiteral("CREATE TABLE SHORT_LIVED (A INTEGER)"));
    exec(QStringLiteral("INSERT INTO SHORT_LIVED VALUES (1), (2)"));
    openGrid(QStringLiteral("SELECT A FROM SHORT_LIVED"));
    exec(QStringLiteral("DELETE FROM SHORT_LIVED"));
    confirmOptions();
    print();
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_FALSE(QFileInfo::exists(output()));
}

TEST_F(PrintQueryResultTest, APrinterThatCannotBeOpenedIsReported)
{
    printer.setOutputFileName(dir.filePath(QStringLiteral("no/such/folder/report.pdf")));
    openGrid(QStringLiteral("SELECT DNAME FROM DEPT"));
    confirmOptions();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    print();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.contains(QStringLiteral("no/such/folder/report.pdf")));
}

} // namespace
