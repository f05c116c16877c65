#pragma once

#include "report_engine/LaidOutReport.h"

#include <QString>

#include <optional>

struct ReportDefinition;
class RowSource;
class QPrinter;
class QWidget;

enum class ReportOutcome
{
    Done,
    Empty,     ///< no rows: nothing was shown, printed or written
    Cancelled, ///< the progress window was cancelled
    Failed,    ///< the printer or the file could not be opened
};

/// Puts a report out: on screen in a preview window, on a printer, or into a PDF file. The pages
/// are laid out once, on first need, and painted from that one layout every time. With the
/// definition's progress switch on, a cancelable progress window accompanies the work.
class ReportEngine final
{
public:
    /// Both must outlive the engine.
    ReportEngine(const ReportDefinition& definition, const RowSource& source);

    /// The layout; done on first call (Cancelled leaves an empty, cancelled layout).
    const LaidOutReport& layout(QWidget* parent = nullptr);

    /// Shows the preview window (caption: the title) and returns when it has been closed.
    ReportOutcome preview(QPrinter& printer, QWidget* parent = nullptr);
    /// Prints every page on the printer, as a job named after the title, with the copies asked.
    ReportOutcome print(QPrinter& printer, QWidget* parent = nullptr);
    ReportOutcome writePdf(const QString& path, QWidget* parent = nullptr);

private:
    void preparePrinter(QPrinter& printer) const;

    const ReportDefinition& m_definition;
    const RowSource& m_source;
    std::optional<LaidOutReport> m_layout;
};
