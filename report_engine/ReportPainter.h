#pragma once

#include "report_engine/ReportLayout.h"

#include <QString>

class QPagedPaintDevice;
class QPainter;

/// Paints one laid-out page. scale is the device pixels per report pixel; the painter's origin is
/// the paper's top-left corner.
void PaintReportPage(QPainter& painter, const LaidOutReport& report, int pageIndex, double scale);

/// Sets the device to the report's paper and orientation, painted from the paper's corner; the
/// report's margins go along so that a page setup dialog shows them.
void ApplyReportPaper(QPagedPaintDevice& device, const LaidOutReport& report);

/// The pages to put out, as indexes, in order: pages fromPage to toPage (counted from 1; 0 for
/// both means all of them), the whole run `copies` times over (collated).
QList<int> PrintedPageSequence(int pageCount, int fromPage, int toPage, int copies);

/// Paints the pages of `sequence` (indexes into the report's pages) onto a device the painter is
/// already active on. progress counts pages; false when it cancelled.
bool PaintReportPages(QPainter& painter, QPagedPaintDevice& device, const LaidOutReport& report,
                      const QList<int>& sequence, const ReportProgress& progress = {});

/// Writes the pages as a PDF file at 1200 dots per inch. False when the file cannot be written
/// (reason, when given, receives the system's words) or the progress cancelled; the file then
/// keeps what it had, or is not made. An empty report writes no file.
bool WriteReportPdf(const LaidOutReport& report, const QString& path, const ReportProgress& progress = {},
                    QString* reason = nullptr);
