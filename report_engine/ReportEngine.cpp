#include "report_engine/ReportEngine.h"

#include "report_engine/ProgressWindow.h"
#include "report_engine/ReportDefinition.h"
#include "report_engine/ReportLayout.h"
#include "report_engine/ReportPainter.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QPrinter>

#include <memory>

namespace {

const QString kLayoutLabel = QStringLiteral("Preparing row %1 of %2");
const QString kPageLabel = QStringLiteral("Page %1 of %2");

/// The preview's own painting goes through a recording engine: one copy is enough there.
bool isPreviewPainting(QPrinter& printer)
{
    const QPaintEngine* engine = printer.paintEngine();
    return engine && engine->type() == QPaintEngine::Picture;
}

int paintedCopies(QPrinter& printer, int copies)
{
    if (isPreviewPainting(printer) || printer.supportsMultipleCopies())
        return 1;
    return copies;
}

} // namespace

ReportEngine::ReportEngine(const ReportDefinition& definition, const RowSource& source)
    : m_definition(definition), m_source(source)
{
}

const LaidOutReport& ReportEngine::layout(QWidget* parent)
{
    if (!m_layout) {
        LayoutOptions options;
        std::unique_ptr<ProgressWindow> progress;
        if (m_definition.showProgress) {
            progress = std::make_unique<ProgressWindow>(m_definition.title, parent);
            options.progress = progress->callback(kLayoutLabel);
        }
        m_layout = LayoutReport(m_definition, m_source, options);
    }
    return *m_layout;
}

void ReportEngine::preparePrinter(QPrinter& printer) const
{
    printer.setFullPage(true);
    ApplyReportPaper(printer, *m_layout);
    printer.setDocName(m_layout->title);
    printer.setCopyCount(m_layout->copies);
}

ReportOutcome ReportEngine::preview(QPrinter& printer, QWidget* parent)
{
    const LaidOutReport& report = layout(parent);
    if (report.cancelled)
        return ReportOutcome::Cancelled;
    if (report.isEmpty())
        return ReportOutcome::Empty;
    preparePrinter(printer);

    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("ReportPreview"));
    dialog.setWindowTitle(report.title);
    // A sensible size for where maximising is not honoured (no window manager).
    if (const QScreen* screen = dialog.screen())
        dialog.resize(screen->availableGeometry().size() * 0.85);
    dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        QPainter painter(target);
        std::unique_ptr<ProgressWindow> progress;
        ReportProgress callback;
        if (m_definition.showProgress) {
            progress = std::make_unique<ProgressWindow>(report.title, &dialog);
            callback = progress->callback(kPageLabel);
        }
        PaintReportPages(painter, *target, report, paintedCopies(*target, report.copies), callback);
    });
    dialog.exec();
    return ReportOutcome::Done;
}

ReportOutcome ReportEngine::print(QPrinter& printer, QWidget* parent)
{
    const LaidOutReport& report = layout(parent);
    if (report.cancelled)
        return ReportOutcome::Cancelled;
    if (report.isEmpty())
        return ReportOutcome::Empty;
    preparePrinter(printer);

    QPainter painter;
    if (!painter.begin(&printer))
        return ReportOutcome::Failed;
    std::unique_ptr<ProgressWindow> progress;
    ReportProgress callback;
    if (m_definition.showProgress) {
        progress = std::make_unique<ProgressWindow>(report.title, parent);
        callback = progress->callback(kPageLabel);
    }
    if (!PaintReportPages(painter, printer, report, paintedCopies(printer, report.copies), callback)) {
        printer.abort();
        return ReportOutcome::Cancelled;
    }
    return painter.end() ? ReportOutcome::Done : ReportOutcome::Failed;
}

ReportOutcome ReportEngine::writePdf(const QString& path, QWidget* parent)
{
    const LaidOutReport& report = layout(parent);
    if (report.cancelled)
        return ReportOutcome::Cancelled;
    if (report.isEmpty())
        return ReportOutcome::Empty;
    std::unique_ptr<ProgressWindow> progress;
    ReportProgress callback;
    if (m_definition.showProgress) {
        progress = std::make_unique<ProgressWindow>(report.title, parent);
        callback = progress->callback(kPageLabel);
    }
    if (WriteReportPdf(report, path, callback))
        return ReportOutcome::Done;
    return progress && progress->wasCanceled() ? ReportOutcome::Cancelled : ReportOutcome::Failed;
}
