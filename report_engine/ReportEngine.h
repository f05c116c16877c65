#pragma once

#include "report_engine/LaidOutReport.h"
#include "report_engine/ReportDefinition.h"

#include <QDateTime>
#include <QPageLayout>
#include <QString>

#include <functional>
#include <optional>

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

/// Brings a definition in line with a new page (its page is already the new one): the report's
/// own rules for what fits across the page.
using PageChangeRule = std::function<void(ReportDefinition& definition)>;

/// Puts a report out: on screen in a preview window, on a printer, or into a PDF file. The pages
/// are laid out on first need and painted from that layout, until the preview's page setup
/// gives the report another page: then they are laid out again for it. With the definition's
/// progress switch on, a cancelable progress window accompanies the work.
class ReportEngine final
{
public:
    /// Works on a copy of the definition; the source must outlive the engine.
    ReportEngine(const ReportDefinition& definition, const RowSource& source);

    /// What to do to the definition when the page changes; without one only the page changes.
    void setPageChangeRule(PageChangeRule rule) { m_pageChangeRule = std::move(rule); }
    const ReportDefinition& definition() const { return m_definition; }

    /// The layout; done on first call (Cancelled leaves an empty, cancelled layout).
    const LaidOutReport& layout(QWidget* parent = nullptr);

    /// Shows the preview window (caption: the title) and returns when it has been closed.
    ReportOutcome preview(QPrinter& printer, QWidget* parent = nullptr);
    /// Prints every page on the printer, as a job named after the title, with the copies asked.
    /// Printing from the preview's print dialog honours the page range chosen there, and its
    /// copies, collated.
    ReportOutcome print(QPrinter& printer, QWidget* parent = nullptr);
    ReportOutcome writePdf(const QString& path, QWidget* parent = nullptr);
    /// After Failed: why, in the system's words when it gave any (a full disk, a folder that
    /// takes no file); empty when it is not known. A PDF file is written whole or not at all.
    QString failureReason() const { return m_failure; }

private:
    void preparePrinter(QPrinter& printer) const;
    /// Lays the report out again when the printer's page is no longer the report's.
    void followPageOf(const QPrinter& printer, QWidget* parent);
    /// Paints the pages of sequence on the printer, or into its file, with the progress window.
    ReportOutcome putOut(QPrinter& printer, const LaidOutReport& report, const QList<int>& sequence,
                         QWidget* parent);

    ReportDefinition m_definition;
    const RowSource& m_source;
    PageChangeRule m_pageChangeRule;
    /// The printer's page as the preview started on it or last laid out for.
    QPageLayout m_printerPage;
    /// Date and time shown stay those of the first layout.
    QDateTime m_laidOutAt;
    std::optional<LaidOutReport> m_layout;
    /// How the preview's own printing went.
    ReportOutcome m_printed = ReportOutcome::Done;
    QString m_failure;
};
