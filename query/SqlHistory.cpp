#include "query/SqlHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;

const char* const kSchemaSql = "CREATE TABLE IF NOT EXISTS history ("
                               " id INTEGER PRIMARY KEY, started TEXT NOT NULL, duration_ms INTEGER NOT NULL,"
                               " data_source TEXT NOT NULL, user_name TEXT NOT NULL, outcome TEXT NOT NULL,"
                               " count INTEGER, error TEXT, statement TEXT NOT NULL)";
const char* const kInsertSql =
    "INSERT INTO history (started, duration_ms, data_source, user_name, outcome, count,"
    " error, statement) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
// Ids only grow, so the newest are the highest whichever copy wrote them.
const char* const kTrimSql =
    "DELETE FROM history WHERE id <= (SELECT id FROM history ORDER BY id DESC LIMIT 1 OFFSET ?1)";
const char* const kSelectSql = "SELECT started, duration_ms, data_source, user_name, outcome, count, error,"
                               " statement FROM history ORDER BY id DESC";

const char* KindName(HistoryEntry::Kind kind)
{
    switch (kind) {
    case HistoryEntry::Kind::Rows:
        return "rows";
    case HistoryEntry::Kind::Affected:
        return "affected";
    case HistoryEntry::Kind::Error:
        return "error";
    }
    return "error";
}

HistoryEntry::Kind KindOf(const QByteArray& name)
{
    if (name == "rows")
        return HistoryEntry::Kind::Rows;
    if (name == "affected")
        return HistoryEntry::Kind::Affected;
    return HistoryEntry::Kind::Error;
}

QString Column(sqlite3_stmt* st, int column)
{
    const char* bytes = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return QString::fromUtf8(bytes ? bytes : "", sqlite3_column_bytes(st, column));
}

/// One connection to the file for one operation.
class HistoryFile final
{
public:
    explicit HistoryFile(const QString& path) : m_path(path)
    {
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
            throw HistoryError(text(QStringLiteral("its folder cannot be made")));
        // Made here so that it is private whatever the umask; an existing file is used as it is.
        const QByteArray pathBytes = QFile::encodeName(path);
        const int fd = ::open(pathBytes.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            // The statements are the user's alone, and so is the folder that holds them, whoever made it.
            ::chmod(QFile::encodeName(folder).constData(), 0700);
            ::close(fd);
        } else if (errno != EEXIST) {
            throw HistoryError(text(QString::fromLocal8Bit(std::strerror(errno))));
        }
        // A constructor that throws runs no destructor: the handle is closed here, failed open included.
        try {
            if (sqlite3_open_v2(pathBytes.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                nullptr) != SQLITE_OK)
                fail();
            sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
            exec("PRAGMA journal_mode=WAL");
            exec("PRAGMA synchronous=NORMAL");
            exec(kSchemaSql);
        } catch (...) {
            sqlite3_close_v2(m_db);
            throw;
        }
    }
    ~HistoryFile()
    {
        sqlite3_finalize(m_st);
        if (m_inTransaction)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
    HistoryFile(const HistoryFile&) = delete;
    HistoryFile& operator=(const HistoryFile&) = delete;

    void exec(const char* sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }
    void begin()
    {
        exec("BEGIN IMMEDIATE");
        m_inTransaction = true;
    }
    void commit()
    {
        exec("COMMIT");
        m_inTransaction = false;
    }
    sqlite3_stmt* prepare(const char* sql)
    {
        sqlite3_finalize(m_st);
        m_st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &m_st, nullptr) != SQLITE_OK)
            fail();
        return m_st;
    }
    void bindText(int index, const QString& value)
    {
        const QByteArray bytes = value.toUtf8();
        check(sqlite3_bind_text(m_st, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT));
    }
    void bindNumber(int index, qint64 value) { check(sqlite3_bind_int64(m_st, index, value)); }
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            fail();
    }
    void stepToEnd()
    {
        if (sqlite3_step(m_st) != SQLITE_DONE)
            fail();
    }
    [[noreturn]] void fail() const
    {
        QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        if (const int system = m_db ? sqlite3_system_errno(m_db) : 0)
            reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(system)));
        throw HistoryError(text(reason));
    }

private:
    QString text(const QString& reason) const
    {
        return QStringLiteral("The SQL history file %1 cannot be used: %2.").arg(m_path, reason);
    }

    QString m_path;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_st = nullptr;
    bool m_inTransaction = false;
};

} // namespace

QString HistoryEntry::outcomeText() const
{
    switch (kind) {
    case Kind::Rows:
        return count == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(count);
    case Kind::Affected:
        return count < 0 ? QStringLiteral("done") : QStringLiteral("%1 affected").arg(count);
    case Kind::Error:
        return error;
    }
    return error;
}

SqlHistory::SqlHistory(QString filePath, int kept) : m_filePath(std::move(filePath)), m_kept(kept) {}

QString SqlHistory::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VEMRA/history.sqlite3");
}

QString SqlHistory::FirstLine(const QString& text)
{
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return (end < 0 ? text : text.left(end)).trimmed();
}

void SqlHistory::record(const HistoryEntry& entry) const
{
    HistoryFile file(m_filePath);
    file.begin();
    file.prepare(kInsertSql);
    file.bindText(1, entry.start.toOffsetFromUtc(entry.start.offsetFromUtc()).toString(Qt::ISODateWithMs));
    file.bindNumber(2, entry.durationMs);
    file.bindText(3, entry.dataSource);
    file.bindText(4, entry.user);
    file.bindText(5, QString::fromLatin1(KindName(entry.kind)));
    if (entry.kind != HistoryEntry::Kind::Error)
        file.bindNumber(6, entry.count);
    else
        file.bindText(7, FirstLine(entry.error));
    file.bindText(8, entry.statement);
    file.stepToEnd();
    file.prepare(kTrimSql);
    file.bindNumber(1, m_kept);
    file.stepToEnd();
    file.commit();
}

std::vector<HistoryEntry> SqlHistory::newestFirst() const
{
    std::vector<HistoryEntry> entries;
    if (!QFileInfo::exists(m_filePath))
        return entries;
    HistoryFile file(m_filePath);
    sqlite3_stmt* st = file.prepare(kSelectSql);
    int rc = sqlite3_step(st);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
        HistoryEntry entry;
        entry.start = QDateTime::fromString(Column(st, 0), Qt::ISODateWithMs).toLocalTime();
        entry.durationMs = sqlite3_column_int64(st, 1);
        entry.dataSource = Column(st, 2);
        entry.user = Column(st, 3);
        entry.kind = KindOf(Column(st, 4).toLatin1());
        entry.count = sqlite3_column_int64(st, 5);
        entry.error = Column(st, 6);
        entry.statement = Column(st, 7);
        entries.push_back(std::move(entry));
    }
    if (rc != SQLITE_DONE)
        file.fail();
    return entries;
}
