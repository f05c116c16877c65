#pragma once

#include <QSizeF>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QPrinter;
class WholeFile;

/// Where a print job's pages go. A printer that writes a PDF file hands the pages to a PDF writer
/// with the printer's page, resolution and document name, whose file appears only when whole (a
/// printer's own file output says nothing of a full disk); any other printer takes them itself.
class PrintTarget final
{
public:
    explicit PrintTarget(QPrinter& printer);
    ~PrintTarget();
    PrintTarget(const PrintTarget&) = delete;
    PrintTarget& operator=(const PrintTarget&) = delete;

    /// The device to paint on and to turn the pages of.
    QPagedPaintDevice& device();
    /// The printable area in device pixels.
    QSizeF printableSize() const;
    bool toFile() const { return bool(m_file); }

    /// Starts the job with the painter on the device. False, with reason() when known, when the
    /// printer or the file cannot be opened.
    bool begin(QPainter& painter);
    /// Ends the job: a file takes its name now. False when any of it failed.
    bool finish(QPainter& painter);
    /// Gives the job up: a file leaves nothing behind.
    void abort(QPainter& painter);

    /// The system's reason for the failure, empty when it is not known.
    QString reason() const;

private:
    QPrinter& m_printer;
    std::unique_ptr<WholeFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
};
