#pragma once

#include <QPrinter>
#include <QString>

/// The application printer's selection, noted so that it can be selected again: a dialog's
/// choice of printer (or of a file to print into) then does not carry over to later printing.
class NotedPrinter final
{
public:
    explicit NotedPrinter(QPrinter& printer);
    /// Selects the noted printer (or file output) again.
    void restore() const;

private:
    QPrinter& m_printer;
    QString m_printerName;
    QPrinter::OutputFormat m_format;
    QString m_outputFileName;
};
