#include "platform/AppPrinter.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include <memory>

namespace {

void UsePdfOutput(QPrinter& printer)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (printer.outputFileName().isEmpty())
        printer.setOutputFileName(DefaultPdfOutputPath());
}

} // namespace

QPrinter& AppPrinter()
{
    static const std::unique_ptr<QPrinter> printer = [] {
        auto made = std::make_unique<QPrinter>(QPrinter::HighResolution);
        made->setPageSize(QPageSize(QPageSize::Letter));
        SelectPrinter(*made, QString());
        return made;
    }();
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
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("VEMRA.pdf"));
}
