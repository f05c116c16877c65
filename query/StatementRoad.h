#pragma once

#include "connection/SqlLexer.h"

#include <QStringView>

/// Whether a statement returns rows, read from its text: the first word (after blanks, comments
/// and opening parentheses) holds SELECT, or is VALUES, TABLE, EXPLAIN, SHOW, DESCRIBE, DESC or
/// FETCH, or PRAGMA without a top-level "="; a WITH [RECURSIVE] whose main statement is SELECT,
/// VALUES or TABLE; an INSERT, UPDATE, DELETE or REPLACE (also after WITH) with a top-level
/// RETURNING clause. An engine that can tell before running a statement is asked first; this is
/// the answer for the others.
bool ReturnsRows(QStringView sql, SqlDialect dialect = SqlDialect::Standard);
