#include "support/PgServer.h"

#include "connection/AliasFile.h"
#include "connection/DataSources.h"
#include "support/TestDataSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace {

const QString kBinDir = QStringLiteral("/usr/lib/postgresql/15/bin");
constexpr int kToolTimeoutMs = 120000;

QString quoteLiteral(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

/// The psqlodbc Unicode driver library, or the driver's name in odbcinst.ini when not found.
QString psqlOdbcDriver()
{
    for (const QString& dir :
         {QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc"), QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc"),
          QStringLiteral("/usr/lib/odbc"), QStringLiteral("/usr/lib64")}) {
        const QString path = dir + QStringLiteral("/psqlodbcw.so");
        if (QFileInfo::exists(path))
            return path;
    }
    return QStringLiteral("PostgreSQL Unicode");
}

/// Under /tmp when it is usable: every parent must be open to the server's user, and the socket's
/// path must stay short (about 100 bytes at most).
QString baseTemplate()
{
    const QFileInfo tmp(QStringLiteral("/tmp"));
    const QString dir = tmp.isDir() && tmp.isWritable() ? tmp.filePath() : QDir::tempPath();
    return dir + QStringLiteral("/vemra-pg-XXXXXX");
}

} // namespace

PgServer& PgServer::instance()
{
    static PgServer server;
    return server;
}

PgServer::PgServer() : m_base(baseTemplate())
{
    // Ports only name the socket file here, but keep two test programs apart anyway.
    m_port = 20000 + int(::getpid() % 20000);
    m_running = start();
}

PgServer::~PgServer()
{
    stop();
}

bool PgServer::runTool(const QString& program, const QStringList& arguments, bool asServerUser,
                       QString* output) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_base.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("PGPASSWORD"), asServerUser ? adminPassword() : password());
    process.setProcessEnvironment(env);
    if (asServerUser && m_asNobody)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                                             QStringLiteral("--"), program} +
                                                     arguments);
    else
        process.start(program, arguments);
    const bool finished = process.waitForFinished(kToolTimeoutMs);
    const QString text = QString::fromUtf8(process.readAll());
    if (output)
        *output = text;
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PgServer::start()
{
    if (!m_base.isValid()) {
        m_failure = QStringLiteral("Cannot create a temporary folder");
        return false;
    }
    if (!QFileInfo::exists(kBinDir + QStringLiteral("/initdb"))) {
        m_failure = QStringLiteral("PostgreSQL 15 server binaries not found in ") + kBinDir;
        return false;
    }
    const QString base = m_base.path();
    const QString pwFile = base + QStringLiteral("/admin.pw");
    {
        QFile file(pwFile);
        if (!file.open(QIODevice::WriteOnly)) {
            m_failure = QStringLiteral("Cannot write ") + pwFile;
            return false;
        }
        file.write(adminPassword().toUtf8() + '\n');
    }
    // The server refuses to run as root: hand the folder to an unprivileged user.
    m_asNobody = ::geteuid() == 0;
    if (m_asNobody) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            m_failure = QStringLiteral("Running as root, and there is no user 'nobody' to run the server");
            return false;
        }
        for (const QString& path : {base, pwFile}) {
            if (::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                m_failure = QStringLiteral("Cannot hand ") + path + QStringLiteral(" to the user 'nobody'");
                return false;
            }
        }
    }
    ::chmod(QFile::encodeName(base).constData(), 0700);

    QString output;
    const QString data = base + QStringLiteral("/data");
    if (!runTool(kBinDir + QStringLiteral("/initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), adminUser(),
                  QStringLiteral("--pwfile=") + pwFile, QStringLiteral("--auth=scram-sha-256"),
                  QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                  QStringLiteral("--no-sync")},
                 true, &output)) {
        m_failure = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    if (!runServer())
        return false;
    try {
        runPsql(QStringLiteral("postgres"),
                QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2").arg(user(), quoteLiteral(password())),
                true);
        runPsql(QStringLiteral("postgres"),
                QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(database(), user()), true);
        psql(QStringLiteral("SELECT 1"));
    } catch (const std::exception& e) {
        m_failure = QString::fromUtf8(e.what());
        stop();
        return false;
    }
    return true;
}

bool PgServer::runServer()
{
    const QString base = m_base.path();
    const QString options =
        QStringLiteral("-k %1 -c listen_addresses= -p %2 -c fsync=off -c full_page_writes=off")
            .arg(base)
            .arg(m_port);
    QString output;
    if (!runTool(kBinDir + QStringLiteral("/pg_ctl"),
                 {QStringLiteral("-D"), base + QStringLiteral("/data"), QStringLiteral("-l"),
                  base + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("-t"),
                  QStringLiteral("60"), QStringLiteral("-o"), options, QStringLiteral("start")},
                 true, &output)) {
        m_failure = QStringLiteral("pg_ctl start failed: ") + output;
        return false;
    }
    m_running = true;
    return true;
}

bool PgServer::startAgain()
{
    if (m_running)
        return true;
    if (!runServer())
        return false;
    m_failure.clear();
    return true;
}

QString PgServer::psql(const QString& sql, bool asAdmin) const
{
    return runPsql(database(), sql, asAdmin);
}

QString PgServer::runPsql(const QString& db, const QString& sql, bool asAdmin) const
{
    if (!m_running)
        throw std::runtime_error("The PostgreSQL test server is not running: " + m_failure.toStdString());
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), asAdmin ? adminPassword() : password());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("psql"),
                  {QStringLiteral("-h"), socketDir(), QStringLiteral("-p"), QString::number(m_port),
                   QStringLiteral("-U"), asAdmin ? adminUser() : user(), QStringLiteral("-d"), db,
                   QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                   QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-c"), sql});
    const bool finished = process.waitForFinished(kToolTimeoutMs);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(("psql failed: " + err + out).toStdString());
    return out.trimmed();
}

void PgServer::writeAlias(const QString& aliasName, const QString& aliasFile) const
{
    AliasFile::Alias alias;
    alias.name = aliasName;
    alias.driver = QStringLiteral("QPSQL");
    alias.database = database();
    alias.host = socketDir();
    alias.port = m_port;
    WriteTestAlias(alias, aliasFile);
}

void PgServer::writeOdbcDsn(const QString& dsnName, const QString& odbcIni) const
{
    AppendTestOdbcDsn(dsnName, odbcIni,
                      QStringLiteral("Driver = %1\nServername = %2\nPort = %3\nDatabase = %4\n")
                          .arg(psqlOdbcDriver(), socketDir())
                          .arg(m_port)
                          .arg(database()));
}

void PgServer::stop()
{
    if (!m_running)
        return;
    m_running = false;
    runTool(kBinDir + QStringLiteral("/pg_ctl"),
            {QStringLiteral("-D"), m_base.path() + QStringLiteral("/data"), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
            true, nullptr);
}
