#include "print/ResultReportPlan.h"
#include "print/GenericReport.h"
#include "print/ResultReportDefinition.h"
#include "report_engine/ReportLayout.h"
#include "report_engine/TableRowSource.h"
#include "support/PaintApp.h"

#include <gtest/gtest.h>

namespace {

/// The first-run settings: half-inch margins, 0.1 inch spacing, row numbers on.
GenericPage defaultPage(PageOrientation orientation)
{
    GenericPage page;
    page.LeftMargin = page.RightMargin = page.TopMargin = page.BottomMargin = 48;
    page.SpaceBetweenColumns = 9.6;
    page.RowNumberWidth = 50;
    page.Orientation = orientation;
    page.PageWidth = PageWidthFor(orientation);
    return page;
}

/// n columns of display width d with nothing stored (the stored value reads as d).
QList<ReportColumnInput> columnsOf(int n, int displayWidth, int stored = -1)
{
    QList<ReportColumnInput> columns;
    for (int i = 0; i < n; ++i)
        columns.append({QStringLiteral("F%1").arg(i + 1), displayWidth, stored < 0 ? displayWidth : stored});
    return columns;
}

TEST(ResultReportPlanTest, ColumnCount)
{
    struct Case
    {
        int fields;
        int shown;
        int expected;
    };
    const Case cases[] = {
        {5, 0, 5},    {5, 3, 3},    {5, 5, 5},   {5, 8, 5}, {20, 0, 16},
        {20, 18, 16}, {20, 12, 12}, {16, 0, 16}, {0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReportColumnCount(c.fields, c.shown), c.expected)
            << c.fields << " fields, " << c.shown << " shown";
}

TEST(ResultReportPlanTest, WidthRules)
{
    struct Case
    {
        int display;
        int stored;
        double width;
    };
    const Case cases[] = {
        {10, 10, 64},                    // nothing stored: characters at 6.4 pixels
        {7, 7, 44.8},                    //
        {10, 120, 120},                  // any other stored value is pixels
        {10, 64, 64},                    //
        {64, 64, 409.6},                 // equal to the display width: read as characters
        {10, 0, 0},                      //
        {10, 5000, 1056 - 2 * 9.6 - 50}, // wider than the page: cut to it
    };
    const GenericPage page = defaultPage(PageOrientation::Landscape);
    for (const Case& c : cases) {
        const ResultReportPlan plan = PlanResultReport(page, {{QStringLiteral("X"), c.display, c.stored}});
        ASSERT_EQ(plan.columnWidths.size(), 1);
        EXPECT_NEAR(plan.columnWidths[0], c.width, 1e-9) << c.display << "/" << c.stored;
    }
}

TEST(ResultReportPlanTest, DistributionOverTwoLines)
{
    struct Case
    {
        const char* name;
        PageOrientation orientation;
        bool rowNumbers;
        QList<ReportColumnInput> columns;
        int count1;
        int count2;
    };
    QList<ReportColumnInput> blocked = {{QStringLiteral("A"), 10, 300},
                                        {QStringLiteral("B"), 10, 300},
                                        {QStringLiteral("C"), 10, 700},
                                        {QStringLiteral("D"), 10, 50}};
    const QList<Case> cases = {
        // 50 + k * (64 + 9.6) stays within 960 for k up to 12.
        {"landscape, 64 wide", PageOrientation::Landscape, true, columnsOf(16, 10), 12, 4},
        {"landscape, fits one line", PageOrientation::Landscape, true, columnsOf(12, 10), 12, 0},
        // Within 720 for k up to 9.
        {"portrait, 64 wide", PageOrientation::Portrait, true, columnsOf(16, 10), 9, 7},
        {"portrait, no row numbers", PageOrientation::Portrait, false, columnsOf(16, 10), 9, 7},
        {"portrait, 100 pixels: a third line would be needed", PageOrientation::Portrait, true,
         columnsOf(16, 10, 100), 6, 6},
        {"a column that fits on neither line ends the columns", PageOrientation::Portrait, true, blocked, 2,
         0},
        {"a column wider than the page prints nothing", PageOrientation::Landscape, true,
         columnsOf(3, 10, 5000), 0, 0},
        {"no columns", PageOrientation::Landscape, true, {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GenericPage page = defaultPage(c.orientation);
        page.RowNumberWidth = c.rowNumbers ? 50 : 0;
        const ResultReportPlan plan = PlanResultReport(page, c.columns);
        EXPECT_EQ(plan.count1, c.count1);
        EXPECT_EQ(plan.count2, c.count2);
        EXPECT_EQ(plan.slots.size(), c.count1 + c.count2);
        EXPECT_EQ(plan.headerHeight, c.count2 > 0 ? 81 : 65);
        EXPECT_EQ(plan.detailHeight, c.count2 > 0 ? 45 : 28);
    }
}

TEST(ResultReportPlanTest, EdgeOfTheLineIsInclusive)
{
    // 50 + 9.6 + w == 720 exactly still fits.
    GenericPage page = defaultPage(PageOrientation::Portrait);
    page.SpaceBetweenColumns = 10;
    const ResultReportPlan fits = PlanResultReport(page, {{QStringLiteral("A"), 10, 660}});
    EXPECT_EQ(fits.count1, 1);
    const ResultReportPlan over = PlanResultReport(page, {{QStringLiteral("A"), 10, 661}});
    EXPECT_EQ(over.count1, 0);
    EXPECT_EQ(over.count2, 0);
}

TEST(ResultReportPlanTest, PlacementOfTheSlots)
{
    GenericPage page = defaultPage(PageOrientation::Portrait);
    QList<ReportColumnInput> columns = columnsOf(11, 7); // 44.8 wide, 44 when placed
    const ResultReportPlan plan = PlanResultReport(page, columns);
    // 50 + k * 54.4 <= 720: 12 would fit, so all 11 on line 1.
    ASSERT_EQ(plan.count1, 11);
    EXPECT_EQ(plan.slots[0].left, 59);
    EXPECT_EQ(plan.slots[0].width, 44);
    EXPECT_EQ(plan.slots[1].left, 9 + 59 + 44);
    EXPECT_EQ(plan.slots[2].left, 9 + 112 + 44);
    EXPECT_EQ(plan.slots[0].headingTop, 39);
    EXPECT_EQ(plan.slots[0].cellTop, 5);

    const ResultReportPlan two = PlanResultReport(page, columnsOf(16, 10));
    ASSERT_EQ(two.count1, 9);
    const ReportSlotPlacement& secondLine = two.slots[9];
    EXPECT_EQ(secondLine.line, 2);
    EXPECT_EQ(secondLine.left, 59) << "each line starts after the row numbers";
    EXPECT_EQ(secondLine.headingTop, 55);
    EXPECT_EQ(secondLine.cellTop, 21);
    EXPECT_EQ(two.slots[10].left, 9 + 59 + 64);
    EXPECT_EQ(two.slots[8].line, 1);

    page.RowNumberWidth = 0;
    const ResultReportPlan noNumbers = PlanResultReport(page, columnsOf(16, 10));
    EXPECT_EQ(noNumbers.slots[0].left, 9) << "the spacing, truncated";
    EXPECT_EQ(noNumbers.slots[noNumbers.count1].left, 9);
}

class ResultReportDefinitionTest : public ::testing::Test
{
protected:
    ResultReportDefinitionTest() { PaintApp(); }
};

TEST_F(ResultReportDefinitionTest, PlacedSlotsPrintWhereThePlanPutsThem)
{
    GenericPage page = defaultPage(PageOrientation::Portrait);
    ReportDefinition def = BuildResultReportDefinition();
    def.page.leftMargin = def.page.rightMargin = def.page.topMargin = def.page.bottomMargin = 0.5;
    const ResultReportPlan plan = PlanResultReport(page, columnsOf(16, 10));
    PlaceColumnSlots(def, plan);
    TableRowSource source({QStringLiteral("F1"), QStringLiteral("F2")});
    source.addRow({QStringLiteral("a1"), QStringLiteral("b1")});
    source.addRow({QStringLiteral("a2"), QStringLiteral("b2")});
    for (int k = 1; k <= plan.usedSlots(); ++k) {
        ReportElement* heading = def.findElement(ResultReportElements::Heading(k));
        ReportElement* cell = def.findElement(ResultReportElements::Cell(k));
        heading->text = QStringLiteral("H%1").arg(k);
        cell->fieldName = k == 10 ? QStringLiteral("F2") : QStringLiteral("F1");
        heading->enabled = cell->enabled = true;
    }
    def.findElement(ResultReportElements::RecordCount)->text = QStringLiteral("Total Records: 2");
    def.findElement(ResultReportElements::Title)->text = QStringLiteral("Query Result");

    const LaidOutReport report = LayoutReport(def, source);
    ASSERT_EQ(report.pages.size(), 1);
    auto find = [&](const QString& element, int nth = 0) {
        int seen = 0;
        for (const PlacedItem& item : report.pages[0].items) {
            if (item.kind == PlacedItem::Kind::Text && item.element == element && seen++ == nth)
                return item;
        }
        return PlacedItem();
    };
    EXPECT_EQ(find(ResultReportElements::Heading(1)).rect, QRectF(48 + 59, 48 + 39, 64, 16));
    EXPECT_EQ(find(ResultReportElements::Heading(10)).rect, QRectF(48 + 59, 48 + 55, 64, 16));
    EXPECT_EQ(find(ResultReportElements::Heading(10)).text, QStringLiteral("H10"));
    // Second row: detail band of 45 below the 81 high header.
    EXPECT_EQ(find(ResultReportElements::Cell(10), 1).rect, QRectF(48 + 59, 48 + 81 + 45 + 21, 64, 17));
    EXPECT_EQ(find(ResultReportElements::Cell(10), 1).text, QStringLiteral("b2"));
    EXPECT_EQ(find(ResultReportElements::RowNumber, 1).text, QStringLiteral("2"));
    EXPECT_EQ(find(ResultReportElements::RowNumber, 1).rect.left(), 48);
    EXPECT_EQ(find(ResultReportElements::RecordCount).rect.left(), 48 + 344);
    EXPECT_EQ(find(ResultReportElements::Time).rect.left(), 48 + 117);
    EXPECT_EQ(find(ResultReportElements::PageNumber).text, QStringLiteral("Page No: 1"));
    EXPECT_EQ(find(ResultReportElements::PageNumber).rect.right(), 816 - 48);
    EXPECT_NEAR(find(ResultReportElements::Title).rect.center().x(), 408, 0.01);

    // A reset takes every column out, though the slots stay visible.
    ResetColumnSlots(def);
    const LaidOutReport empty = LayoutReport(def, source);
    for (const PlacedItem& item : empty.pages[0].items) {
        EXPECT_FALSE(item.element.startsWith(QStringLiteral("RPL_Heading")) ||
                     item.element.startsWith(QStringLiteral("RPD_Cell")))
            << qPrintable(item.element);
    }
    EXPECT_TRUE(def.findElement(ResultReportElements::Cell(1))->visible);
    EXPECT_TRUE(def.findElement(ResultReportElements::Cell(1))->fieldName.isEmpty());
    EXPECT_TRUE(def.findElement(ResultReportElements::Heading(1))->text.isEmpty());
}

} // namespace
