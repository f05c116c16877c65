#pragma once

#include "connection/Field.h"

#include <QByteArray>
#include <QStringView>
#include <QVariant>

#include <string_view>

/// How the engine turns values into the text its row store holds, and back into typed values.
namespace FieldValue {

/// The field type and display width (characters) of an SQLite declared column type such as
/// "VARCHAR(30)" or "NUMERIC(10,2)". An empty declaration gives FieldType::Other.
FieldType FromDeclaredType(QStringView declared, int* displayWidth);

/// The display width of a field of this type when its declaration gives no size.
int DefaultWidth(FieldType type);

/// Widths are capped so that one wide column cannot swallow the grid.
constexpr int kMaxDisplayWidth = 100;

/// The typed value of stored text: qlonglong, double, QDate, QDateTime, QTime, bool, QByteArray or
/// QString; text that does not parse as its field's type comes back as QString.
QVariant Typed(FieldType type, std::string_view text);

/// The text the store keeps for a value (ISO dates, shortest round-trip numbers).
QByteArray Text(const QVariant& value);

/// Bytes of a preview before it is cut.
constexpr int kBinaryPreviewBytes = 16;

/// Binary bytes as psql writes bytea: "\x" and two lowercase hex digits per byte ("\x" alone for
/// none), a text that loads back as the same bytes.
QByteArray BinaryText(std::string_view bytes);

/// The start of BinaryText for a grid cell: longer values are cut after kBinaryPreviewBytes
/// bytes, marked with an ellipsis and their size in bytes.
QString BinaryPreview(std::string_view bytes);

} // namespace FieldValue
