#include "report_engine/ReportPainter.h"

#include "platform/WholeFile.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {

constexpr int kPdfResolution = 1200;

QRectF scaled(const QRectF& r, double scale)
{
    return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
}

} // namespace

void PaintReportPage(QPainter& painter, const LaidOutReport& report, int pageIndex, double scale)
{
    const LaidOutPage& page = report.pages.at(pageIndex);
    int currentFont = -1;
    QColor currentColor;
    QPen linePen(Qt::black, std::max(1.0, scale));
    for (const PlacedItem& item : page.items) {
        if (item.kind == PlacedItem::Kind::Line) {
            painter.setPen(linePen);
            currentColor = QColor();
            const QRectF r = scaled(item.rect, scale);
            painter.drawLine(QLineF(r.topLeft(), r.topRight()));
            continue;
        }
        if (item.text.isEmpty())
            continue;
        if (item.font != currentFont && item.font >= 0) {
            painter.setFont(report.fonts.at(item.font));
            currentFont = item.font;
        }
        if (item.color != currentColor) {
            painter.setPen(item.color);
            currentColor = item.color;
        }
        // Fixed-width text was cut to whole characters when laid out; a clip here would cut a
        // letter in half wherever the device measures a hair wider.
        const int flags = int(item.alignment) | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
        painter.drawText(scaled(item.rect, scale), flags, item.text);
    }
}

void ApplyReportPaper(QPagedPaintDevice& device, const LaidOutReport& report)
{
    const auto orientation =
        report.orientation == PageOrientation::Portrait ? QPageLayout::Portrait : QPageLayout::Landscape;
    const ReportPageSetup& page = report.page;
    QPageLayout layout(page.paper, orientation,
                       QMarginsF(page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin),
                       QPageLayout::Inch);
    layout.setMode(QPageLayout::FullPageMode);
    device.setPageLayout(layout);
}

QList<int> PrintedPageSequence(int pageCount, int fromPage, int toPage, int copies)
{
    int first = 1;
    int last = pageCount;
    if (fromPage > 0 || toPage > 0) {
        first = std::max(1, fromPage);
        last = std::min(pageCount, toPage > 0 ? toPage : pageCount);
    }
    QList<int> sequence;
    for (int copy = 0; copy < std::max(1, copies); ++copy) {
        for (int p = first; p <= last; ++p)
            sequence.append(p - 1);
    }
    return sequence;
}

bool PaintReportPages(QPainter& painter, QPagedPaintDevice& device, const LaidOutReport& report,
                      const QList<int>& sequence, const ReportProgress& progress)
{
    const double scale = device.logicalDpiX() / ReportPageSetup::kPixelsPerInch;
    const int total = int(sequence.size());
    for (int n = 0; n < total; ++n) {
        if (progress && !progress(n, total))
            return false;
        if (n > 0)
            device.newPage();
        PaintReportPage(painter, report, sequence[n], scale);
    }
    if (progress)
        progress(total, total);
    return true;
}

bool WriteReportPdf(const LaidOutReport& report, const QString& path, const ReportProgress& progress,
                    QString* reason)
{
    if (report.isEmpty())
        return true;
    WholeFile file(path);
    bool done = false;
    if (file.open(QIODevice::WriteOnly)) {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setTitle(report.title);
        writer.setCreator(QStringLiteral("VEMRA"));
        ApplyReportPaper(writer, report);
        QPainter painter;
        if (painter.begin(&writer)) {
            done = PaintReportPages(painter, writer, report,
                                    PrintedPageSequence(int(report.pages.size()), 0, 0, 1), progress);
            done = painter.end() && done;
        }
    }
    // Cancelled or failed, the file is dropped unwritten.
    done = done && file.commit();
    if (reason)
        *reason = file.reason();
    return done;
}
