#pragma once

#include "query/SqlHistory.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

/// The history's entries as a table, newest first, narrowed by a filter text.
///
/// An entry matches when every blank-separated word of the filter occurs in its statement, data
/// source, user or result, without regard to case. Each entry's text is folded once when the
/// entries are set, and a filter that only adds to the last one searches only the rows it kept,
/// so that typing stays quick over the whole kept history.
class SqlHistoryModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        kStart,
        kDuration,
        kDataSource,
        kUser,
        kResult,
        kStatement,
        kColumnCount
    };
    /// The whole statement of a row, line breaks kept (the display shows it on one line).
    static constexpr int kStatementRole = Qt::UserRole;

    explicit SqlHistoryModel(QObject* parent = nullptr);

    void setEntries(std::vector<HistoryEntry> entries);
    void setFilter(const QString& text);
    const QString& filter() const { return m_filter; }

    /// The entry a row shows.
    const HistoryEntry& entry(int row) const { return m_entries[m_shown[row]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool matches(qsizetype entry, const QStringList& words) const;

    std::vector<HistoryEntry> m_entries;
    std::vector<QString> m_folded;
    std::vector<qsizetype> m_shown;
    QString m_filter;
};
