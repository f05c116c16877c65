#include "connection/KeyedStatements.h"

#include "connection/FieldValue.h"

#include <QStringList>

KeyedStatements::KeyedStatements(LiveTarget target, QList<FieldType> types,
                                 std::function<QString(int)> placeholder, bool realsAsText)
    : m_target(std::move(target)), m_types(std::move(types)), m_placeholder(std::move(placeholder)),
      m_realsAsText(realsAsText)
{
}

QVariant KeyedStatements::bound(int column, const Cell& cell) const
{
    if (!cell)
        return QVariant();
    const FieldType type = column < m_types.size() ? m_types[column] : FieldType::Text;
    const std::string_view text(cell->constData(), std::size_t(cell->size()));
    switch (type) {
    case FieldType::Real:
        if (m_realsAsText)
            break;
        return FieldValue::Typed(type, text);
    case FieldType::Integer:
    case FieldType::Boolean:
    case FieldType::Blob:
        return FieldValue::Typed(type, text);
    default:
        break;
    }
    // Texts, dates and the like travel as text: every engine converts from it on its own terms.
    return QString::fromUtf8(*cell);
}

QString KeyedStatements::whereClause(const QList<Cell>& original, QVariantList& values) const
{
    QStringList conditions;
    for (int key : m_target.keyColumns) {
        const Cell& cell = key < original.size() ? original[key] : Cell();
        if (!cell) {
            conditions.append(m_target.columnSql[key] + QStringLiteral(" IS NULL"));
        } else {
            conditions.append(m_target.columnSql[key] + QStringLiteral(" = ") +
                              m_placeholder(int(values.size())));
            values.append(bound(key, cell));
        }
    }
    return QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

QString KeyedStatements::returningClause(bool returning) const
{
    return returning ? QStringLiteral(" RETURNING ") + m_target.columnSql.join(QStringLiteral(", "))
                     : QString();
}

KeyedStatement KeyedStatements::update(const QList<Cell>& original, const QList<Cell>& edited,
                                       const QList<bool>& changed, bool returning) const
{
    KeyedStatement st;
    QStringList assignments;
    for (int c = 0; c < m_target.columnSql.size(); ++c) {
        if (c < changed.size() && changed[c]) {
            assignments.append(m_target.columnSql[c] + QStringLiteral(" = ") +
                               m_placeholder(int(st.values.size())));
            st.values.append(bound(c, edited.value(c)));
        }
    }
    st.sql = QStringLiteral("UPDATE ") + m_target.tableSql + QStringLiteral(" SET ") +
             assignments.join(QStringLiteral(", "));
    st.sql += whereClause(original, st.values) + returningClause(returning);
    return st;
}

KeyedStatement KeyedStatements::insert(const QList<Cell>& edited, const QList<bool>& changed,
                                       bool returning) const
{
    KeyedStatement st;
    QStringList columns;
    QStringList placeholders;
    for (int c = 0; c < m_target.columnSql.size(); ++c) {
        if (c < changed.size() && changed[c]) {
            columns.append(m_target.columnSql[c]);
            placeholders.append(m_placeholder(int(st.values.size())));
            st.values.append(bound(c, edited.value(c)));
        }
    }
    st.sql = QStringLiteral("INSERT INTO ") + m_target.tableSql;
    if (columns.isEmpty())
        st.sql += QStringLiteral(" DEFAULT VALUES");
    else
        st.sql += QStringLiteral(" (") + columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                  placeholders.join(QStringLiteral(", ")) + QLatin1Char(')');
    st.sql += returningClause(returning);
    return st;
}

KeyedStatement KeyedStatements::remove(const QList<Cell>& original) const
{
    KeyedStatement st;
    st.sql = QStringLiteral("DELETE FROM ") + m_target.tableSql;
    st.sql += whereClause(original, st.values);
    return st;
}

KeyedStatement KeyedStatements::selectByKey(const QList<Cell>& row) const
{
    KeyedStatement st;
    st.sql = QStringLiteral("SELECT ") + m_target.columnSql.join(QStringLiteral(", ")) +
             QStringLiteral(" FROM ") + m_target.tableSql;
    st.sql += whereClause(row, st.values);
    return st;
}
