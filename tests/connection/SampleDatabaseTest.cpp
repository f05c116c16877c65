#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/Query.h"
#include "support/SqliteFile.h"
#include "support/TestHome.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class SampleDatabase : public IsolatedTest
{
protected:
    void connectSample()
    {
        connection.setName(QStringLiteral("Sample"));
        connection.addParam(QStringLiteral("USER NAME=anyone"));
        connection.addParam(QStringLiteral("PASSWORD=anything"));
        connection.connect();
    }
    int count(const QString& table)
    {
        query.setSql({QStringLiteral("SELECT count(*) FROM ") + table});
        query.open();
        return query.value(0, 0).toInt();
    }

    Connection connection;
    Query query{connection};
};

TEST_F(SampleDatabase, IsCreatedOnFirstConnectInTheDataFolder)
{
    const QString path = DataSources::SampleDatabasePath();
    EXPECT_TRUE(path.startsWith(home.dataFolder()));
    EXPECT_FALSE(QFileInfo::exists(path));
    connectSample();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".partial")));

    int total = 0;
    for (const char* table : {"EMP", "DEPT", "CUSTOMER", "ORDERS"}) {
        const int rows = count(QString::fromLatin1(table));
        EXPECT_GT(rows, 0) << table;
        total += rows;
        // Every table has a primary key.
        SqliteFile file(path);
        EXPECT_NE(file.scalar(QStringLiteral("SELECT count(*) FROM pragma_table_info('%1') WHERE pk > 0")
                                  .arg(QString::fromLatin1(table))),
                  QStringLiteral("0"))
            << table;
    }
    EXPECT_GE(total, 200);
    EXPECT_LE(total, 1000);
}

TEST_F(SampleDatabase, HoldsBlanksDatesMoneyAndNulls)
{
    connectSample();
    EXPECT_GT(count(QStringLiteral("EMP WHERE ENAME LIKE '% %'")), 0);
    EXPECT_GT(count(QStringLiteral("CUSTOMER WHERE NAME LIKE '% %'")), 0);
    EXPECT_GT(count(QStringLiteral("EMP WHERE COMM IS NULL")), 0);
    EXPECT_GT(count(QStringLiteral("ORDERS WHERE SHIP_DATE IS NULL")), 0);
    EXPECT_GT(count(QStringLiteral("CUSTOMER WHERE PHONE IS NULL")), 0);
    EXPECT_EQ(count(QStringLiteral(
                  "ORDERS WHERE ORDER_DATE NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'")),
              0);
    // Every order belongs to a customer.
    EXPECT_EQ(count(QStringLiteral(
                  "ORDERS O WHERE NOT EXISTS (SELECT 1 FROM CUSTOMER C WHERE C.CUSTNO = O.CUSTNO)")),
              0);

    query.setSql({QStringLiteral("SELECT EMPNO, ENAME, HIREDATE, SAL FROM EMP ORDER BY EMPNO")});
    query.open();
    EXPECT_EQ(query.field(2).type, FieldType::Date);
    EXPECT_EQ(query.field(3).type, FieldType::Money);
    EXPECT_TRUE(query.value(0, 2).toDate().isValid());
    EXPECT_GT(query.value(0, 3).toDouble(), 0.0);
    EXPECT_TRUE(query.canModify());
}

TEST_F(SampleDatabase, IsNotRebuiltOnLaterConnects)
{
    connectSample();
    query.setSql({QStringLiteral("DELETE FROM ORDERS WHERE ORDERNO < 5010")});
    query.execSQL();
    EXPECT_EQ(query.rowsAffected(), 9);
    const int left = count(QStringLiteral("ORDERS"));
    connection.disconnect();
    connectSample();
    EXPECT_EQ(count(QStringLiteral("ORDERS")), left);
}

} // namespace
