#include "platform/PrintTarget.h"

#include "platform/WholeFile.h"

#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

PrintTarget::PrintTarget(QPrinter& printer) : m_printer(printer)
{
    if (printer.outputFormat() != QPrinter::PdfFormat)
        return;
    m_file = std::make_unique<WholeFile>(printer.outputFileName());
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setPdfVersion(printer.pdfVersion());
    m_writer->setResolution(printer.resolution());
    m_writer->setPageLayout(printer.pageLayout());
    m_writer->setTitle(printer.docName());
    m_writer->setCreator(printer.creator());
}

PrintTarget::~PrintTarget() = default;

QPagedPaintDevice& PrintTarget::device()
{
    if (m_writer)
        return *m_writer;
    return m_printer;
}

QSizeF PrintTarget::printableSize() const
{
    if (m_writer)
        return m_writer->pageLayout().paintRectPixels(m_writer->resolution()).size();
    return m_printer.pageRect(QPrinter::DevicePixel).size();
}

bool PrintTarget::begin(QPainter& painter)
{
    if (m_file && !m_file->open(QIODevice::WriteOnly))
        return false;
    return painter.begin(&device());
}

bool PrintTarget::finish(QPainter& painter)
{
    const bool ended = painter.end();
    if (!m_file)
        return ended;
    if (!ended) {
        m_file->discard();
        return false;
    }
    return m_file->commit();
}

void PrintTarget::abort(QPainter& painter)
{
    if (!m_file) {
        m_printer.abort();
        return;
    }
    painter.end();
    m_file->discard();
}

QString PrintTarget::reason() const
{
    return m_file ? m_file->reason() : QString();
}
