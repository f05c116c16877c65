#pragma once

#include "report_engine/LaidOutReport.h"

#include <QDateTime>

#include <functional>

struct ReportDefinition;
class RowSource;

/// Asked now and then with the work done so far and the whole; false cancels.
using ReportProgress = std::function<bool(int done, int total)>;

struct LayoutOptions
{
    /// The moment the date and time elements show; invalid means now.
    QDateTime now;
    ReportProgress progress;
};

/// Lays out every page of the report: the page header at the top of each page, one detail band
/// per row flowing down the page columns, and the page footer at the bottom of each page. Only
/// elements that are visible and enabled are placed. A source without rows gives no pages.
///
/// Needs a Qt GUI application for font metrics, but no display.
LaidOutReport LayoutReport(const ReportDefinition& definition, const RowSource& source,
                           const LayoutOptions& options = {});
