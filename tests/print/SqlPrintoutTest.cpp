#include "print/SqlPrintout.h"
#include "platform/AppPrinter.h"
#include "report_engine/PdfTools.h"
#include "support/FileSizeLimit.h"
#include "support/GuiApp.h"
#include "support/GuiTest.h"

#include "platform/AppContext.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

class SqlPrintoutTest : public GuiTest
{
protected:
    SqlPrintoutTest()
    {
        // The selection before the printout: file output into "before.pdf".
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("before.pdf")));
        editor.setFont(QFont(QStringLiteral("Courier New"), 10));
    }

    /// The print dialog confirmed with its file output chosen.
    void expectFileOutput(std::function<void(QPrinter&)> more = {})
    {
        desktop.expectPrintDialog(true, [this, more](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(output());
            if (more)
                more(p);
        });
    }

    QString output() const { return dir.filePath(QStringLiteral("sql.pdf")); }
    QStringList printedLines() const
    {
        QStringList lines = pdfText(output()).split(u'\n');
        for (QString& line : lines)
            line = line.trimmed().remove(QChar(u'\f'));
        lines.removeAll(QString());
        return lines;
    }
    /// With no printer installed the selection before is file output, and stays so.
    void expectSelectionRestored() const
    {
        EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
        EXPECT_EQ(SelectedPrinterName(printer), QString());
    }

    QTemporaryDir dir;
    QPlainTextEdit editor;
};

TEST_F(SqlPrintoutTest, DisplayLinesFollowTheEditorsWrapping)
{
    const QString longLine =
        QStringLiteral("SELECT ") + QStringLiteral("COLUMN_NAME, ").repeated(400) + QStringLiteral("X");
    editor.setPlainText(QStringLiteral("first\n") + longLine + QStringLiteral("\n\nlast\n"));

    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList lines = EditorDisplayLines(editor);
    ASSERT_EQ(lines.size(), 4) << "the last, empty line is left out";
    EXPECT_EQ(lines[1], longLine) << "a line longer than 4096 characters is kept whole";
    EXPECT_GT(longLine.size(), 4096);
    EXPECT_EQ(lines[2], QString());
    EXPECT_EQ(lines[3], QStringLiteral("last"));

    editor.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    editor.resize(300, 200);
    editor.show();
    QApplication::processEvents();
    lines = EditorDisplayLines(editor);
    ASSERT_GT(lines.size(), 10) << "wrapped pieces count as lines";
    EXPECT_EQ(lines.first(), QStringLiteral("first"));
    EXPECT_EQ(lines.last(), QStringLiteral("last"));
    EXPECT_EQ(lines.mid(1, lines.size() - 3).join(QString()), longLine);
}

TEST_F(SqlPrintoutTest, PrintsTheTextInTheEditorsFontAsNamedJob)
{
    editor.setPlainText(QStringLiteral("SELECT ENAME, SAL\nFROM EMP\nWHERE SAL > 1000\n"));
    expectFileOutput();
    PrintSQL(ctx, editor);
    EXPECT_EQ(desktop.printDialogs, 1);
    ASSERT_TRUE(QFileInfo::exists(output()));
    EXPECT_EQ(printedLines(), (QStringList{QStringLiteral("SELECT ENAME, SAL"), QStringLiteral("FROM EMP"),
                                           QStringLiteral("WHERE SAL > 1000")}));
    EXPECT_EQ(pdfPageCount(output()), 1);
    EXPECT_EQ(pdfInfo(output(), QStringLiteral("Title")), QStringLiteral("VEMRA SQL Printout"));
    const QString fonts = runPdfTool(QStringLiteral("pdffonts"), {output()});
    EXPECT_TRUE(fonts.contains(QStringLiteral("LiberationMono"))) << qPrintable(fonts);
    expectSelectionRestored();
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_EQ(desktop.busyDepth, 0);
}

TEST_F(SqlPrintoutTest, CancellingPrintsNothingAndKeepsTheSelection)
{
    editor.setPlainText(QStringLiteral("SELECT 1"));
    desktop.expectPrintDialog(false, [this](QPrinter& p) { p.setOutputFileName(output()); });
    PrintSQL(ctx, editor);
    EXPECT_FALSE(QFileInfo::exists(output()));
    expectSelectionRestored();
}

TEST_F(SqlPrintoutTest, APageRangeOrSelectionStillPrintsEverything)
{
    QStringList text;
    for (int i = 1; i <= 150; ++i)
        text.append(QStringLiteral("-- line %1").arg(i));
    editor.setPlainText(text.join(u'\n'));
    expectFileOutput([](QPrinter& p) {
        p.setPrintRange(QPrinter::PageRange);
        p.setFromTo(2, 2);
    });
    PrintSQL(ctx, editor);
    // A printer that honours ranges itself (a print server) is handed the whole document.
    EXPECT_EQ(printer.printRange(), QPrinter::AllPages);
    EXPECT_EQ(printer.fromPage(), 0);
    EXPECT_EQ(printedLines(), text);
    EXPECT_GE(pdfPageCount(output()), 2);
    const QStringList pages = pdfPages(output());
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("-- line 1\n")));
}

TEST_F(SqlPrintoutTest, FormFeedsTabsAndLongLinesFollowThePlainTextRules)
{
    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    const QString wide = QStringLiteral("W").repeated(300);
    editor.setPlainText(QStringLiteral("page one\f") + QStringLiteral("\npage two\n") + wide);
    expectFileOutput();
    PrintSQL(ctx, editor);
    const QStringList pages = pdfPages(output());
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("page one")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("page two")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("page two")));
    // Broken at the page's printable width, not the editor's: several lines, every W printed.
    int widest = 0;
    int total = 0;
    for (const QString& line : pages[1].split(u'\n')) {
        const int ws = int(line.trimmed().count(u'W'));
        if (line.trimmed() == QString(ws, u'W')) {
            widest = std::max(widest, ws);
            total += ws;
        }
    }
    EXPECT_EQ(total, 300);
    EXPECT_GT(widest, 40);
    EXPECT_LT(widest, 300);
}

TEST_F(SqlPrintoutTest, AnEmptyEditorMakesAJobWithNoText)
{
    editor.setPlainText(QString());
    expectFileOutput();
    PrintSQL(ctx, editor);
    ASSERT_TRUE(QFileInfo::exists(output()));
    EXPECT_EQ(pdfPageCount(output()), 1);
    EXPECT_TRUE(printedLines().isEmpty());
}

TEST_F(SqlPrintoutTest, AnOutputThatCannotBeOpenedIsReported)
{
    editor.setPlainText(QStringLiteral("SELECT 1"));
    desktop.expectPrintDialog(true, [this](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(dir.filePath(QStringLiteral("missing/folder/out.pdf")));
    });
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    PrintSQL(ctx, editor);
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
    EXPECT_TRUE(desktop.boxes[0].text.contains(QStringLiteral("missing/folder/out.pdf")));
    expectSelectionRestored();
}

TEST_F(SqlPrintoutTest, AFileThatDoesNotFitSaysWhyAndKeepsWhatWasThere)
{
    QStringList text;
    for (int i = 0; i < 3000; ++i)
        text.append(QStringLiteral("SELECT %1 AS N FROM EMP WHERE ENAME LIKE '%%1%'").arg(i));
    editor.setPlainText(text.join(u'\n'));
    {
        QFile old(output());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("a printout the user kept");
    }
    expectFileOutput();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    {
        const FileSizeLimit limit(16 * 1024);
        PrintSQL(ctx, editor);
    }
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].text,
              QStringLiteral("The SQL printout could not be written to the file \"%1\".\nFile too large")
                  .arg(output()));
    QFile old(output());
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("a printout the user kept"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("sql.pdf")})
        << "nothing half written is left";
    expectSelectionRestored();
}

} // namespace

namespace {

/// The words pdftotext finds, with their boxes in points from the page's top-left corner.
QList<QRectF> wordBoxes(const QString& path)
{
    const QString html =
        runPdfTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QList<QRectF> boxes;
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""));
    QRegularExpressionMatchIterator it = word.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        boxes.append(QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())));
    }
    return boxes;
}

TEST_F(SqlPrintoutTest, AFileGetsTheBorderARealPrinterHas)
{
    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList text{QStringLiteral("SELECT *"), QStringLiteral("W").repeated(200)};
    for (int i = 0; i < 80; ++i)
        text.append(QStringLiteral("-- line %1").arg(i));
    editor.setPlainText(text.join(u'\n'));
    expectFileOutput();
    PrintSQL(ctx, editor);
    EXPECT_GE(pdfPageCount(output()), 2);
    const QList<QRectF> words = wordBoxes(output());
    ASSERT_GT(words.size(), 80);
    const QStringList size = pdfInfo(output(), QStringLiteral("Page size")).split(u' ');
    ASSERT_GE(size.size(), 3);
    const double width = size[0].toDouble();
    const double height = size[2].toDouble();
    const double border = 0.25 * 72; // points
    QRectF all = words.first();
    for (const QRectF& box : words)
        all = all.united(box);
    EXPECT_GE(all.left(), border - 0.5);
    EXPECT_GE(all.top(), border - 0.5);
    EXPECT_LE(all.right(), width - border + 0.5) << "a long line breaks at the border, not the paper's edge";
    EXPECT_LE(all.bottom(), height - border + 0.5);
    EXPECT_GT(all.right(), width - 2 * border) << "and fills the width up to it";
}

TEST_F(SqlPrintoutTest, TheDialogOffersAFileOfItsOwnNotThereYetAndTheSelection)
{
    const QString documents = home.path() + QStringLiteral("/Documents");
    QDir().mkpath(documents);
    // The report's file, range and copies were the last the printer had.
    printer.setOutputFileName(documents + QStringLiteral("/Query Result.pdf"));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 2);
    printer.setCopyCount(3);
    editor.setPlainText(QStringLiteral("SELECT 1"));
    QString offered;
    desktop.expectPrintDialog(false, [&](QPrinter& p) {
        offered = p.outputFileName();
        EXPECT_EQ(p.printRange(), QPrinter::AllPages);
        EXPECT_EQ(p.copyCount(), 1);
    });
    PrintSQL(ctx, editor);
    EXPECT_EQ(offered, documents + QStringLiteral("/VEMRA SQL Printout.pdf"));
    ASSERT_EQ(desktop.printDialogOptions.size(), 1u);
    EXPECT_TRUE(desktop.printDialogOptions[0].selection);
    EXPECT_TRUE(desktop.printDialogOptions[0].pageRange);
    EXPECT_TRUE(desktop.printDialogOptions[0].printToFile);

    QFile taken(offered);
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    desktop.expectPrintDialog(false, [&](QPrinter& p) { offered = p.outputFileName(); });
    PrintSQL(ctx, editor);
    EXPECT_EQ(offered, documents + QStringLiteral("/VEMRA SQL Printout (2).pdf"));
}

} // namespace
