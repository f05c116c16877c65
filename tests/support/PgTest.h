#pragma once

#include "connection/Connection.h"
#include "connection/Query.h"
#include "support/PgServer.h"
#include "support/TestHome.h"

/// A connection and a query for tests on the PostgreSQL test server, logged in as its test user
/// through any data source name that leads there (an alias, a DSN).
class PgTest : public IsolatedTest
{
protected:
    void login(const QString& name, const QString& user, const QString& password);
    void login(const QString& name) { login(name, pg.user(), pg.password()); }
    /// Opens a row-returning statement on the query.
    void run(const QString& sql);

    PgServer& pg = PgServer::instance();
    Connection connection;
    Query query{connection};
};
