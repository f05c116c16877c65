#pragma once

#include <QStringList>

/// The name filters of a Qt file dialog for a filter text of the form
/// "Description|*.PAT|Other|*.A;*.B": one entry per description, showing the description and
/// carrying its patterns in the parentheses Qt reads them from ("SQL files (*.SQL)" stays as it
/// is). Patterns separated by ";" are kept apart by blanks. Empty input gives no filters.
QStringList FileDialogNameFilters(const QString& filter);

/// The patterns of one converted entry, as the dialog will read them.
QStringList FileDialogPatterns(const QString& nameFilter);
