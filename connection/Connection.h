#pragma once

#include "connection/EngineProgress.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class Query;
class DatabaseDriver;
enum class SqlDialect;

/// The program's one database connection (DBS_QueryTool). It never prompts for a login itself.
///
/// Connect resolves the name: "Sample" (built-in SQLite file, created with its demo tables on
/// first connect), an alias of the alias file (PostgreSQL aliases through libpq), or an ODBC DSN;
/// "USER NAME=" and "PASSWORD=" parameters become the driver's user name and password.
class Connection final : public QObject
{
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    /// The data source name; settable only while disconnected (throws WrapperError otherwise).
    QString name() const { return m_name; }
    void setName(const QString& name);

    /// Lines "name=value".
    QStringList params() const { return m_params; }
    void clearParams() { m_params.clear(); }
    void addParam(const QString& line) { m_params.append(line); }

    /// Throws EngineError on any failure (unknown name, wrong password, unreachable server, the
    /// time allowed for connecting gone, a cancel).
    void connect();
    /// Closes every query on this connection first; harmless when not connected. No statement
    /// connects again by itself after this.
    void disconnect();
    bool isConnected() const;

    /// The open driver; throws EngineError "Not connected to a database" when none is open.
    DatabaseDriver& driver() const;
    /// The open engine's reading of SQL text; the standard one while none is open.
    SqlDialect sqlDialect() const;

    /// Where connecting and every later engine call report their progress (none when empty).
    void setProgressCallback(ProgressCallback callback);
    ProgressCallback progressCallback() const { return m_progress; }
    /// Stops the engine call or the connecting that runs now; safe from the progress callback and
    /// from any thread, harmless when nothing runs.
    void cancel();

    /// For a cancel the engine did not answer: gives up the call running now, which then returns
    /// at once. From the progress callback; endCall() closes the connection afterwards.
    void closeUnanswered();
    /// After a watched call has returned: a connection given up during it is closed, off the
    /// user-interface thread, and the next reconnectIfClosed() opens it again.
    void endCall();
    /// Before a watched call: when the program itself closed the connection, connects again with
    /// the same name and login. Throws as connect() does; the next call then tries again.
    void reconnectIfClosed();
    /// Whether the session holds an open transaction (never while disconnected).
    bool inTransaction() const;
    /// Commits or rolls back the open transaction, then says what holds now.
    void endTransaction(bool commit);
    /// To be called after any statement ran, failed or not: announces the transaction state.
    void noteStatementsRan();

Q_SIGNALS:
    /// After statements ran, a transaction ended or the session closed: whether one is open now.
    void transactionStateChanged(bool open);
    /// Emitted before the driver goes away, so queries can close themselves.
    void aboutToDisconnect();

private:
    QString m_name = QStringLiteral("Login");
    QStringList m_params;
    void openDriver(const ConnectWatch& watch);

    std::unique_ptr<DatabaseDriver> m_driver;
    ProgressCallback m_progress;
    std::atomic<bool> m_connectCancelled{false};
    bool m_abandoned = false;
    bool m_reconnectDue = false;
};
