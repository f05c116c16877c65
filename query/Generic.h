#pragma once

#include "connection/SqlLexer.h"

#include <QString>
#include <QStringView>

class EngineError;
class QDateTime;

// Statement normalisers, the SELECT test, the elapsed-time text and the engine error text.
// Pure text routines: none of them touches the cursor, the caller (the execution) shows the busy
// cursor around them.

/// Upper-cases the letters a to z only; every other character is left as it is.
QString UpperCaseLetters(QStringView text);

/// The full normaliser: re-spaces the text word by word, sets the "=" operators apart, lets a
/// lone "(" join the next word, and upper-cases the letters outside string literals, quoted
/// identifiers and comments, which stay exactly as typed; a "--" comment keeps its line break.
/// Every word is kept, in time linear in the text. A text starting with a blank yields "".
/// See NormalizeSqlText.
QString NormalizeSQL(QStringView text, SqlDialect dialect = SqlDialect::Standard);

/// The simple normaliser: the same words without the "=" and "(" rules. The input is not
/// trimmed: a leading blank yields "".
QString UpperCaseSQLWords(QStringView text, SqlDialect dialect = SqlDialect::Standard);

/// The row-road test, by the text alone: see ReturnsRows.
bool IsSelectStatement(QStringView text, SqlDialect dialect = SqlDialect::Standard);

/// The elapsed time between two local instants, field by field with borrows (a month counts as
/// 30 days): the non-zero parts as "N yrs", "N mths", "N days", "N hrs", "N mins", "N secs",
/// "N msecs", separated by blanks; empty when every part is zero.
QString ElapsedTimeText(const QDateTime& start, const QDateTime& end);

/// The messages of an engine error in order, each further one preceded by two carriage returns;
/// an entry's severity (unless a plain error), detail, hint and position go with its message.
QString EngineErrorText(const EngineError& error);
