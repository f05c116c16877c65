#include "print/SQL_Procs.h"
#include "print/GenericReport.h"

#include "connection/EngineError.h"
#include "connection/Query.h"
#include "connection/WatchedCall.h"
#include "platform/AppContext.h"
#include "platform/AppPrinter.h"
#include "platform/Desktop.h"
#include "platform/PrintFileNames.h"
#include "platform/WholeFile.h"
#include "print/QueryRowSource.h"
#include "print/ResultReportDefinition.h"
#include "print/ResultReportPlan.h"
#include "print/report.h"
#include "query/ColumnLayout.h"
#include "report_engine/ReportEngine.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>

#include <optional>
#include <stdexcept>

namespace {

const QString kNotActive = QStringLiteral("The Query passed to the print routine is not ACTIVE");
const QString kSqlError = QStringLiteral("SQL Error in Print module");
const QString kTotalRecords = QStringLiteral("Total Records: ");
const QString kPdfSuffix = QStringLiteral("pdf");

/// The positions of the fields the grid shows, in the grid's order, as many as the report takes.
QList<int> reportedFields(const Query& dataset, int shownFieldCount)
{
    QList<int> fields;
    for (int position = 0; position < dataset.fieldCount(); ++position) {
        if (dataset.field(position).visible)
            fields.append(position);
    }
    fields.resize(ReportColumnCount(int(fields.size()), shownFieldCount));
    return fields;
}

/// The report query's field that is the same column of the statement as the dataset's field:
/// the one at the same place in the statement with the same name, or else the first of that
/// name; -1 when the statement no longer gives it.
int sameFieldIn(const Query& report, const Field& field)
{
    for (int position = 0; position < report.fieldCount(); ++position) {
        const Field& candidate = report.field(position);
        if (candidate.storeColumn == field.storeColumn && candidate.name == field.name)
            return position;
    }
    return report.findField(field.name);
}

void applyPageSettings(ReportDefinition& layout, const GenericReport& settings)
{
    const GenericPage& page = settings.Page;
    layout.page.leftMargin = page.LeftMargin / kReportPixelsPerInch;
    layout.page.rightMargin = page.RightMargin / kReportPixelsPerInch;
    layout.page.topMargin = page.TopMargin / kReportPixelsPerInch;
    layout.page.bottomMargin = page.BottomMargin / kReportPixelsPerInch;
    layout.page.columnSpace = page.SpaceBetweenColumns / kReportPixelsPerInch;
    layout.page.columns = 1;
    // Letter again, whatever paper the last preview's page setup chose.
    layout.page.paper = QPageSize(QPageSize::Letter);
    layout.page.orientation = page.Orientation;
    layout.title = settings.Title;
    layout.copies = settings.Copies;
    // Long report work shows its progress and can be cancelled, a direct print too; the window
    // comes up only when the work takes a while.
    layout.showProgress = true;
}

/// The report's page record brought to a page the preview's page setup chose.
void takePage(GenericPage& record, const ReportPageSetup& page)
{
    record.LeftMargin = page.leftMargin * kReportPixelsPerInch;
    record.RightMargin = page.rightMargin * kReportPixelsPerInch;
    record.TopMargin = page.topMargin * kReportPixelsPerInch;
    record.BottomMargin = page.bottomMargin * kReportPixelsPerInch;
    record.Orientation = page.orientation;
    record.PageWidth = page.paperPixels().width();
}

/// The width and line rules for the record's page: column widths into the record, used slots
/// placed. Returns how many slots are used.
int placeColumns(ReportDefinition& layout, GenericPage& page, const QList<ReportColumnInput>& columns)
{
    const ResultReportPlan plan = PlanResultReport(page, columns);
    page.ColumnFieldNames.fill(QString());
    page.ColumnWidths.fill(0);
    for (int i = 0; i < int(columns.size()); ++i) {
        page.ColumnFieldNames[std::size_t(i)] = columns[i].fieldName;
        page.ColumnWidths[std::size_t(i)] = plan.columnWidths[i];
    }
    PlaceColumnSlots(layout, plan);
    return plan.usedSlots();
}

/// What each column prints: its heading text and the report source's field its cells show.
struct ColumnBinding
{
    QString heading;
    QString field;
};

void bindColumns(ReportDefinition& layout, int usedSlots, const QList<ColumnBinding>& bindings)
{
    namespace E = ResultReportElements;
    for (int k = 0; k < usedSlots && k < int(bindings.size()); ++k) {
        ReportElement* heading = layout.findElement(E::Heading(k + 1));
        ReportElement* cell = layout.findElement(E::Cell(k + 1));
        cell->fieldName = bindings[k].field;
        heading->text = bindings[k].heading;
        heading->enabled = cell->enabled = true;
    }
}

QString outputFailure(const QPrinter& printer, const QString& file, const QString& reason)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return WithReason(QStringLiteral("The report could not be written to the file \"%1\".")
                              .arg(QDir::toNativeSeparators(file)),
                          reason);
    return WithReason(
        QStringLiteral("The report could not be sent to the printer \"%1\".").arg(printer.printerName()),
        reason);
}

QString reportFileBase(const GenericReport& settings)
{
    return SafeFileBaseName(settings.Title, QStringLiteral("Query Result"));
}

/// Shows the print options modally above the window that asked for the report, which may be a
/// window that stays on top.
int showPrintOptions(Desktop& desktop, TFRM_Report& form, const QWidget* owner)
{
    const bool onTop = owner && owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (onTop)
        form.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    desktop.suspendBusy();
    const int answer = form.exec();
    desktop.resumeBusy();
    if (onTop)
        form.setWindowFlag(Qt::WindowStaysOnTopHint, false);
    return answer;
}

} // namespace

void PrintQueryResult(AppContext& ctx, Query& dataset, const ColumnLayout& columnLayout, const QString& title,
                      int shownFieldCount)
{
    namespace E = ResultReportElements;
    Desktop& desktop = ctx.desktop;
    std::optional<BusyCursor> busy(std::in_place, desktop);
    QWidget* owner = QApplication::activeWindow();

    if (!dataset.isActive()) {
        desktop.messageBox(BoxKind::Error, kNotActive, BoxButtons::Ok, owner);
        return;
    }
    if (!ctx.report)
        throw std::logic_error("The print options dialog was not created at start-up");
    TFRM_Report& form = *ctx.report;
    ReportDefinition& layout = form.RPT_Report;
    GenericReport& settings = form.printSettings();
    GenericPage& page = settings.Page;

    ResetColumnSlots(layout);
    settings.Title = title;
    form.EDT_Title->setText(title);

    const QString noted = SelectedPrinterName(ctx.printer);
    if (showPrintOptions(desktop, form, owner) != QDialog::Accepted)
        return;
    // The printer setup has given its orientation; its choice of printer does not stay.
    SelectPrinter(ctx.printer, noted);

    applyPageSettings(layout, settings);
    page.RowNumberWidth = settings.ShowRowNumber ? kRowNumberWidth : 0;
    layout.findElement(E::RowNumber)->enabled = settings.ShowRowNumber;
    layout.dateFormat = ctx.shortDateFormat;

    // Widths, headings and cells all follow the dataset's fields in the grid's order.
    const QList<int> fields = reportedFields(dataset, shownFieldCount);
    QStringList names;
    for (int position : fields)
        names.append(dataset.field(position).name);
    const QList<ColumnLayout::Column> stored = columnLayout.columns(names);
    QList<ReportColumnInput> columns;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const Field& field = dataset.field(fields[i]);
        columns.append({field.name, field.displayWidth, stored[i].width.value_or(field.displayWidth)});
    }
    const int usedSlots = placeColumns(layout, page, columns);
    layout.findElement(E::Title)->text = settings.Title;

    if (!form.QRY_Report) {
        form.QRY_Report = new Query(ctx.connection ? *ctx.connection : dataset.connection(), &form);
        form.QRY_Report->setObjectName(QStringLiteral("QRY_Report"));
    }
    Query& report = *form.QRY_Report;
    report.close();
    report.setDatabaseName(dataset.databaseName());
    report.clearSql();
    report.setSql(dataset.sql());
    report.copyParamsFrom(dataset);
    report.setRequestLive(false);
    try {
        const WatchedCall watch(report.connection(), owner, QStringLiteral("Running the report's query"));
        report.open();
    } catch (const EngineError&) {
        desktop.messageBox(BoxKind::Plain, kSqlError, BoxButtons::Ok, owner);
        return;
    }

    layout.findElement(E::RecordCount)->text = kTotalRecords + QString::number(report.recordCount());
    const QueryRowSource source(report);
    // Every column, also those the page has no room for now: another page may have.
    QList<ColumnBinding> bindings;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const int reportField = sameFieldIn(report, dataset.field(fields[i]));
        bindings.append({stored[i].title, reportField >= 0 ? source.fieldName(reportField) : QString()});
    }
    bindColumns(layout, usedSlots, bindings);

    busy.reset();
    ReportEngine engine(layout, source);
    engine.setPageChangeRule([&](ReportDefinition& definition) {
        takePage(page, definition.page);
        ResetColumnSlots(definition);
        bindColumns(definition, placeColumns(definition, page, columns), bindings);
        layout = definition;
    });

    const bool toFile = ctx.printer.outputFormat() == QPrinter::PdfFormat;
    if (settings.ShowPreview) {
        // The preview's print dialog offers a file that is not there yet.
        if (toFile)
            ctx.printer.setOutputFileName(
                FreeFileName(PrintoutFolder(), reportFileBase(settings), kPdfSuffix));
        if (engine.preview(ctx.printer, owner) == ReportOutcome::Failed)
            desktop.messageBox(
                BoxKind::Error,
                outputFailure(ctx.printer, ctx.printer.outputFileName(), engine.failureReason()),
                BoxButtons::Ok, owner);
        return;
    }
    if (!toFile) {
        if (engine.print(ctx.printer, owner) == ReportOutcome::Failed)
            desktop.messageBox(BoxKind::Error, outputFailure(ctx.printer, QString(), engine.failureReason()),
                               BoxButtons::Ok, owner);
        return;
    }

    // A direct print to a file never writes over one: it takes a new name and says which.
    const QString folder = PrintoutFolder();
    QString reason;
    const std::optional<QString> file =
        ReserveFreeFile(folder, reportFileBase(settings), kPdfSuffix, &reason);
    if (!file) {
        desktop.messageBox(
            BoxKind::Error,
            outputFailure(ctx.printer, FreeFileName(folder, reportFileBase(settings), kPdfSuffix), reason),
            BoxButtons::Ok, owner);
        return;
    }
    ctx.printer.setOutputFileName(*file);
    const ReportOutcome outcome = engine.print(ctx.printer, owner);
    if (outcome == ReportOutcome::Done) {
        desktop.messageBox(
            BoxKind::Information,
            QStringLiteral("The report was written to the file \"%1\".").arg(QDir::toNativeSeparators(*file)),
            BoxButtons::Ok, owner);
        return;
    }
    // The name taken for it is given back: a failed or cancelled print leaves no file.
    QFile::remove(*file);
    if (outcome == ReportOutcome::Failed)
        desktop.messageBox(BoxKind::Error, outputFailure(ctx.printer, *file, engine.failureReason()),
                           BoxButtons::Ok, owner);
}
