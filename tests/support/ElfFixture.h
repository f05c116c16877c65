#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

/// A minimal ELF file holding the named sections (and a section name table), for tests of what
/// reads sections from program files. Both classes and byte orders can be made.
QByteArray MakeElfFile(const QList<QPair<QByteArray, QByteArray>>& sections, bool is64 = true,
                       bool bigEndian = false);

/// Writes bytes to path; fails the calling test when it cannot.
void WriteFixtureFile(const QString& path, const QByteArray& bytes);
