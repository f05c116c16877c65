#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

struct AppContext;
class QPlainTextEdit;
class QPrinter;
class QWidget;

/// The document name of the printout's print job.
inline const QString kSqlPrintoutDocName = QStringLiteral("VEMRA SQL Printout");

/// The editor's lines as it displays them: with word wrap on, a long line gives the pieces it
/// occupies on screen. A last line that is empty is left out. Lines are whole, however long.
QStringList EditorDisplayLines(const QPlainTextEdit& editor);

/// Prints lines as plain text in the font and colour given, from the top-left corner of the
/// printable area. False when the printer (or the output file) could not be opened or written;
/// reason, when given, then receives the system's words when it gave any. A file is written
/// whole or not at all.
bool PrintPlainText(QPrinter& printer, const QStringList& lines, const QFont& font, const QColor& color,
                    QString* reason = nullptr);

/// The main window's "Print SQL": the print dialog on the application printer, then the editor's
/// display lines in its font and text colour as a job named "VEMRA SQL Printout". The whole text
/// is printed whatever page range or selection the dialog was given. The printer selected before
/// is selected again afterwards, whether the dialog was confirmed or cancelled.
void PrintSQL(AppContext& ctx, const QPlainTextEdit& editor, QWidget* parent = nullptr);
