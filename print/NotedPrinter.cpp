#include "print/NotedPrinter.h"

NotedPrinter::NotedPrinter(QPrinter& printer)
    : m_printer(printer), m_printerName(printer.printerName()), m_format(printer.outputFormat()),
      m_outputFileName(printer.outputFileName())
{
}

void NotedPrinter::restore() const
{
    if (m_format == QPrinter::NativeFormat && !m_printerName.isEmpty()) {
        m_printer.setOutputFileName(QString());
        m_printer.setOutputFormat(QPrinter::NativeFormat);
        m_printer.setPrinterName(m_printerName);
        return;
    }
    m_printer.setOutputFormat(m_format);
    m_printer.setOutputFileName(m_outputFileName);
}
