#include "report_engine/ReportEngine.h"

#include "report_engine/ProgressWindow.h"
#include "report_engine/ReportDefinition.h"
#include "report_engine/ReportLayout.h"
#include "report_engine/ReportPainter.h"

#include "platform/PrintTarget.h"

#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>

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

/// Pages and copies as the printer's settings ask; the preview shows each page once.
QList<int> printedSequence(QPrinter& printer, const LaidOutReport& report)
{
    const int pages = int(report.pages.size());
    if (isPreviewPainting(printer))
        return PrintedPageSequence(pages, 0, 0, 1);
    const bool range = printer.printRange() == QPrinter::PageRange;
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    return PrintedPageSequence(pages, range ? printer.fromPage() : 0, range ? printer.toPage() : 0, copies);
}

/// The report's page as the printer's page layout now has it.
ReportPageSetup pageOf(const QPrinter& printer, const ReportPageSetup& current)
{
    const QPageLayout layout = printer.pageLayout();
    const QMarginsF margins = layout.margins(QPageLayout::Inch);
    ReportPageSetup page = current;
    page.paper = layout.pageSize();
    page.orientation = layout.orientation() == QPageLayout::Portrait ? PageOrientation::Portrait
                                                                     : PageOrientation::Landscape;
    page.leftMargin = margins.left();
    page.rightMargin = margins.right();
    page.topMargin = margins.top();
    page.bottomMargin = margins.bottom();
    return page;
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
        if (!m_laidOutAt.isValid())
            m_laidOutAt = QDateTime::currentDateTime();
        options.now = m_laidOutAt;
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
    // A range chosen for an earlier report is no choice for this one.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
}

void ReportEngine::followPageOf(const QPrinter& printer, QWidget* parent)
{
    // Compared with what the printer made of the report's page, not with the report's page: a
    // printer takes no margins wider than its paper, and that is no change of the user's.
    if (printer.pageLayout().isEquivalentTo(m_printerPage))
        return;
    m_printerPage = printer.pageLayout();
    m_definition.page = pageOf(printer, m_definition.page);
    if (m_pageChangeRule)
        m_pageChangeRule(m_definition);
    m_layout.reset();
    layout(parent);
}

ReportOutcome ReportEngine::preview(QPrinter& printer, QWidget* parent)
{
    const LaidOutReport& report = layout(parent);
    if (report.cancelled)
        return ReportOutcome::Cancelled;
    if (report.isEmpty())
        return ReportOutcome::Empty;
    preparePrinter(printer);
    m_printerPage = printer.pageLayout();

    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("ReportPreview"));
    dialog.setWindowTitle(report.title);
    // A sensible size for where maximising is not honoured (no window manager).
    if (const QScreen* screen = dialog.screen())
        dialog.resize(screen->availableGeometry().size() * 0.85);
    dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        // Asked again after every change of the page setup or orientation in the preview.
        followPageOf(*target, &dialog);
        const LaidOutReport& pages = *m_layout;
        const QList<int> sequence = printedSequence(*target, pages);
        // A range past the last page prints nothing, not a blank page.
        if (sequence.isEmpty())
            return;
        if (isPreviewPainting(*target)) {
            QPainter painter(target);
            std::unique_ptr<ProgressWindow> progress;
            ReportProgress callback;
            if (m_definition.showProgress) {
                progress = std::make_unique<ProgressWindow>(pages.title, &dialog);
                callback = progress->callback(kPageLabel);
            }
            PaintReportPages(painter, *target, pages, sequence, callback);
            return;
        }
        // Printed from the preview's print dialog.
        m_printed = putOut(*target, pages, sequence, &dialog);
    });
    m_printed = ReportOutcome::Done;
    dialog.exec();
    return m_printed;
}

ReportOutcome ReportEngine::print(QPrinter& printer, QWidget* parent)
{
    const LaidOutReport& report = layout(parent);
    if (report.cancelled)
        return ReportOutcome::Cancelled;
    if (report.isEmpty())
        return ReportOutcome::Empty;
    preparePrinter(printer);
    return putOut(printer, report, printedSequence(printer, report), parent);
}

ReportOutcome ReportEngine::putOut(QPrinter& printer, const LaidOutReport& report, const QList<int>& sequence,
                                   QWidget* parent)
{
    m_failure.clear();
    PrintTarget target(printer);
    QPainter painter;
    if (!target.begin(painter)) {
        m_failure = target.reason();
        return ReportOutcome::Failed;
    }
    std::unique_ptr<ProgressWindow> progress;
    ReportProgress callback;
    if (m_definition.showProgress) {
        progress = std::make_unique<ProgressWindow>(report.title, parent);
        callback = progress->callback(kPageLabel);
    }
    if (!PaintReportPages(painter, target.device(), report, sequence, callback)) {
        target.abort(painter);
        return ReportOutcome::Cancelled;
    }
    if (target.finish(painter))
        return ReportOutcome::Done;
    m_failure = target.reason();
    return ReportOutcome::Failed;
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
    m_failure.clear();
    if (WriteReportPdf(report, path, callback, &m_failure))
        return ReportOutcome::Done;
    return progress && progress->wasCanceled() ? ReportOutcome::Cancelled : ReportOutcome::Failed;
}
