#pragma once

#include "connection/SqlLexer.h"

#include <QStringView>

/// Where one statement stands in a text of several: [begin, end), from its first to its last
/// character that is neither blank nor comment, its closing ";" not included. Empty (begin ==
/// end) when the text holds no statement at all.
struct StatementBounds
{
    qsizetype begin = 0;
    qsizetype end = 0;

    bool isEmpty() const { return begin == end; }
};

/// The statement under the cursor (a position in text). Statements are parted by a ";" or a blank
/// line that stands outside parentheses, literals, quoted names, comments and dollar bodies.
/// A cursor inside a statement, or just behind it (before or after its ";"), takes that one, and
/// so does a cursor on a comment line above it; a cursor among blanks between statements takes
/// the one before it, else the first after it.
StatementBounds StatementAt(QStringView text, qsizetype cursor, SqlDialect dialect = SqlDialect::Standard);
