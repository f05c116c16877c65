#include "print/ResultReportPlan.h"

#include "print/GenericReport.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kHeaderHeightOneLine = 65;
constexpr double kDetailHeightOneLine = 28;
constexpr double kHeaderHeightTwoLines = 81;
constexpr double kDetailHeightTwoLines = 45;
constexpr int kHeadingTop[] = {39, 55};
constexpr int kCellTop[] = {5, 21};

int truncated(double value)
{
    return int(std::trunc(value));
}

} // namespace

int ReportColumnCount(int fieldCount, int shownFieldCount)
{
    int n = std::max(0, fieldCount);
    if (shownFieldCount != 0 && shownFieldCount < n)
        n = std::max(0, shownFieldCount);
    return std::min(n, kReportMaxColumns);
}

ResultReportPlan PlanResultReport(const GenericPage& page, const QList<ReportColumnInput>& columns)
{
    const double space = page.SpaceBetweenColumns;
    const double rowNumber = page.RowNumberWidth;
    const double pageWidth = page.PageWidth;

    ResultReportPlan plan;
    for (const ReportColumnInput& column : columns) {
        double w = column.storedWidth;
        if (column.storedWidth == column.displayWidth)
            w = column.displayWidth * kPixelsPerCharacter;
        if (w + 2 * space + rowNumber > pageWidth)
            w = pageWidth - 2 * space - rowNumber;
        plan.columnWidths.append(w);
    }

    const double available = pageWidth - (page.LeftMargin + page.RightMargin);
    double x = rowNumber;
    const int n = int(plan.columnWidths.size());
    for (int i = 0; i < n; ++i) {
        if (x + plan.columnWidths[i] + space <= available) {
            x += plan.columnWidths[i] + space;
            ++plan.count1;
            continue;
        }
        x = rowNumber;
        for (int j = i; j < n; ++j) {
            if (x + plan.columnWidths[j] + space > available)
                break;
            x += plan.columnWidths[j] + space;
            ++plan.count2;
        }
        break;
    }

    const bool twoLines = plan.count2 > 0;
    plan.headerHeight = twoLines ? kHeaderHeightTwoLines : kHeaderHeightOneLine;
    plan.detailHeight = twoLines ? kDetailHeightTwoLines : kDetailHeightOneLine;

    for (int k = 0; k < plan.usedSlots(); ++k) {
        const bool firstLine = k < plan.count1;
        ReportSlotPlacement slot;
        slot.line = firstLine ? 1 : 2;
        slot.headingTop = kHeadingTop[firstLine ? 0 : 1];
        slot.cellTop = kCellTop[firstLine ? 0 : 1];
        slot.width = truncated(plan.columnWidths[k]);
        if (k == 0 || k == plan.count1) {
            slot.left = truncated(rowNumber + space);
        } else {
            const ReportSlotPlacement& previous = plan.slots.last();
            slot.left = truncated(space) + previous.left + previous.width;
        }
        plan.slots.append(slot);
    }
    return plan;
}
