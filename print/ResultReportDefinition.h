#pragma once

#include "report_engine/ReportDefinition.h"

#include <QString>

/// Names of the bands' elements of the result report.
namespace ResultReportElements {
inline const QString Title = QStringLiteral("RPL_Title");
inline const QString RowNumber = QStringLiteral("RPS_RowNumber");
inline const QString Date = QStringLiteral("RPS_Date");
inline const QString Time = QStringLiteral("RPS_Time");
inline const QString PageNumber = QStringLiteral("RPS_PageNumber");
inline const QString RecordCount = QStringLiteral("RPL_RecordCount");
/// Slots 1 to 16.
inline QString Heading(int slot)
{
    return QStringLiteral("RPL_Heading%1").arg(slot);
}
inline QString Cell(int slot)
{
    return QStringLiteral("RPD_Cell%1").arg(slot);
}
} // namespace ResultReportElements

/// The result report's layout as designed: US Letter, Times New Roman 10 pt; a page header with
/// the centred title and 16 column headings, a detail band with the row number and 16 cells, a
/// page footer with date, time, page number and record count. The 16 column slots start hidden
/// and disabled; the result report places and enables the ones it uses.
ReportDefinition BuildResultReportDefinition();

struct ResultReportPlan;

/// Disables all 16 column slots and clears their headings and field bindings; a slot once
/// placed stays visible, so this is what takes an earlier report's columns out.
void ResetColumnSlots(ReportDefinition& report);

/// Sets the band heights of the plan and makes the used slots visible at their places. The
/// slots' texts, bindings and enabled flags are left to the caller.
void PlaceColumnSlots(ReportDefinition& report, const ResultReportPlan& plan);
