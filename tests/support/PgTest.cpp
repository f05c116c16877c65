#include "support/PgTest.h"

void PgTest::login(const QString& name, const QString& user, const QString& password)
{
    connection.setName(name);
    connection.clearParams();
    connection.addParam(QStringLiteral("USER NAME=") + user);
    connection.addParam(QStringLiteral("PASSWORD=") + password);
    connection.connect();
}

void PgTest::run(const QString& sql)
{
    query.setSql({sql});
    query.open();
}
