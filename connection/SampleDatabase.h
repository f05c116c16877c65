#pragma once

#include <QString>

/// The built-in "Sample" database: an SQLite file with the demo tables EMP, DEPT, CUSTOMER and
/// ORDERS.
namespace SampleDatabase {

/// Creates the file with its tables unless it exists. It is built under a temporary name and
/// renamed at the end, so a failed creation never leaves a half-filled file behind. Throws
/// EngineError on failure.
void Ensure(const QString& path);

/// The script that creates and fills the tables.
const char* Script();

} // namespace SampleDatabase
