#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

/// The version block a program file carries about itself, and its look-up by path.
///
/// The block sits in the ELF section ".vemra_version" of the program file (cmake/VersionBlock.cmake
/// writes it at build time). Layout, every integer little-endian:
///   block:  "VEMRAVIB" | u32 block length (all of it) | u32 format (1) | root node
///   node:   u32 node length (all of it, a multiple of 4) | u16 key length | u16 kind
///           (0 holds nodes, 1 holds text) | u32 value length | key (UTF-8, padded to 4)
///           | value (UTF-8, padded to 4) | child nodes filling the rest
/// The root holds "StringFileInfo", which holds one node per string table named by language and
/// code page (e.g. "040904E4"), which holds the text nodes (Developer, ProductName, ...).
namespace VersionInfo {
inline constexpr char kSectionName[] = ".vemra_version";
inline constexpr char kMagic[] = "VEMRAVIB";
/// U.S. English, Windows Latin-1: the table the about box reads.
inline const QString kEnglishTable = QStringLiteral("040904E4");
} // namespace VersionInfo

/// Size in bytes of the version block of the program file at path; 0 when it has none (not a
/// program file, no block, or a damaged one).
int VersionInfoSize(const QString& path);

/// The version block of the program file at path; empty when VersionInfoSize would be 0.
QByteArray VersionInfoBlock(const QString& path);

/// The text at a path of keys separated by "\" (e.g. "StringFileInfo\040904E4\ProductName"),
/// keys matched without regard to ASCII case. nullopt when a key is missing, the path ends on a
/// node without text, or the block is damaged.
std::optional<QString> VersionInfoValue(const QByteArray& block, const QString& path);

/// One string table of a block: its language and code page name and its key/text pairs.
struct VersionStringTable
{
    QString name;
    QList<QPair<QString, QString>> strings;
};

/// A block in the layout above holding the given string tables.
QByteArray EncodeVersionBlock(const QList<VersionStringTable>& tables);

/// The bytes of the named section of an ELF file (32 or 64 bit, either byte order); nullopt when
/// the file is not ELF, has no such section, or the section holds no bytes in the file.
std::optional<QByteArray> ReadElfSection(const QString& path, const QByteArray& sectionName);
