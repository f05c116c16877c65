#include "query/ColumnLayout.h"

#include "query/ColumnOrder.h"
#include "query/FieldSetKey.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "settings/UsableRange.h"

#include <climits>

namespace {

/// Read as the default of a width, so that a missing entry can be told from a stored one.
constexpr int kNoStoredWidth = INT_MIN;

using Schema::QryFields::NameKey;
using Schema::QryFields::WidthKey;

} // namespace

ColumnLayout::ColumnLayout(const Settings& settings) : m_settings(settings) {}

QList<ColumnLayout::Column> ColumnLayout::columns(const QStringList& fieldNames) const
{
    QList<Column> columns = storedColumns(fieldNames);
    for (Column& column : columns) {
        if (column.width)
            column.width = UsableRange::ColumnWidth(*column.width);
    }
    return columns;
}

QList<ColumnLayout::Column> ColumnLayout::storedColumns(const QStringList& fieldNames) const
{
    const QString& section = Schema::Section::QryFields;
    const SettingsStore store = m_settings.open();
    QList<Column> columns;
    columns.reserve(fieldNames.size());
    for (const QString& name : fieldNames) {
        const int width = store.ReadNumber(section, WidthKey(name), kNoStoredWidth);
        columns.append({store.ReadText(section, NameKey(name), name),
                        width == kNoStoredWidth ? std::nullopt : std::optional<int>(width)});
    }
    return columns;
}

void ColumnLayout::startResult(int columnCount)
{
    m_knownWidths = QList<int>(columnCount, -1);
}

QList<ColumnLayout::Column> ColumnLayout::restore(const QStringList& fieldNames)
{
    QList<Column> read = storedColumns(fieldNames);
    m_knownWidths.resize(fieldNames.size(), -1);
    for (qsizetype c = 0; c < read.size(); ++c) {
        if (const auto refused = m_refusedWidths.constFind(fieldNames[c]); refused != m_refusedWidths.cend())
            read[c].width = *refused;
        // The width as stored: a hand-edited one outside the usable range is shown inside it, and
        // the grid's painting then stores what it shows.
        m_knownWidths[c] = read[c].width.value_or(-1);
        if (read[c].width)
            read[c].width = UsableRange::ColumnWidth(*read[c].width);
    }
    return read;
}

void ColumnLayout::moveColumn(int from, int to)
{
    if (from >= 0 && to >= 0 && from < m_knownWidths.size() && to < m_knownWidths.size())
        m_knownWidths.move(from, to);
}

void ColumnLayout::noteDrawnWidth(int column, const QString& fieldName, int width)
{
    if (column < 0 || column >= m_knownWidths.size() || width == m_knownWidths[column])
        return;
    m_knownWidths[column] = width;
    try {
        m_settings.open().WriteNumber(Schema::Section::QryFields, WidthKey(fieldName), width);
        m_refusedWidths.remove(fieldName);
    } catch (const SettingsError&) {
        m_refusedWidths.insert(fieldName, width);
    }
}

void ColumnLayout::writeRefusedWidths()
{
    if (m_refusedWidths.isEmpty())
        return;
    SettingsStore store = m_settings.open();
    for (auto refused = m_refusedWidths.begin(); refused != m_refusedWidths.end();) {
        store.WriteNumber(Schema::Section::QryFields, WidthKey(refused.key()), refused.value());
        refused = m_refusedWidths.erase(refused);
    }
}

void ColumnLayout::store(const QList<Edit>& edits)
{
    const QString& section = Schema::Section::QryFields;
    SettingsStore store = m_settings.open();
    for (const Edit& edit : edits) {
        store.WriteText(section, NameKey(edit.fieldName), edit.title);
        if (!edit.width)
            continue;
        store.WriteNumber(section, WidthKey(edit.fieldName), *edit.width);
        m_refusedWidths.remove(edit.fieldName);
        if (edit.column >= 0 && edit.column < m_knownWidths.size())
            m_knownWidths[edit.column] = *edit.width;
    }
}

QStringList ColumnLayout::storedOrder(const QStringList& fieldNames) const
{
    const FieldSetKey key(fieldNames);
    if (fieldNames.isEmpty() || !key.isUsable())
        return {};
    return ColumnOrder::names(
        m_settings.open().ReadText(Schema::Section::QrySortOrder, key.text(), QString()));
}

void ColumnLayout::storeOrder(const QStringList& fieldNamesInOrder)
{
    const FieldSetKey key(fieldNamesInOrder);
    const QString value = ColumnOrder::value(fieldNamesInOrder);
    if (fieldNamesInOrder.isEmpty() || !key.isUsable() || value.size() > ColumnOrder::kMaxLength)
        return;
    m_settings.open().WriteText(Schema::Section::QrySortOrder, key.text(), value);
}
