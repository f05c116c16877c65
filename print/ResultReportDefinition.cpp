#include "print/ResultReportDefinition.h"

#include "print/GenericReport.h"
#include "print/ResultReportPlan.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QFont reportFont(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Times New Roman"), pointSize);
    font.setBold(bold);
    return font;
}

ReportElement element(const QString& name, double left, double top, int pointSize, bool bold)
{
    ReportElement e;
    e.name = name;
    e.left = left;
    e.top = top;
    e.font = reportFont(pointSize, bold);
    return e;
}

ReportElement systemElement(const QString& name, SystemData what, double left, double top)
{
    ReportElement e = element(name, left, top, 8, true);
    e.kind = ElementKind::System;
    e.system = what;
    e.autoSize = true;
    return e;
}

} // namespace

ReportDefinition BuildResultReportDefinition()
{
    namespace E = ResultReportElements;
    const QColor windowText = QGuiApplication::palette().color(QPalette::WindowText);

    ReportDefinition def;
    def.font = reportFont(10, false);

    def.pageHeader.height = 65;
    def.pageHeader.frameTop = def.pageHeader.frameBottom = true;
    ReportElement title = element(E::Title, 0, 9, 10, true);
    title.align = ElementAlign::Center;
    title.autoSize = true;
    title.bottomLine = true;
    def.pageHeader.elements.append(title);

    def.detail.height = 28;
    ReportElement rowNumber = systemElement(E::RowNumber, SystemData::DetailNumber, 0, 5);
    rowNumber.color = windowText;
    def.detail.elements.append(rowNumber);

    for (int slot = 1; slot <= kReportMaxColumns; ++slot) {
        ReportElement heading = element(E::Heading(slot), 0, 39, 8, true);
        heading.height = 16;
        heading.visible = heading.enabled = false;
        def.pageHeader.elements.append(heading);

        ReportElement cell = element(E::Cell(slot), 0, 5, 8, false);
        cell.kind = ElementKind::Data;
        cell.height = 17;
        cell.color = windowText;
        cell.visible = cell.enabled = false;
        def.detail.elements.append(cell);
    }

    def.pageFooter.height = 36;
    def.pageFooter.frameTop = def.pageFooter.frameBottom = true;
    def.pageFooter.elements.append(systemElement(E::Date, SystemData::Date, 0, 9));
    def.pageFooter.elements.append(systemElement(E::Time, SystemData::Time, 117, 9));
    ReportElement pageNumber = systemElement(E::PageNumber, SystemData::PageNumber, 0, 9);
    pageNumber.text = QStringLiteral("Page No: ");
    pageNumber.align = ElementAlign::Right;
    def.pageFooter.elements.append(pageNumber);
    ReportElement recordCount = element(E::RecordCount, 344, 8, 8, true);
    recordCount.autoSize = true;
    def.pageFooter.elements.append(recordCount);
    return def;
}

void ResetColumnSlots(ReportDefinition& report)
{
    for (int slot = 1; slot <= kReportMaxColumns; ++slot) {
        if (ReportElement* heading = report.findElement(ResultReportElements::Heading(slot))) {
            heading->enabled = false;
            heading->text.clear();
        }
        if (ReportElement* cell = report.findElement(ResultReportElements::Cell(slot))) {
            cell->enabled = false;
            cell->fieldName.clear();
        }
    }
}

void PlaceColumnSlots(ReportDefinition& report, const ResultReportPlan& plan)
{
    report.pageHeader.height = plan.headerHeight;
    report.detail.height = plan.detailHeight;
    for (int k = 0; k < plan.usedSlots() && k < kReportMaxColumns; ++k) {
        const ReportSlotPlacement& place = plan.slots[k];
        ReportElement* heading = report.findElement(ResultReportElements::Heading(k + 1));
        ReportElement* cell = report.findElement(ResultReportElements::Cell(k + 1));
        if (!heading || !cell)
            continue;
        heading->visible = cell->visible = true;
        heading->top = place.headingTop;
        cell->top = place.cellTop;
        heading->left = cell->left = place.left;
        heading->width = cell->width = place.width;
    }
}
