#include "platform/AppPrinter.h"
#include "platform/PrintFileNames.h"
#include "print/ModalScript.h"
#include "print/SQL_Procs.h"
#include "print/report.h"
#include "query/ColumnLayout.h"
#include "report_engine/PdfTools.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/FileSizeLimit.h"
#include "support/GuiApp.h"
#include "support/GuiTest.h"
#include "support/ProgressCanceller.h"

#include "connection/Connection.h"
#include "connection/Query.h"
#include "platform/AppContext.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <memory>
#include <optional>

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
        // No printer installed: everything goes to PDF files. This one stands for a file chosen
        // in an earlier print dialog.
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(chosenBefore());
        printer.setPageOrientation(QPageLayout::Portrait);
    }

    QString chosenBefore() const { return dir.filePath(QStringLiteral("chosen-before.pdf")); }
    /// The file the last direct print wrote, as its box named it.
    QString output() const { return m_written; }
    /// The PDF files in the folder printouts go to.
    QStringList printouts() const
    {
        return QDir(PrintoutFolder()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }

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
        script.then([this, edit, preview](QWidget* w) {
            auto* f = qobject_cast<TFRM_Report*>(w);
            ASSERT_TRUE(f);
            f->CBX_ShowPreview->setCurrentText(preview ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
            if (edit)
                edit(*f);
            f->BBN_Ok->click();
            if (roomAfterOptions)
                limit.emplace(*roomAfterOptions);
        });
    }

    /// A direct print to a file: its box names the file written.
    void print(int shown = 0, const QString& title = QStringLiteral("Query Result"))
    {
        desktop.expectBox(BoxKind::Information, BoxAnswer::Ok);
        printWithoutFile(shown, title);
        ASSERT_FALSE(desktop.boxes.empty());
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^The report was written to the file \"(.*)\"\\.$"))
                .match(desktop.boxes.back().text);
        ASSERT_TRUE(m.hasMatch()) << qPrintable(desktop.boxes.back().text);
        m_written = m.captured(1);
    }
    void printWithoutFile(int shown = 0, const QString& title = QStringLiteral("Query Result"))
    {
        PrintQueryResult(ctx, grid, layout, title, shown);
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

    /// Every file and hidden file in the folder printouts go to.
    QStringList everyFile() const
    {
        return QDir(PrintoutFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    /// Once the options are confirmed (and stored), files may hold at most this many bytes.
    std::optional<rlim_t> roomAfterOptions;
    std::optional<FileSizeLimit> limit;
    QTemporaryDir dir;
    Connection connection;
    Query grid{connection};
    ColumnLayout layout{settings};
    std::unique_ptr<TFRM_Report> form;
    ModalScript script;
    QString m_written;
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
    EXPECT_EQ(desktop.boxes.size(), 1u);
    ASSERT_TRUE(form->QRY_Report);
    EXPECT_TRUE(form->QRY_Report->isActive()) << "the report query stays open until the next report";
}

TEST_F(PrintQueryResultTest, ANullCellPrintsEmptyWithoutTheGridsMarker)
{
    openGrid(QStringLiteral("SELECT DEPTNO, LOC, DNAME FROM DEPT WHERE DEPTNO = 60"));
    ASSERT_TRUE(grid.isNull(0, 1));
    confirmOptions();
    print();
    const QString text = pdfText(output());
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("60\\s+HUMAN RESOURCES"))))
        << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("null"), Qt::CaseInsensitive));
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
    EXPECT_EQ(enabledCells(), (QStringList{QStringLiteral("SAL"), QStringLiteral("EMPNO"),
                                           QStringLiteral("ENAME"), QStringLiteral("JOB")}));
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
    openGrid(QStringLiteral(
        "SELECT E.ENAME AS NAME, D.DNAME AS NAME FROM EMP E JOIN DEPT D ON D.DEPTNO = E.DEPTNO "
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
    printWithoutFile();
    EXPECT_EQ(caption, QStringLiteral("Query Result"));
    EXPECT_GT(pages, 1);
    EXPECT_TRUE(printouts().isEmpty()) << "previewing prints nothing";
}

TEST_F(PrintQueryResultTest, NothingHappensOnCancelOrForAClosedQuery)
{
    desktop.expectBox(BoxKind::Error, QStringLiteral("The Query passed to the print routine is not ACTIVE"),
                      BoxAnswer::Ok);
    PrintQueryResult(ctx, grid, layout, QStringLiteral("Query Result"), 0);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("The Query passed to the print routine is not ACTIVE"));
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(desktop.busyDepth, 0);
    EXPECT_EQ(script.answered(), 0) << "no dialog for a closed query";

    openGrid(QStringLiteral("SELECT DNAME FROM DEPT"));
    script.then([](QWidget* w) { qobject_cast<TFRM_Report*>(w)->BBN_Cancel->click(); });
    printWithoutFile();
    EXPECT_TRUE(printouts().isEmpty());
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
    printWithoutFile();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Plain);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("SQL Error in Print module"));
    EXPECT_TRUE(printouts().isEmpty());
}

TEST_F(PrintQueryResultTest, ALongRerunShowsTheProgressWindowAndCancelPrintsNothing)
{
    // Quick when the grid opened it; counting to a billion by the time the report runs it again.
    exec(QStringLiteral("CREATE TABLE LIM (N INTEGER)"));
    exec(QStringLiteral("INSERT INTO LIM VALUES (2)"));
    openGrid(QStringLiteral("WITH RECURSIVE C(K) AS (SELECT 1 UNION ALL SELECT K + 1 FROM C WHERE K < "
                            "(SELECT N FROM LIM)) SELECT count(*) AS TOTAL FROM C"));
    exec(QStringLiteral("UPDATE LIM SET N = 1000000000"));
    const ProgressCanceller canceller;
    confirmOptions();
    desktop.expectBox(BoxKind::Plain, QStringLiteral("SQL Error in Print module"), BoxAnswer::Ok);
    printWithoutFile();
    EXPECT_TRUE(canceller.cancelled()) << "no progress window";
    EXPECT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(printouts().isEmpty());
}

TEST_F(PrintQueryResultTest, RowsAllGoneOnTheRerunPrintNothing)
{
    exec(QStringLiteral("CREATE TABLE SHORT_LIVED (A INTEGER)"));
    exec(QStringLiteral("INSERT INTO SHORT_LIVED VALUES (1), (2)"));
    openGrid(QStringLiteral("SELECT A FROM SHORT_LIVED"));
    exec(QStringLiteral("DELETE FROM SHORT_LIVED"));
    confirmOptions();
    printWithoutFile();
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_TRUE(printouts().isEmpty()) << "the name taken for it is given back";
}

TEST_F(PrintQueryResultTest, AFolderThatTakesNoFileIsReported)
{
    openGrid(QStringLiteral("SELECT DNAME FROM DEPT"));
    const QString gone = dir.filePath(QStringLiteral("no/such/home"));
    qputenv("HOME", gone.toUtf8());
    confirmOptions();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    printWithoutFile();
    qputenv("HOME", home.path().toUtf8());
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].text,
              QStringLiteral("The report could not be written to the file \"%1/Query Result.pdf\".\n"
                             "No such file or directory")
                  .arg(gone));
}

} // namespace

namespace {

/// The preview's tool bar action with that text.
QAction* previewAction(QWidget* preview, const QString& text)
{
    const QList<QAction*> actions = preview->findChildren<QAction*>();
    for (QAction* action : actions) {
        if (action->text().remove(u'&') == text)
            return action;
    }
    ADD_FAILURE() << "no action " << qPrintable(text);
    return nullptr;
}

/// From the modal window's own event loop, so that the script goes on answering what it opens.
void triggerLater(QAction* action)
{
    if (action)
        QTimer::singleShot(0, action, &QAction::trigger);
}

/// The OK button of a dialog, pressed as the user would (the dialog checks its fields first),
/// from the dialog's own event loop: a question it asks is then answered by the script.
void pressOk(QWidget* dialog)
{
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_TRUE(buttons);
    QTimer::singleShot(0, buttons->button(QDialogButtonBox::Ok), &QPushButton::click);
}

/// Every "Row n" of the text, counted.
QMap<int, int> rowsIn(const QString& text)
{
    QMap<int, int> rows;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("\\bRow (\\d+)\\b")).globalMatch(text);
    while (it.hasNext())
        ++rows[it.next().captured(1).toInt()];
    return rows;
}

class ReportPreviewTest : public PrintQueryResultTest
{
protected:
    void makeRows(int count)
    {
        exec(QStringLiteral("CREATE TABLE MANY (N INTEGER, NAME TEXT)"));
        exec(QStringLiteral("WITH RECURSIVE C(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM C WHERE N < %1) "
                            "INSERT INTO MANY SELECT N, 'Row ' || N FROM C")
                 .arg(count));
        openGrid(QStringLiteral("SELECT N, NAME FROM MANY ORDER BY N"));
        ASSERT_EQ(grid.recordCount(), count);
    }

    /// Previews the report, optionally makes choices in the preview's page setup, then prints
    /// from the preview into file; inDialog makes more choices in the print dialog.
    void previewAndPrint(const QString& file, std::function<void(QWidget*)> pageSetup,
                         std::function<void(QWidget*)> inDialog = {})
    {
        confirmOptions({}, true);
        const bool setup = bool(pageSetup);
        script.thenOn<QPrintPreviewDialog>([this, setup](QWidget* w) {
            pagesShown = w->findChild<QPrintPreviewWidget*>()->pageCount();
            triggerLater(previewAction(w, setup ? QStringLiteral("Page setup") : QStringLiteral("Print")));
        });
        if (setup) {
            script.thenOn<QPageSetupDialog>([pageSetup](QWidget* w) {
                pageSetup(w);
                // Print once the preview has laid out the pages for the new page.
                auto* preview = w->parentWidget()->findChild<QPrintPreviewWidget*>();
                QObject::connect(
                    preview, &QPrintPreviewWidget::previewChanged, preview,
                    [preview] { triggerLater(previewAction(preview->window(), QStringLiteral("Print"))); },
                    Qt::SingleShotConnection);
                pressOk(w);
            });
        }
        script.thenOn<QPrintDialog>([this, file, inDialog](QWidget* w) {
            pagesShown = w->parentWidget()->findChild<QPrintPreviewWidget*>()->pageCount();
            auto* name = w->findChild<QLineEdit*>(QStringLiteral("filename"));
            ASSERT_TRUE(name);
            offered = name->text();
            name->setText(file);
            if (inDialog)
                inDialog(w);
            pressOk(w);
        });
        printWithoutFile();
    }

    /// Every row printed once, every page with its footer, on paper of that size.
    void expectEveryRowAndFooter(const QString& file, int rows, const QString& paper)
    {
        const QString size = pdfInfo(file, QStringLiteral("Page size"));
        EXPECT_TRUE(size.startsWith(paper)) << qPrintable(size);
        const QStringList pages = pdfPages(file);
        ASSERT_EQ(pages.size(), pdfPageCount(file));
        QMap<int, int> expected;
        for (int n = 1; n <= rows; ++n)
            expected[n] = 1;
        EXPECT_EQ(rowsIn(pages.join(QString())), expected);
        for (int p = 0; p < pages.size(); ++p) {
            SCOPED_TRACE(p);
            EXPECT_TRUE(pages[p].contains(QStringLiteral("Page No: %1").arg(p + 1)));
            EXPECT_TRUE(pages[p].contains(QStringLiteral("Total Records: %1").arg(rows)));
        }
    }

    int pagesShown = 0;
    QString offered;
};

void turnToLandscape(QWidget* pageSetup)
{
    auto* turn = pageSetup->findChild<QRadioButton*>(QStringLiteral("landscape"));
    ASSERT_TRUE(turn);
    turn->click();
}

TEST_F(PrintQueryResultTest, ADirectPrintToAFileNeverWritesOverOne)
{
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    const QString documents = home.path() + QStringLiteral("/Documents");
    ASSERT_EQ(PrintoutFolder(), documents);
    const auto writeFile = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const auto contents = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    writeFile(chosenBefore(), "a printout the user saved");
    writeFile(documents + QStringLiteral("/Query Result.pdf"), "an earlier report");

    openGrid(QStringLiteral("SELECT DNAME FROM DEPT ORDER BY DEPTNO"));
    confirmOptions();
    print();
    EXPECT_EQ(output(), documents + QStringLiteral("/Query Result (2).pdf"));
    EXPECT_TRUE(pdfText(output()).contains(QStringLiteral("ACCOUNTING")));
    EXPECT_EQ(contents(chosenBefore()), "a printout the user saved");
    EXPECT_EQ(contents(documents + QStringLiteral("/Query Result.pdf")), "an earlier report");

    // The title names the file, made safe; the next report of that title takes the next number.
    openGrid(QStringLiteral("SELECT LOC FROM DEPT ORDER BY DEPTNO"));
    const auto titled = [](TFRM_Report& f) { f.EDT_Title->setText(QStringLiteral(" Sales: 2024/Q1? ")); };
    confirmOptions(titled);
    print();
    EXPECT_EQ(output(), documents + QStringLiteral("/Sales_ 2024_Q1_.pdf"));
    confirmOptions(titled);
    print();
    EXPECT_EQ(output(), documents + QStringLiteral("/Sales_ 2024_Q1_ (2).pdf"));
    EXPECT_TRUE(
        pdfText(documents + QStringLiteral("/Sales_ 2024_Q1_.pdf")).contains(QStringLiteral("NEW YORK")));

    // Without a documents folder the home folder takes them.
    QDir(documents).removeRecursively();
    confirmOptions();
    print();
    EXPECT_EQ(output(), home.path() + QStringLiteral("/Query Result.pdf"));
}

TEST_F(ReportPreviewTest, AReportThatDoesNotFitItsFileSaysWhyAndLeavesNoFile)
{
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    makeRows(3000);
    const QString chosen = PrintoutFolder() + QStringLiteral("/chosen.pdf");
    const struct
    {
        const char* name;
        bool preview;
        QString file;
    } ways[] = {
        {"printed straight to a file", false, PrintoutFolder() + QStringLiteral("/Query Result.pdf")},
        {"printed from the preview", true, chosen},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        // Room for the settings store (its shared memory file takes 32 KB), none for the report.
        roomAfterOptions = 64 * 1024;
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        if (way.preview)
            previewAndPrint(chosen, {});
        else {
            confirmOptions();
            printWithoutFile();
        }
        limit.reset();
        ASSERT_EQ(desktop.boxes.size(), 1u);
        EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
        EXPECT_EQ(desktop.boxes[0].text,
                  QStringLiteral("The report could not be written to the file \"%1\".\nFile too large")
                      .arg(way.file));
        EXPECT_TRUE(everyFile().isEmpty()) << qPrintable(everyFile().join(u' '));
        desktop.boxes.clear();
    }

    // With room again the same report is written whole.
    roomAfterOptions.reset();
    confirmOptions();
    print();
    expectEveryRowAndFooter(output(), 3000, QStringLiteral("612 x 792"));
}

TEST_F(ReportPreviewTest, ALongDirectPrintShowsThePagesWrittenAndCancelLeavesNoFile)
{
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    makeRows(3000);
    // Runs whenever the print lets events through: it holds the work past the moment the progress
    // window comes up, until the window counts pages; then it presses Cancel.
    QString label;
    int held = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!label.isEmpty())
            return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(w);
            if (progress && progress->isVisible() &&
                progress->labelText().startsWith(QStringLiteral("Page "))) {
                label = progress->labelText();
                progress->cancel();
                return;
            }
        }
        if (held++ < 20)
            QThread::msleep(450);
    });
    watch.start(0);
    confirmOptions();
    printWithoutFile();
    watch.stop();
    EXPECT_TRUE(label.contains(QRegularExpression(QStringLiteral("^Page \\d+ of \\d+$"))))
        << qPrintable(label);
    EXPECT_TRUE(desktop.boxes.empty()) << "a cancel is no failure";
    EXPECT_TRUE(everyFile().isEmpty()) << qPrintable(everyFile().join(u' '));
}

TEST_F(ReportPreviewTest, PageSetupInThePreviewLaysTheReportOutForTheNewPage)
{
    makeRows(200);
    const QString portrait = dir.filePath(QStringLiteral("portrait.pdf"));
    previewAndPrint(portrait, {});
    const int portraitPages = pagesShown;
    EXPECT_EQ(pdfPageCount(portrait), portraitPages);
    expectEveryRowAndFooter(portrait, 200, QStringLiteral("612 x 792"));

    const QString landscape = dir.filePath(QStringLiteral("landscape.pdf"));
    previewAndPrint(landscape, turnToLandscape);
    EXPECT_GT(pagesShown, portraitPages) << "the preview shows the new pages at once";
    EXPECT_EQ(pdfPageCount(landscape), pagesShown);
    expectEveryRowAndFooter(landscape, 200, QStringLiteral("792 x 612"));
    const GenericPage& page = form->printSettings().Page;
    EXPECT_EQ(page.PageWidth, 1056);
    EXPECT_EQ(page.Orientation, PageOrientation::Landscape);
}

TEST_F(ReportPreviewTest, APaperChosenInThePreviewServesThatReportOnly)
{
    makeRows(120);
    const QString file = dir.filePath(QStringLiteral("a4.pdf"));
    previewAndPrint(file, [](QWidget* w) {
        auto* sizes = w->findChild<QComboBox*>(QStringLiteral("pageSizeCombo"));
        ASSERT_TRUE(sizes);
        const int a4 = sizes->findData(QVariant::fromValue(QPageSize(QPageSize::A4)));
        ASSERT_GE(a4, 0);
        sizes->setCurrentIndex(a4);
    });
    expectEveryRowAndFooter(file, 120, QStringLiteral("595 x 842"));
    EXPECT_NEAR(form->printSettings().Page.PageWidth, 210 / 25.4 * 96, 0.5);

    confirmOptions();
    print();
    expectEveryRowAndFooter(output(), 120, QStringLiteral("612 x 792"));
}

TEST_F(ReportPreviewTest, AWiderPageTakesTheColumnsThatDidNotFit)
{
    SettingsStore().WriteNumber(QryFields, QStringLiteral("NAME->WIDTH"), 700);
    makeRows(3);
    const QString file = dir.filePath(QStringLiteral("wide.pdf"));
    previewAndPrint(file, turnToLandscape);
    const GenericPage& page = form->printSettings().Page;
    EXPECT_EQ(page.ColumnWidths[1], 700);
    // Portrait: 50 + (64 + 9.6) + (700 + 9.6) passes 720, so NAME went to line 2; landscape
    // holds both on line 1.
    EXPECT_EQ(form->RPT_Report.pageHeader.height, 65);
    EXPECT_TRUE(pdfText(file).contains(QRegularExpression(QStringLiteral("\\n\\s*1\\s+1\\s+Row 1\\b"))));
}

TEST_F(ReportPreviewTest, APageRangeInThePreviewsPrintDialogIsHonouredWithTheCopies)
{
    makeRows(100);
    const QString taken = PrintoutFolder() + QStringLiteral("/Query Result.pdf");
    {
        QFile f(taken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept");
    }
    const QString file = dir.filePath(QStringLiteral("range.pdf"));
    bool askedToReplace = false;
    previewAndPrint(file, {}, [&](QWidget* dialog) {
        dialog->findChild<QRadioButton*>(QStringLiteral("printRange"))->click();
        dialog->findChild<QSpinBox*>(QStringLiteral("from"))->setValue(2);
        dialog->findChild<QSpinBox*>(QStringLiteral("to"))->setValue(2);
        dialog->findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(2);
        // First the existing file: the dialog asks, and No leaves it alone.
        dialog->findChild<QLineEdit*>(QStringLiteral("filename"))->setText(taken);
        script.thenOn<QMessageBox>([&](QWidget* question) {
            askedToReplace = true;
            qobject_cast<QMessageBox*>(question)->button(QMessageBox::No)->click();
        });
        script.thenOn<QPrintDialog>([file](QWidget* again) {
            again->findChild<QLineEdit*>(QStringLiteral("filename"))->setText(file);
            pressOk(again);
        });
    });
    EXPECT_EQ(offered, PrintoutFolder() + QStringLiteral("/Query Result (2).pdf")) << "a name not there yet";
    EXPECT_TRUE(askedToReplace);
    QFile kept(taken);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "kept");

    const QStringList pages = pdfPages(file);
    ASSERT_EQ(pages.size(), 2) << "page 2, twice";
    for (const QString& page : pages) {
        EXPECT_TRUE(page.contains(QStringLiteral("Page No: 2")));
        EXPECT_FALSE(page.contains(QStringLiteral("Page No: 1")));
    }
    EXPECT_EQ(rowsIn(pages[0]), rowsIn(pages[1]));

    // A later direct print is a whole report again.
    confirmOptions();
    print();
    EXPECT_EQ(pdfPageCount(output()), pagesShown);
}

} // namespace
