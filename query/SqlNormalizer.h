#pragma once

#include "connection/SqlLexer.h"

#include <QString>
#include <QStringView>

/// The statement normalisers behind NormalizeSQL and UpperCaseSQLWords.
///
/// Both see the text through the SQL lexer: string literals, quoted identifiers and comments are
/// copied exactly as typed, line breaks and blanks inside them included. Outside them, a run of
/// codes 0 to 32 separates words and becomes one blank, or one line break after a "--" comment
/// so that the comment never reaches into the next line; the letters a to z are upper-cased.
/// A text that starts with a blank (an empty first word) gives the empty text.
///
/// The full normaliser also splits a word at each "=" outside literals into the part before the
/// operator, the operator and the rest, which is taken as the next word. The operator is the "="
/// with the operator characters right before it (< > ! : ~ @ # % ^ & | ? + - * /) and any "=" or
/// ">" right after it, so "<=", ">=", "!=", "==", "=>", ":=", "~=", "<=>" and "||=" stay whole. A word that
/// is exactly
/// "(" joins the next word. Each piece is followed by its separator, so the text ends with one.
QString NormalizeSqlText(QStringView text, SqlDialect dialect = SqlDialect::Standard);

/// The simple normaliser: the words as above, without the "=" and "(" rules.
QString UpperCaseSqlWordsText(QStringView text, SqlDialect dialect = SqlDialect::Standard);
