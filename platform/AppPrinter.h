#pragma once

#include <QString>

class QPrinter;

/// The application printer: one printer for the whole run, made on first use (after the
/// application object). Letter paper. With no printer installed it prints to a PDF file, which
/// the print dialog lets the user name.
QPrinter& AppPrinter();

/// The name of the printer the printer prints on; empty when it writes a PDF file.
QString SelectedPrinterName(const QPrinter& printer);

/// Selects the named printer again. An empty name, or a printer that is no longer installed,
/// selects the default printer, or PDF output when there is none.
void SelectPrinter(QPrinter& printer, const QString& name);

/// The file PDF output is written to unless the user names another: "VEMRA.pdf" in the
/// documents folder (the home folder when there is none).
QString DefaultPdfOutputPath();
