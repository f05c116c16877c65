#pragma once

#include <QObject>
#include <QPointer>

class Query;

/// The link between a dataset and the controls that show it (DSC_Grid): it points at one query
/// or at nothing. Pointing it at nothing detaches the grid, so statements without rows can run on
/// the same query without a grid following them.
class DataSourceLink final : public QObject
{
    Q_OBJECT
public:
    explicit DataSourceLink(QObject* parent = nullptr);

    Query* dataSet() const { return m_dataSet; }
    void setDataSet(Query* query);

Q_SIGNALS:
    void dataSetChanged(Query* query);

private:
    QPointer<Query> m_dataSet;
};
