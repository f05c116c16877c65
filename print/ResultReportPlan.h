#pragma once

#include <QList>
#include <QString>

struct GenericPage;

/// One column of the result report as the width rules see it.
struct ReportColumnInput
{
    QString fieldName;
    int displayWidth = 0; ///< characters
    int storedWidth = 0;  ///< QRYFIELDS "->WIDTH", or displayWidth when none is stored
};

/// Where a slot's heading and cell go, in report pixels relative to their bands.
struct ReportSlotPlacement
{
    int line = 1;
    int left = 0;
    int width = 0;
    int headingTop = 0;
    int cellTop = 0;
};

/// The columns of a result report spread over at most two lines.
struct ResultReportPlan
{
    QList<double> columnWidths; ///< one per input column, after the width rules
    int count1 = 0;             ///< columns on line 1
    int count2 = 0;             ///< columns on line 2
    double headerHeight = 0;
    double detailHeight = 0;
    QList<ReportSlotPlacement> slots; ///< count1 + count2 of them, line 1 first

    int usedSlots() const { return count1 + count2; }
};

inline constexpr double kPixelsPerCharacter = 6.4;
inline constexpr double kRowNumberWidth = 50;

/// How many fields become columns: all, or the grid's shown count when that is smaller (0 means
/// no limit), never more than 16.
int ReportColumnCount(int fieldCount, int shownFieldCount);

/// The width rules and the distribution over the lines. A stored width equal to the display
/// width is read as characters (6.4 pixels each), any other as pixels; a column wider than the
/// page is cut to it. Line 1 takes columns while they fit the width between the margins; line 2
/// takes on from the first that did not fit, and the first column that fits on neither line
/// ends the report's columns. Uses the page's margins, spacing, row-number width and page width.
ResultReportPlan PlanResultReport(const GenericPage& page, const QList<ReportColumnInput>& columns);
