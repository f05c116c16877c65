#include "query/SqlHistoryModel.h"

namespace {

QStringList Words(const QString& filter)
{
    return filter.toCaseFolded().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString OneLine(const QString& statement)
{
    // A long statement would make every row as wide as its longest line; the tooltip has it all.
    constexpr qsizetype kShownChars = 300;
    QString line = statement.left(kShownChars);
    for (QChar& c : line) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return statement.size() > kShownChars ? line + QStringLiteral("...") : line;
}

QString DurationText(qint64 ms)
{
    return QStringLiteral("%1.%2 s").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

SqlHistoryModel::SqlHistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void SqlHistoryModel::setEntries(std::vector<HistoryEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_folded.clear();
    m_folded.reserve(m_entries.size());
    for (const HistoryEntry& e : m_entries) {
        m_folded.push_back(QStringList{e.statement, e.dataSource, e.user, e.outcomeText()}
                               .join(QLatin1Char('\n'))
                               .toCaseFolded());
    }
    const QStringList words = Words(m_filter);
    m_shown.clear();
    for (qsizetype i = 0; i < qsizetype(m_entries.size()); ++i) {
        if (matches(i, words))
            m_shown.push_back(i);
    }
    endResetModel();
}

void SqlHistoryModel::setFilter(const QString& text)
{
    if (text == m_filter)
        return;
    // Typing on: every row the longer text keeps was kept by the shorter one.
    const bool narrows = text.startsWith(m_filter);
    m_filter = text;
    const QStringList words = Words(text);
    beginResetModel();
    std::vector<qsizetype> shown;
    if (narrows) {
        for (qsizetype i : m_shown) {
            if (matches(i, words))
                shown.push_back(i);
        }
    } else {
        for (qsizetype i = 0; i < qsizetype(m_entries.size()); ++i) {
            if (matches(i, words))
                shown.push_back(i);
        }
    }
    m_shown = std::move(shown);
    endResetModel();
}

bool SqlHistoryModel::matches(qsizetype entry, const QStringList& words) const
{
    const QString& text = m_folded[entry];
    for (const QString& word : words) {
        if (!text.contains(word))
            return false;
    }
    return true;
}

int SqlHistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int SqlHistoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant SqlHistoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const HistoryEntry& e = entry(index.row());
    if (role == kStatementRole || (role == Qt::ToolTipRole && index.column() == kStatement))
        return e.statement;
    if (role == Qt::TextAlignmentRole && index.column() == kDuration)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case kStart:
        return e.start.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case kDuration:
        return DurationText(e.durationMs);
    case kDataSource:
        return e.dataSource;
    case kUser:
        return e.user;
    case kResult:
        return e.outcomeText();
    case kStatement:
        return OneLine(e.statement);
    default:
        return {};
    }
}

QVariant SqlHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[kColumnCount] = {"Start", "Duration", "Data Source",
                                                     "User",  "Result",   "Statement"};
    return section >= 0 && section < kColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
