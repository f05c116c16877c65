#include "query/DataSourceLink.h"

#include "connection/Query.h"

DataSourceLink::DataSourceLink(QObject* parent) : QObject(parent) {}

void DataSourceLink::setDataSet(Query* query)
{
    if (m_dataSet == query)
        return;
    m_dataSet = query;
    Q_EMIT dataSetChanged(query);
}
