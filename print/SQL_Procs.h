#pragma once

#include <QString>

struct AppContext;
class Query;

/// Prints the result dataset as a table: asks the print options first, re-runs its statement in
/// the report form's own query, lays out up to 16 of the columns the grid shows, in the grid's
/// order, and previews or prints. shownFieldCount 0 means no limit. Needs ctx.report.
void PrintQueryResult(AppContext& ctx, Query& dataset, const QString& title, int shownFieldCount);
