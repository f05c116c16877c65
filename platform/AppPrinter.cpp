#include "platform/AppPrinter.h"

#include "platform/PrintFileNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>

namespace {

void UsePdfOutput(QPrinter& printer)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (printer.outputFileName().isEmpty())
        printer.setOutputFileName(DefaultPdfOutputPath());
}

std::unique_ptr<QPrinter>& PrinterSlot()
{
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

} // namespace

QPrinter& AppPrinter()
{
    std::unique_ptr<QPrinter>& printer = PrinterSlot();
    if (!printer) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setPageSize(QPageSize(QPageSize::Letter));
        SelectPrinter(*printer, QString());
        // The printer's engine needs the application; let it go with the application object.
        qAddPostRoutine([] { PrinterSlot().reset(); });
    }
    return *printer;
}

QString SelectedPrinterName(const QPrinter& printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat)
        return QString();
    return printer.printerName();
}

void SelectPrinter(QPrinter& printer, const QString& name)
{
    QString chosen;
    if (!name.isEmpty() && QPrinterInfo::availablePrinterNames().contains(name))
        chosen = name;
    else
        chosen = QPrinterInfo::defaultPrinterName();
    if (chosen.isEmpty()) {
        UsePdfOutput(printer);
        return;
    }
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setOutputFileName(QString());
    printer.setPrinterName(chosen);
}

QString DefaultPdfOutputPath()
{
    return QDir(PrintoutFolder()).filePath(QStringLiteral("VEMRA.pdf"));
}
