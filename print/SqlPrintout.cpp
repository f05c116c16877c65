#include "print/SqlPrintout.h"

#include "platform/AppContext.h"
#include "platform/AppPrinter.h"
#include "platform/Desktop.h"
#include "platform/PrintFileNames.h"
#include "platform/PrintTarget.h"
#include "platform/WholeFile.h"
#include "print/PlainTextLayout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {

/// The unprintable border of a real printer, given to a file printer.
constexpr double kFileBorderInches = 0.25;
const QString kPdfSuffix = QStringLiteral("pdf");

} // namespace

QStringList EditorDisplayLines(const QPlainTextEdit& editor)
{
    const QTextDocument* document = editor.document();
    const auto* layout = qobject_cast<const QPlainTextDocumentLayout*>(document->documentLayout());
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // Blocks far off screen are laid out only on demand.
        if (layout)
            layout->ensureBlockLayout(block);
        const QString text = block.text();
        const QTextLayout* blockLayout = block.layout();
        if (!blockLayout || blockLayout->lineCount() == 0) {
            lines.append(text);
            continue;
        }
        for (int i = 0; i < blockLayout->lineCount(); ++i) {
            const QTextLine line = blockLayout->lineAt(i);
            lines.append(text.mid(line.textStart(), line.textLength()));
        }
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool PrintPlainText(QPrinter& printer, const QStringList& lines, const QFont& font, const QColor& color,
                    QString* reason)
{
    printer.setDocName(kSqlPrintoutDocName);
    // No margins beyond what the printer cannot print on; a file has no such border of its own
    // and gets the one a real printer has.
    printer.setFullPage(false);
    QPageLayout page = printer.pageLayout();
    page.setUnits(QPageLayout::Point);
    QMarginsF border = page.minimumMargins();
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const double least = kFileBorderInches * 72;
        border = QMarginsF(std::max(border.left(), least), std::max(border.top(), least),
                           std::max(border.right(), least), std::max(border.bottom(), least));
    }
    printer.setPageMargins(border, QPageLayout::Point);

    PrintTarget target(printer);
    QPainter painter;
    const auto failed = [&] {
        if (reason)
            *reason = target.reason();
        return false;
    };
    if (!target.begin(painter))
        return failed();
    painter.setFont(font);
    painter.setPen(color);
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QList<PlainTextPage> pages = LayoutPlainText(lines, metrics, target.printableSize());
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !target.device().newPage()) {
            target.abort(painter);
            return failed();
        }
        for (const PlainTextRun& run : pages[p].runs)
            painter.drawText(QPointF(run.pos.x(), run.pos.y() + metrics.ascent()), run.text);
    }
    return target.finish(painter) || failed();
}

void PrintSQL(AppContext& ctx, const QPlainTextEdit& editor, QWidget* parent)
{
    QPrinter& printer = ctx.printer;
    const QString noted = SelectedPrinterName(printer);
    const auto selectAgain = qScopeGuard([&] { SelectPrinter(printer, noted); });
    // A file the dialog offers is one that is not there yet, and never the report's.
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(FreeFileName(
            PrintoutFolder(), SafeFileBaseName(kSqlPrintoutDocName, kSqlPrintoutDocName), kPdfSuffix));
    // Nor the range and copies the report's print dialog left on the printer.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    printer.setCopyCount(1);
    PrintDialogOptions options;
    options.selection = true;
    if (!ctx.desktop.printDialog(printer, parent, options))
        return;
    // The dialog offers a page range and the selection; the whole text is printed all the same.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);

    bool printed = false;
    QString reason;
    {
        BusyCursor busy(ctx.desktop);
        printed = PrintPlainText(printer, EditorDisplayLines(editor), editor.font(),
                                 editor.palette().color(QPalette::Text), &reason);
    }
    if (!printed) {
        QString text = printer.outputFormat() == QPrinter::PdfFormat
                           ? QStringLiteral("The SQL printout could not be written to the file \"%1\".")
                                 .arg(printer.outputFileName())
                           : QStringLiteral("The SQL printout could not be sent to the printer \"%1\".")
                                 .arg(printer.printerName());
        ctx.desktop.messageBox(BoxKind::Error, WithReason(text, reason), BoxButtons::Ok, parent);
    }
}
