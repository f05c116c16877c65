#pragma once

#include "report_engine/ReportPageSetup.h"

#include <QString>

#include <array>

struct AppContext;
class ColumnLayout;
class Query;

/// Report pixels per inch: print lengths are kept in pixels and shown and stored in inches.
inline constexpr double kReportPixelsPerInch = ReportPageSetup::kPixelsPerInch;
/// The most columns a result report prints.
inline constexpr int kReportMaxColumns = 16;

/// Page geometry of the result report and the columns of the last report. Lengths are report
/// pixels.
struct GenericPage
{
    double LeftMargin = 0;
    double RightMargin = 0;
    double TopMargin = 0;
    double BottomMargin = 0;
    /// 50 when row numbers are printed, else 0; set by the result report.
    double RowNumberWidth = 0;
    PageOrientation Orientation = PageOrientation::Portrait;
    double SpaceBetweenColumns = 0;
    /// The paper width for the orientation: 816 (portrait) or 1056 (landscape).
    double PageWidth = 0;
    std::array<QString, kReportMaxColumns> ColumnFieldNames;
    std::array<double, kReportMaxColumns> ColumnWidths{};
};

/// The working print settings, shared by the print options dialog and the result report.
/// Everything but Title lives in section "PRINTER" of the settings store between runs.
struct GenericReport
{
    GenericPage Page;
    QString Title;
    qint32 Copies = 0;
    bool ShowPreview = false;
    bool ShowRowNumber = false;
};

/// The paper width in report pixels for an orientation (US Letter).
inline double PageWidthFor(PageOrientation orientation)
{
    return (orientation == PageOrientation::Portrait ? ReportPageSetup::kLetterWidthInches
                                                     : ReportPageSetup::kLetterHeightInches) *
           kReportPixelsPerInch;
}

/// Prints the result dataset as a table: asks the print options first, re-runs its statement in
/// the report form's own query, lays out up to 16 of the columns the grid shows, in the grid's
/// order, with the titles and widths the column layout keeps for them, and previews or prints.
/// shownFieldCount 0 means no limit. Needs ctx.report.
void PrintQueryResult(AppContext& ctx, Query& dataset, const ColumnLayout& columnLayout, const QString& title,
                      int shownFieldCount);
