#pragma once

#include "report_engine/ReportLayout.h"

#include <QString>

class QPagedPaintDevice;
class QPainter;

/// Paints one laid-out page. scale is the device pixels per report pixel; the painter's origin is
/// the paper's top-left corner.
void PaintReportPage(QPainter& painter, const LaidOutReport& report, int pageIndex, double scale);

/// Sets the device to US Letter in the report's orientation, with no margins of its own.
void ApplyReportPaper(QPagedPaintDevice& device, const LaidOutReport& report);

/// Paints every page, `copies` times over, onto a device the painter is already active on.
/// progress counts pages; false when it cancelled.
bool PaintReportPages(QPainter& painter, QPagedPaintDevice& device, const LaidOutReport& report, int copies,
                      const ReportProgress& progress = {});

/// Writes the pages as a PDF file at 1200 dots per inch. False when the file cannot be written or
/// the progress cancelled (a partly written file is removed). An empty report writes no file.
bool WriteReportPdf(const LaidOutReport& report, const QString& path, const ReportProgress& progress = {});
