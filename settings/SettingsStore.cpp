#include "settings/SettingsStore.h"

#include "settings/SettingsSchema.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBusyTimeoutMs = 5000;

// The fold columns carry the matching; section and key keep the spelling of their first write.
const char* const kSchemaSql = "CREATE TABLE IF NOT EXISTS entries ("
                               " section TEXT NOT NULL, key TEXT NOT NULL, value TEXT NOT NULL,"
                               " section_fold TEXT NOT NULL, key_fold TEXT NOT NULL,"
                               " PRIMARY KEY (section_fold, key_fold)) WITHOUT ROWID";

QByteArray fold(const QString& name)
{
    return name.toCaseFolded().toUtf8();
}

/// One use of a cached prepared statement: bound texts live as long as the scope, and the
/// statement is reset (and its bindings cleared) on every way out.
class Statement final
{
public:
    Statement(sqlite3* db, sqlite3_stmt*& cache, const char* sql)
    {
        if (!cache)
            m_rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &cache, nullptr);
        else
            m_rc = SQLITE_OK;
        m_stmt = cache;
    }
    ~Statement()
    {
        if (m_stmt) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_rc == SQLITE_OK && m_stmt; }
    bool bind(int index, const QByteArray& text)
    {
        return ok() && sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_STATIC) ==
                           SQLITE_OK;
    }
    int step() { return ok() ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    sqlite3_stmt* get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

const char* const kSelectValueSql = "SELECT value FROM entries WHERE section_fold = ?1 AND key_fold = ?2";
const char* const kUpsertSql =
    "INSERT INTO entries (section_fold, key_fold, section, key, value) VALUES (?1, ?2,"
    " COALESCE((SELECT section FROM entries WHERE section_fold = ?1 LIMIT 1), ?3), ?4, ?5)"
    " ON CONFLICT (section_fold, key_fold) DO UPDATE SET value = excluded.value"
    " WHERE value IS NOT excluded.value";

bool execAll(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

/// The run's store in memory: an SQLite memory database shared by every store object of the run,
/// kept alive by one connection of its own between the handlers that open and close theirs.
class MemoryStore final
{
public:
    ~MemoryStore() { sqlite3_close_v2(m_keeper); }

    void start(const QString& forPath)
    {
        static int runs = 0;
        stop();
        m_uri = "file:vemra-settings-" + QByteArray::number(++runs) + "?mode=memory&cache=shared";
        if (sqlite3_open_v2(m_uri.constData(), &m_keeper,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI,
                            nullptr) != SQLITE_OK) {
            stop();
            return;
        }
        m_forPath = forPath;
    }
    void stop()
    {
        sqlite3_close_v2(m_keeper);
        m_keeper = nullptr;
        m_forPath.clear();
    }
    bool serves(const QString& path) const { return m_keeper && path == m_forPath; }
    const QByteArray& uri() const { return m_uri; }

private:
    sqlite3* m_keeper = nullptr;
    QString m_forPath;
    QByteArray m_uri;
};

MemoryStore& memoryStore()
{
    static MemoryStore store;
    return store;
}

constexpr int kEntryColumns = 5;
using Entry = std::array<QByteArray, kEntryColumns>;

std::vector<Entry> SelectEntries(sqlite3* db)
{
    std::vector<Entry> entries;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT section, key, value, section_fold, key_fold FROM entries", -1,
                                &st, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
        Entry entry;
        for (int c = 0; c < kEntryColumns; ++c) {
            const char* bytes = reinterpret_cast<const char*>(sqlite3_column_blob(st, c));
            entry[c] = QByteArray(bytes ? bytes : "", sqlite3_column_bytes(st, c));
        }
        entries.push_back(std::move(entry));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        entries.clear();
    return entries;
}

/// Every entry the file still gives: through the open connection, else straight from the file
/// without its journal (a full disk leaves no room for the files a normal read needs).
std::vector<Entry> ReadableEntries(sqlite3* db, const QString& path)
{
    if (db) {
        std::vector<Entry> entries = SelectEntries(db);
        if (!entries.empty())
            return entries;
    }
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + "?immutable=1";
    sqlite3* file = nullptr;
    std::vector<Entry> entries;
    if (sqlite3_open_v2(uri.constData(), &file, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK)
        entries = SelectEntries(file);
    sqlite3_close_v2(file);
    return entries;
}

void InsertEntries(sqlite3* db, const std::vector<Entry>& entries)
{
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "INSERT OR IGNORE INTO entries (section, key, value, section_fold, key_fold)"
                           " VALUES (?1, ?2, ?3, ?4, ?5)",
                           -1, &st, nullptr) == SQLITE_OK) {
        for (const Entry& entry : entries) {
            for (int c = 0; c < kEntryColumns; ++c)
                sqlite3_bind_text(st, c + 1, entry[c].constData(), int(entry[c].size()), SQLITE_STATIC);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

/// The engine's words for its last failure, with the system's where it gives them.
QString EngineReason(sqlite3* db)
{
    if (!db)
        return {};
    QString reason = QString::fromUtf8(sqlite3_errmsg(db));
    if (const int system = sqlite3_system_errno(db))
        reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(system)));
    return reason;
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(defaultPath()) {}

SettingsStore::SettingsStore(const QString& filePath) : m_filePath(filePath)
{
    if (memoryStore().serves(filePath))
        openMemory(memoryStore().uri());
    else
        open(filePath);
}

SettingsStore::SettingsStore(const QString& filePath, FallbackNotice notice)
    : m_filePath(filePath), m_notice(std::move(notice))
{
    if (memoryStore().serves(filePath)) {
        openMemory(memoryStore().uri());
        return;
    }
    try {
        open(filePath);
    } catch (const SettingsError& failure) {
        fallBack(failure, false);
    }
}

SettingsStore::~SettingsStore()
{
    closeDatabase();
}

void SettingsStore::closeDatabase() const
{
    for (sqlite3_stmt*& st : m_statements) {
        sqlite3_finalize(st);
        st = nullptr;
    }
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void SettingsStore::fail(const QString& message) const
{
    m_reason = EngineReason(m_db);
    throw SettingsError(message);
}

template <typename Operation> auto SettingsStore::guarded(bool writes, Operation operation) const
{
    try {
        return operation();
    } catch (const SettingsError& failure) {
        // Memory that fails has nothing behind it to fall back on.
        if (!m_notice || m_path != m_filePath)
            throw;
        fallBack(failure, writes);
    }
    return operation();
}

void SettingsStore::fallBack(const SettingsError& failure, bool writes) const
{
    // Another store of the run may have moved it already; the user has been told then.
    const bool first = !memoryStore().serves(m_filePath);
    std::vector<Entry> kept;
    if (first)
        kept = ReadableEntries(m_db, m_filePath);
    closeDatabase();
    if (first)
        memoryStore().start(m_filePath);
    openMemory(memoryStore().uri());
    if (!first)
        return;
    InsertEntries(m_db, kept);
    m_notice(FallbackText(QString::fromUtf8(failure.what()), m_filePath, writes, m_reason));
}

QString SettingsStore::FallbackText(const QString& failure, const QString& path, bool written,
                                    const QString& reason)
{
    return QStringLiteral("%1\r\rThe settings file %2 cannot be %3: %4.\r\r"
                          "The program goes on with the settings it could read and its defaults; what you "
                          "change from now on, window places included, is kept only until it ends.")
        .arg(failure, path, written ? QStringLiteral("written") : QStringLiteral("read"),
             reason.isEmpty() ? QStringLiteral("the reason is unknown") : reason);
}

QString SettingsStore::rootFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/VEMRA/");
}

QString SettingsStore::defaultPath()
{
    return rootFolder() + QStringLiteral("settings.sqlite3");
}

void SettingsStore::useMemoryForRun(const QString& filePath)
{
    memoryStore().start(filePath);
}

void SettingsStore::useFile()
{
    memoryStore().stop();
}

bool SettingsStore::usesMemory()
{
    return memoryStore().serves(defaultPath());
}

void SettingsStore::openMemory(const QByteArray& uri) const
{
    m_path = QString::fromUtf8(uri);
    if (sqlite3_open_v2(uri.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        throw SettingsError(QStringLiteral("Failed to create key %1").arg(QStringLiteral("VEMRA")));
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    prepareSchema();
}

void SettingsStore::open(const QString& filePath)
{
    m_path = filePath;
    const QString rootError = QStringLiteral("Failed to create key %1").arg(QStringLiteral("VEMRA"));
    const QString folder = QFileInfo(filePath).absolutePath();
    const QByteArray folderBytes = QFile::encodeName(folder);
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder)) {
            m_reason = QStringLiteral("its folder %1 cannot be made").arg(folder);
            throw SettingsError(rootError);
        }
        ::chmod(folderBytes.constData(), 0700);
    }
    // Create the file ourselves so that it is private whatever the umask; an existing file,
    // database or not, is opened as it is and never replaced.
    const QByteArray pathBytes = QFile::encodeName(filePath);
    const int fd = ::open(pathBytes.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    } else if (errno != EEXIST) {
        m_reason = QString::fromLocal8Bit(std::strerror(errno));
        throw SettingsError(rootError);
    }
    if (sqlite3_open_v2(pathBytes.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        fail(rootError);
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // Set-up failures (a locked or foreign file) surface in the first operation with its own text.
    execAll(m_db, "PRAGMA journal_mode=WAL");
    execAll(m_db, "PRAGMA synchronous=NORMAL");
    prepareSchema();
}

void SettingsStore::prepareSchema() const
{
    execAll(m_db, kSchemaSql);
}

std::optional<QByteArray> SettingsStore::storedBytes(const QByteArray& sectionFold, const QByteArray& keyFold,
                                                     const QString& key) const
{
    Statement st(m_db, m_statements[kSelectValue], kSelectValueSql);
    if (!st.bind(1, sectionFold) || !st.bind(2, keyFold))
        fail(QStringLiteral("Failed to get data for '%1'").arg(key));
    const int rc = st.step();
    if (rc == SQLITE_DONE)
        return std::nullopt;
    if (rc != SQLITE_ROW)
        fail(QStringLiteral("Failed to get data for '%1'").arg(key));
    const char* bytes = reinterpret_cast<const char*>(sqlite3_column_blob(st.get(), 0));
    return QByteArray(bytes ? bytes : "", sqlite3_column_bytes(st.get(), 0));
}

QString SettingsStore::ReadText(const QString& section, const QString& key, const QString& defaultValue) const
{
    return guarded(false, [&] { return readTextFrom(section, key, defaultValue); });
}

QString SettingsStore::readTextFrom(const QString& section, const QString& key,
                                    const QString& defaultValue) const
{
    const std::optional<QByteArray> stored = storedBytes(fold(section), fold(key), key);
    if (!stored)
        return defaultValue;
    // Stored texts may hold NUL; readers get the text up to the first one.
    const qsizetype nul = stored->indexOf('\0');
    return QString::fromUtf8(nul < 0 ? *stored : stored->left(nul));
}

void SettingsStore::WriteText(const QString& section, const QString& key, const QString& value)
{
    guarded(true, [&] { writeTextTo(section, key, value); });
}

void SettingsStore::writeTextTo(const QString& section, const QString& key, const QString& value)
{
    const QByteArray sFold = fold(section);
    const QByteArray kFold = fold(key);
    const QByteArray v = value.toUtf8();
    // The grid stores widths on every paint: an unchanged value costs one read and no write lock.
    try {
        if (storedBytes(sFold, kFold, key) == v)
            return;
    } catch (const SettingsError&) {
        // The write below reports the failure in its own words.
    }
    const QByteArray s = section.toUtf8();
    const QByteArray k = key.toUtf8();
    {
        Statement st(m_db, m_statements[kUpsert], kUpsertSql);
        if (st.bind(1, sFold) && st.bind(2, kFold) && st.bind(3, s) && st.bind(4, k) && st.bind(5, v) &&
            st.step() == SQLITE_DONE) {
            return;
        }
        m_reason = EngineReason(m_db);
    }
    Statement probe(m_db, m_statements[kProbeSection],
                    "SELECT 1 FROM entries WHERE section_fold = ?1 LIMIT 1");
    const bool sectionExists = probe.bind(1, sFold) && probe.step() == SQLITE_ROW;
    if (!sectionExists)
        throw SettingsError(QStringLiteral("Failed to create key %1").arg(section));
    throw SettingsError(QStringLiteral("Failed to set data for '%1'").arg(key));
}

int SettingsStore::ParseNumber(const QString& stored, int defaultValue)
{
    QString text = stored;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text.replace(0, 2, QStringLiteral("$"));
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    if (i == text.size())
        return defaultValue;
    long long value = 0;
    if (text[i] == u'$') {
        ++i;
        if (i == text.size())
            return defaultValue;
        for (; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            int digit;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            else
                return defaultValue;
            value = value * 16 + digit;
            if (value > 0xFFFFFFFFLL)
                return defaultValue;
        }
        // Hexadecimal texts name the 32-bit pattern: $FFFFFFFF is -1.
        return static_cast<int>(static_cast<quint32>(value));
    }
    bool negative = false;
    if (text[i] == u'+' || text[i] == u'-') {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return defaultValue;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return defaultValue;
        value = value * 10 + (c - u'0');
        if (value > 2147483648LL)
            return defaultValue;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return defaultValue;
    return static_cast<int>(value);
}

int SettingsStore::ReadNumber(const QString& section, const QString& key, int defaultValue) const
{
    // A null QString marks "missing" apart from a stored empty text (both give the default).
    const QString text = ReadText(section, key, QString());
    if (text.isNull())
        return defaultValue;
    return ParseNumber(text, defaultValue);
}

void SettingsStore::WriteNumber(const QString& section, const QString& key, int value)
{
    WriteText(section, key, QString::number(value));
}

bool SettingsStore::ReadFlag(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadNumber(section, key, defaultValue ? 1 : 0) != 0;
}

void SettingsStore::WriteFlag(const QString& section, const QString& key, bool value)
{
    WriteText(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString SettingsStore::Read(const Schema::TextKey& key) const
{
    return ReadText(key.section, key.name, key.readDefault);
}

int SettingsStore::Read(const Schema::NumberKey& key) const
{
    return ReadNumber(key.section, key.name, key.readDefault);
}

bool SettingsStore::Read(const Schema::FlagKey& key) const
{
    return ReadFlag(key.section, key.name, key.readDefault);
}

QString SettingsStore::ReadOr(const Schema::TextKey& key, const QString& runTimeDefault) const
{
    return ReadText(key.section, key.name, runTimeDefault);
}

void SettingsStore::Write(const Schema::TextKey& key, const QString& value)
{
    WriteText(key.section, key.name, value);
}

void SettingsStore::Write(const Schema::NumberKey& key, int value)
{
    WriteNumber(key.section, key.name, value);
}

void SettingsStore::Write(const Schema::FlagKey& key, bool value)
{
    WriteFlag(key.section, key.name, value);
}

bool SettingsStore::HasSections() const
{
    return guarded(false, [&] { return hasSections(); });
}

bool SettingsStore::hasSections() const
{
    Statement st(m_db, m_statements[kAnySection], "SELECT 1 FROM entries LIMIT 1");
    const int rc = st.step();
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(QStringLiteral("Failed to get data for '%1'").arg(QStringLiteral("VEMRA")));
}

void SettingsStore::SeedDefaults()
{
    for (const Schema::SeedEntry& entry : Schema::FirstRunEntries())
        WriteText(entry.section, entry.key, entry.value);
}
