#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

/// A throwaway PostgreSQL 15 server for the tests of one test program: initdb and pg_ctl in a
/// temporary folder, listening only on a Unix socket in that folder, with password
/// (scram-sha-256) authentication, one test database and one test user. When the program runs as
/// root the server runs as the unprivileged user "nobody".
///
///     PgServer& pg = PgServer::instance();    // started on first use, stopped at exit
///     ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
///     pg.psql("CREATE TABLE t (id int PRIMARY KEY)");
///     pg.writeAlias("PG");                   // an alias of the alias file (Driver QPSQL)
///     pg.writeOdbcDsn("PGDSN");              // a DSN in $ODBCINI (psqlodbc)
///     connection.setName("PG"); connection.addParam("USER NAME=" + pg.user()); ...
class PgServer final
{
public:
    /// The server of this program; the first call starts it (a few seconds).
    static PgServer& instance();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    bool running() const { return m_running; }
    /// Why the server did not start (tool output), empty when it runs.
    QString failure() const { return m_failure; }

    /// The folder of the server's Unix socket: the "host" for libpq, QPSQL and psqlodbc.
    QString socketDir() const { return m_base.path(); }
    int port() const { return m_port; }
    QString database() const { return QStringLiteral("vemra_test"); }
    QString user() const { return QStringLiteral("vemra_user"); }
    QString password() const { return QStringLiteral("vemra pw 1"); }
    /// The superuser, for set-up that the test user may not do.
    QString adminUser() const { return QStringLiteral("vemra_admin"); }
    QString adminPassword() const { return QStringLiteral("admin pw 2"); }

    /// Runs SQL with psql in the test database, as the test user (or the superuser); returns the
    /// unaligned output. Throws std::runtime_error with psql's message when it fails.
    QString psql(const QString& sql, bool asAdmin = false) const;

    /// Writes an alias block (Driver QPSQL) for the test database into the alias file, by default
    /// the one the engine reads now (DataSources::AliasFilePath()).
    void writeAlias(const QString& aliasName, const QString& aliasFile = QString()) const;
    /// Writes a DSN for the test database through psqlodbc into an odbc.ini, by default $ODBCINI.
    void writeOdbcDsn(const QString& dsnName, const QString& odbcIni = QString()) const;

    /// Stops the server now (also done at exit), as a crash would: no session is told.
    void stop();
    /// Starts a stopped server again on the same data and socket; false (see failure()) if it
    /// does not come up.
    bool startAgain();

private:
    PgServer();
    bool start();
    bool runServer();
    QString runPsql(const QString& db, const QString& sql, bool asAdmin) const;
    bool runTool(const QString& program, const QStringList& arguments, bool asServerUser,
                 QString* output) const;

    QTemporaryDir m_base;
    int m_port = 0;
    bool m_running = false;
    bool m_asNobody = false;
    QString m_failure;
};
