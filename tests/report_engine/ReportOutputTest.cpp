#include "report_engine/PdfTools.h"
#include "report_engine/ReportDefinition.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/ReportLayout.h"
#include "report_engine/ReportPainter.h"
#include "report_engine/TableRowSource.h"
#include "support/FileSizeLimit.h"
#include "support/GuiApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

ReportDefinition listDefinition(const QString& title)
{
    ReportDefinition def;
    def.page.leftMargin = def.page.rightMargin = def.page.topMargin = def.page.bottomMargin = 0.5;
    def.title = title;
    def.showProgress = false;
    def.pageHeader.height = 65;
    ReportElement heading;
    heading.name = QStringLiteral("Title");
    heading.text = title;
    heading.align = ElementAlign::Center;
    heading.autoSize = true;
    heading.top = 9;
    def.pageHeader.elements.append(heading);

    def.detail.height = 28;
    ReportElement number;
    number.name = QStringLiteral("RowNo");
    number.kind = ElementKind::System;
    number.system = SystemData::DetailNumber;
    number.text = QStringLiteral("#");
    number.autoSize = true;
    number.top = 5;
    def.detail.elements.append(number);
    for (int i = 0; i < 2; ++i) {
        ReportElement cell;
        cell.name = QStringLiteral("Cell%1").arg(i + 1);
        cell.kind = ElementKind::Data;
        cell.fieldName = i == 0 ? QStringLiteral("CITY") : QStringLiteral("COUNTRY");
        cell.left = 80 + 200 * i;
        cell.top = 5;
        cell.width = 190;
        cell.height = 17;
        def.detail.elements.append(cell);
    }

    def.pageFooter.height = 36;
    ReportElement pageNo;
    pageNo.name = QStringLiteral("PageNo");
    pageNo.kind = ElementKind::System;
    pageNo.system = SystemData::PageNumber;
    pageNo.text = QStringLiteral("Page No: ");
    pageNo.align = ElementAlign::Right;
    pageNo.autoSize = true;
    pageNo.top = 9;
    def.pageFooter.elements.append(pageNo);
    return def;
}

TableRowSource cities(int count)
{
    TableRowSource source({QStringLiteral("COUNTRY"), QStringLiteral("CITY")});
    for (int i = 1; i <= count; ++i)
        source.addRow({QStringLiteral("Land%1").arg(i), QStringLiteral("Town%1").arg(i)});
    return source;
}

class ReportOutputTest : public ::testing::Test
{
protected:
    ReportOutputTest() { GuiApp(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(ReportOutputTest, PdfHoldsEveryPageAndItsText)
{
    const ReportDefinition def = listDefinition(QStringLiteral("Cities of the World"));
    const TableRowSource source = cities(45); // 30 on the first page, 15 on the second
    ReportEngine engine(def, source);
    ASSERT_EQ(engine.writePdf(file(QStringLiteral("cities.pdf"))), ReportOutcome::Done);

    EXPECT_EQ(pdfPageCount(file(QStringLiteral("cities.pdf"))), 2);
    EXPECT_TRUE(pdfInfo(file(QStringLiteral("cities.pdf")), QStringLiteral("Page size"))
                    .startsWith(QStringLiteral("612 x 792")));
    EXPECT_EQ(pdfInfo(file(QStringLiteral("cities.pdf")), QStringLiteral("Title")), def.title);
    const QStringList pages = pdfPages(file(QStringLiteral("cities.pdf")));
    ASSERT_EQ(pages.size(), 2);
    for (int p = 0; p < 2; ++p) {
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Cities of the World"))) << p;
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Page No: %1").arg(p + 1))) << p;
    }
    // Cells bound by name: CITY before COUNTRY on each line, whatever the source's order.
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("#1\\s+Town1\\s+Land1\\b"))));
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("#30\\s+Town30\\s+Land30\\b"))));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("Town31")));
    EXPECT_TRUE(pages[1].contains(QRegularExpression(QStringLiteral("#45\\s+Town45\\s+Land45\\b"))));
}

TEST_F(ReportOutputTest, LandscapePdfTurnsThePaper)
{
    ReportDefinition def = listDefinition(QStringLiteral("Wide"));
    def.page.orientation = PageOrientation::Landscape;
    const TableRowSource source = cities(3);
    ReportEngine engine(def, source);
    ASSERT_EQ(engine.writePdf(file(QStringLiteral("wide.pdf"))), ReportOutcome::Done);
    EXPECT_TRUE(pdfInfo(file(QStringLiteral("wide.pdf")), QStringLiteral("Page size"))
                    .startsWith(QStringLiteral("792 x 612")));
}

TEST_F(ReportOutputTest, AnEmptySourcePutsNothingOut)
{
    const ReportDefinition def = listDefinition(QStringLiteral("Nothing"));
    const TableRowSource source = cities(0);
    ReportEngine engine(def, source);
    EXPECT_EQ(engine.writePdf(file(QStringLiteral("none.pdf"))), ReportOutcome::Empty);
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("none.pdf"))));

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file(QStringLiteral("printed-none.pdf")));
    EXPECT_EQ(engine.print(printer), ReportOutcome::Empty);
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("printed-none.pdf"))));

    // The watcher lives no longer than this test, so it cannot close a later test's window.
    bool previewShown = false;
    QTimer watcher;
    watcher.setSingleShot(true);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            previewShown = true;
            w->close();
        }
    });
    watcher.start(200);
    EXPECT_EQ(engine.preview(printer), ReportOutcome::Empty);
    QApplication::processEvents();
    EXPECT_FALSE(previewShown);
}

TEST_F(ReportOutputTest, PrintingMakesTheCopiesAskedAndNamesTheJob)
{
    ReportDefinition def = listDefinition(QStringLiteral("Two Copies"));
    def.copies = 2;
    const TableRowSource source = cities(45);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file(QStringLiteral("copies.pdf")));
    ReportEngine engine(def, source);
    ASSERT_EQ(engine.print(printer), ReportOutcome::Done);
    EXPECT_EQ(printer.docName(), QStringLiteral("Two Copies"));
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(pdfPageCount(file(QStringLiteral("copies.pdf"))), 4);
    const QStringList pages = pdfPages(file(QStringLiteral("copies.pdf")));
    ASSERT_EQ(pages.size(), 4);
    EXPECT_TRUE(pages[2].contains(QStringLiteral("Page No: 1")));
    EXPECT_TRUE(pages[3].contains(QStringLiteral("Town45")));
}

TEST_F(ReportOutputTest, PrintingToAPlaceThatCannotBeWrittenFails)
{
    const ReportDefinition def = listDefinition(QStringLiteral("Nowhere"));
    const TableRowSource source = cities(2);
    ReportEngine engine(def, source);
    EXPECT_EQ(engine.writePdf(file(QStringLiteral("no/such/folder/x.pdf"))), ReportOutcome::Failed);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file(QStringLiteral("no/such/folder/y.pdf")));
    EXPECT_EQ(engine.print(printer), ReportOutcome::Failed);
}

TEST_F(ReportOutputTest, AFileThatDoesNotFitIsNotWrittenAndSaysWhy)
{
    const ReportDefinition def = listDefinition(QStringLiteral("Too Big"));
    const TableRowSource source = cities(200);
    const QString path = file(QStringLiteral("big.pdf"));
    const struct
    {
        const char* name;
        std::function<ReportOutcome(ReportEngine&)> putOut;
    } ways[] = {
        {"as a PDF file", [&](ReportEngine& engine) { return engine.writePdf(path); }},
        {"on a printer that writes a PDF file",
         [&](ReportEngine& engine) {
             QPrinter printer;
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(path);
             return engine.print(printer);
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("an earlier printout");
        }
        ReportEngine engine(def, source);
        engine.layout();
        {
            // The painter's end says nothing of the writes that failed.
            const FileSizeLimit limit(16 * 1024);
            EXPECT_EQ(way.putOut(engine), ReportOutcome::Failed);
        }
        EXPECT_EQ(engine.failureReason(), QStringLiteral("File too large"));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("an earlier printout"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("big.pdf")})
            << "nothing half written is left";
    }
}

TEST_F(ReportOutputTest, PreviewShowsThePagesAndReturnsWhenClosed)
{
    ReportDefinition def = listDefinition(QStringLiteral("Preview Caption"));
    def.showProgress = true;
    def.copies = 2;
    const TableRowSource source = cities(61);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    ReportEngine engine(def, source);

    QString caption;
    int pages = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        caption = dialog->windowTitle();
        if (auto* widget = dialog->findChild<QPrintPreviewWidget*>())
            pages = widget->pageCount();
        dialog->close();
    });
    poll.start(50);
    EXPECT_EQ(engine.preview(printer), ReportOutcome::Done);
    EXPECT_EQ(caption, QStringLiteral("Preview Caption"));
    EXPECT_EQ(pages, 3) << "one copy of the pages, however many copies are asked";
    EXPECT_EQ(engine.layout().pages.size(), 3);
}

TEST_F(ReportOutputTest, MarginsThePrinterCannotTakeStayTheReportsInThePreview)
{
    ReportDefinition def = listDefinition(QStringLiteral("Odd Margins"));
    def.page.leftMargin = 9; // wider than the paper: the printer's page refuses it
    def.page.topMargin = -0.25;
    const TableRowSource source = cities(3);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    ReportEngine engine(def, source);
    QTimer::singleShot(200, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    EXPECT_EQ(engine.preview(printer), ReportOutcome::Done);
    EXPECT_EQ(engine.definition().page.leftMargin, 9);
    EXPECT_EQ(engine.definition().page.topMargin, -0.25);
}

TEST_F(ReportOutputTest, CancellingTheProgressPutsNothingOut)
{
    const ReportDefinition def = listDefinition(QStringLiteral("Cancelled"));
    const TableRowSource source = cities(500);
    const LaidOutReport report = LayoutReport(def, source);
    int asked = 0;
    EXPECT_FALSE(
        WriteReportPdf(report, file(QStringLiteral("cancel.pdf")), [&](int, int) { return ++asked < 3; }));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("cancel.pdf"))));
}

TEST_F(ReportOutputTest, TheProgressWindowKeepsEventsFlowingAndCanCancel)
{
    ReportDefinition def = listDefinition(QStringLiteral("Long Work"));
    def.showProgress = true;
    const TableRowSource source = cities(30000);
    ReportEngine engine(def, source);
    ASSERT_FALSE(engine.layout().isEmpty());

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && ticks >= 3)
                progress->cancel();
        }
    });
    ticker.start(20);
    EXPECT_EQ(engine.writePdf(file(QStringLiteral("long.pdf"))), ReportOutcome::Cancelled);
    EXPECT_GE(ticks, 3) << "timers ran while the pages were written";
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("long.pdf"))));
}

} // namespace

namespace {

TEST_F(ReportOutputTest, AClippedCellPrintsWholeLettersOnlyInThePictureAndTheText)
{
    // CITY is 4.5 letters W wide: the old clip cut the fifth W in half and kept all 30 in the
    // text layer, where they ran over COUNTRY.
    ReportDefinition def = listDefinition(QStringLiteral("Clipped"));
    ReportElement& city = def.detail.elements[1];
    ASSERT_EQ(city.fieldName, QStringLiteral("CITY"));
    QImage fine(1, 1, QImage::Format_Mono);
    fine.setDotsPerMeterX(qRound(1200 / 0.0254));
    fine.setDotsPerMeterY(qRound(1200 / 0.0254));
    const double w = QFontMetricsF(def.font, &fine).horizontalAdvance(QStringLiteral("W")) * 96 / 1200;
    city.width = 4.5 * w;
    TableRowSource source({QStringLiteral("COUNTRY"), QStringLiteral("CITY")});
    source.addRow({QStringLiteral("Norway"), QStringLiteral("W").repeated(30)});
    ReportEngine engine(def, source);
    const QString path = file(QStringLiteral("clipped.pdf"));
    ASSERT_EQ(engine.writePdf(path), ReportOutcome::Done);

    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("#1\\s+WWWW\\s+Norway\\b"))))
        << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("WWWWW")));

    // On paper nothing is drawn in the last half letter of the cell.
    const int dpi = 300;
    const QImage page = pdfPageImage(path, 1, dpi).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_FALSE(page.isNull());
    const double scale = dpi / 96.0;
    const double cellLeft = (48 + city.left) * scale;
    const double cellRight = cellLeft + city.width * scale;
    const int top = int((48 + def.pageHeader.height + city.top) * scale);
    const int bottom = int((48 + def.pageHeader.height + city.top + city.height) * scale);
    int inkInLastHalf = 0;
    int inkInCell = 0;
    for (int y = top; y < bottom; ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = int(cellLeft); x < int(cellRight); ++x) {
            if (line[x] < 128) {
                ++inkInCell;
                if (x >= cellRight - 0.4 * w * scale)
                    ++inkInLastHalf;
            }
        }
    }
    EXPECT_GT(inkInCell, 0);
    EXPECT_EQ(inkInLastHalf, 0);
}

} // namespace

namespace {

TEST(PrintedPageSequenceTest, RangeAndCopiesCollated)
{
    const struct
    {
        int pages, from, to, copies;
        QList<int> expected;
    } cases[] = {
        {3, 0, 0, 1, {0, 1, 2}}, {3, 0, 0, 2, {0, 1, 2, 0, 1, 2}},
        {3, 2, 2, 2, {1, 1}},    {3, 2, 9, 1, {1, 2}}, // a range past the end stops at the last page
        {3, 5, 6, 1, {}},                              // nothing of it exists
        {3, 0, 2, 1, {0, 1}},                          // no start: from the first page
        {3, 0, 0, 0, {0, 1, 2}},                       // copies below one print once
        {0, 0, 0, 3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.pages << " pages, " << c.from << "-" << c.to << " x" << c.copies);
        EXPECT_EQ(PrintedPageSequence(c.pages, c.from, c.to, c.copies), c.expected);
    }
}

} // namespace
