#pragma once

#include <QString>

struct AppContext;
class ColumnLayout;
class Query;

/// Prints the result dataset as a table: asks the print options first, re-runs its statement in
/// the report form's own query, lays out up to 16 of the columns the grid shows, in the grid's
/// order, with the titles and widths the column layout keeps for them, and previews or prints.
/// shownFieldCount 0 means no limit. Needs ctx.report.
void PrintQueryResult(AppContext& ctx, Query& dataset, const ColumnLayout& columnLayout, const QString& title,
                      int shownFieldCount);
