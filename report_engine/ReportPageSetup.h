#pragma once

#include <QPageSize>
#include <QSizeF>
#include <QtGlobal>

enum class PageOrientation : quint8
{
    Portrait = 0,
    Landscape = 1,
};

/// Paper and margins of a report. The paper is US Letter unless a page setup chose another;
/// lengths are inches.
struct ReportPageSetup
{
    static constexpr double kPixelsPerInch = 96.0;
    static constexpr double kLetterWidthInches = 8.5;
    static constexpr double kLetterHeightInches = 11.0;

    QPageSize paper = QPageSize(QPageSize::Letter);
    PageOrientation orientation = PageOrientation::Portrait;
    double leftMargin = 0;
    double rightMargin = 0;
    double topMargin = 0;
    double bottomMargin = 0;
    /// Page columns the detail bands flow through, and the gap between them.
    int columns = 1;
    double columnSpace = 0;

    /// The paper in report pixels for the orientation.
    QSizeF paperPixels() const
    {
        const QSizeF portrait = paper.size(QPageSize::Point) / 72.0 * kPixelsPerInch;
        return orientation == PageOrientation::Portrait ? portrait : portrait.transposed();
    }
};
