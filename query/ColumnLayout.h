#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Settings;

/// The user's column layout of results: a title and a width per field name, which every result
/// with a field of that name shows, and a column order per set of field names. The one reader and
/// writer of the store's sections "QRYFIELDS" and "QRY_SORT_ORDER": the result window, the grid
/// functions dialog, the re-sort and the result report all go through it.
///
/// For the result on screen it also knows, per column, the width last known to be in the store,
/// so that the grid's painting writes a width only when it changed; and the widths the store
/// refused while the grid was painted, which count as the user's widths until they are written.
class ColumnLayout final
{
public:
    /// A field's stored title (the field name when none is stored) and width (none stored: nullopt).
    struct Column
    {
        QString title;
        std::optional<int> width;
    };
    /// A title and, unless nullopt, a width to store for the field shown in a column.
    struct Edit
    {
        int column = 0;
        QString fieldName;
        QString title;
        std::optional<int> width;
    };

    explicit ColumnLayout(const Settings& settings);

    /// The stored titles and widths of these names, read in one operation; a width outside the
    /// usable range (a hand-edited store) reads as the nearest usable one.
    QList<Column> columns(const QStringList& fieldNames) const;

    /// A new result on screen with this many columns: none of their widths is known to be stored.
    void startResult(int columnCount);
    /// columns() for the result on screen, a refused width counting as stored. Afterwards the
    /// widths read are the ones known to be stored.
    QList<Column> restore(const QStringList& fieldNames);
    /// The column at from moved to to; the others keep their relative order.
    void moveColumn(int from, int to);
    /// A column drawn at this width: stores it when it differs from the width known to be stored.
    /// Painting cannot wait for a box, nor try again at every paint (a locked store makes each try
    /// wait for its timeout): a refused width is kept for writeRefusedWidths().
    void noteDrawnWidth(int column, const QString& fieldName, int width);
    /// Writes the widths refused while painting; throws SettingsError when the store refuses again.
    void writeRefusedWidths();
    /// Stores each edit's title and then its width, in order, in one operation.
    void store(const QList<Edit>& edits);

    /// The names of the stored order of this set of names, left to right; empty when none is
    /// stored or the set's key is too long to be kept.
    QStringList storedOrder(const QStringList& fieldNames) const;
    /// Stores the names in their current order under their set's key; nothing when the key or
    /// the order is too long to be kept.
    void storeOrder(const QStringList& fieldNamesInOrder);

private:
    /// columns() with the widths as they are stored.
    QList<Column> storedColumns(const QStringList& fieldNames) const;

    const Settings& m_settings;
    /// Per column of the result on screen: the width known to be stored, -1 when unknown.
    QList<int> m_knownWidths;
    /// By field name: widths the store refused while painting.
    QHash<QString, int> m_refusedWidths;
};
