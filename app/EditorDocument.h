#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;

/// The SQL text as the editor holds it, and back, with nothing lost on the way.
///
/// The editor's document takes U+2029 (paragraph separator) and U+FDD0 and U+FDD1 (its frame
/// marks) for line breaks of its own. It holds them as stand-ins instead: lone low surrogates,
/// which no file and no keyboard gives (a file holding encoded surrogates is not read as UTF-8),
/// so each stand-in maps back to its character alone.
namespace EditorDocument {

/// Texts of lines longer than this wrap at any character: searching a very long line for word
/// boundaries takes the editor's layout time that grows with the square of the line's length.
inline constexpr qsizetype kLongLine = 10'000;

QString ToEditor(QString text);
QString FromEditor(QString text);

/// Replaces the editor's text ("\n"-separated lines). The wrap mode follows the new text (see
/// kLongLine) and never changes while a long line is in the editor.
void SetText(QPlainTextEdit& editor, const QString& text);
/// Empties the editor; what is typed next wraps at word boundaries again.
void Clear(QPlainTextEdit& editor);
/// The editor's logical lines joined by "\n", every character as it was put in.
QString Text(const QPlainTextEdit& editor);
/// The editor's logical lines, whole: wrapping on screen never splits them.
QStringList Lines(const QPlainTextEdit& editor);

} // namespace EditorDocument
