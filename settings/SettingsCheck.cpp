#include "settings/SettingsCheck.h"

#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char* const kSideFiles[] = {"-wal", "-shm"};

/// The column names of the store's table; a table without all of them is another program's.
const QStringList kEntryColumns = {QStringLiteral("section"), QStringLiteral("key"), QStringLiteral("value"),
                                   QStringLiteral("section_fold"), QStringLiteral("key_fold")};

QStringList Column0(sqlite3* db, const char* sql, int* rc)
{
    QStringList names;
    sqlite3_stmt* st = nullptr;
    *rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (*rc == SQLITE_OK) {
        while ((*rc = sqlite3_step(st)) == SQLITE_ROW)
            names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
        if (*rc == SQLITE_DONE)
            *rc = SQLITE_OK;
    }
    sqlite3_finalize(st);
    return names;
}

bool Damaged(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

/// The reason an existing, readable file cannot be the store, or nothing.
std::optional<QString> DatabaseDamage(const QString& path)
{
    sqlite3* db = nullptr;
    const int opened =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    struct Closer
    {
        sqlite3* db;
        ~Closer() { sqlite3_close_v2(db); }
    } closer{db};
    if (opened != SQLITE_OK)
        return QStringLiteral("it cannot be opened as a database");
    sqlite3_busy_timeout(db, 2000);
    int rc = SQLITE_OK;
    const QStringList tables =
        Column0(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'", &rc);
    if (Damaged(rc))
        return QStringLiteral("it is not a settings database, or it is damaged");
    if (rc != SQLITE_OK || tables.isEmpty())
        return std::nullopt; // busy or locked (another copy of the program writes), or new
    const QStringList columns = Column0(db, "SELECT name FROM pragma_table_info('entries')", &rc);
    for (const QString& column : kEntryColumns) {
        if (!columns.contains(column, Qt::CaseInsensitive))
            return QStringLiteral("it is the database of another program");
    }
    // Reading every entry reads every page of the table: a cut or broken one shows here.
    // (quick_check is no help: it reports NULLs in healthy WITHOUT ROWID tables.)
    Column0(db, "SELECT section || key || value || section_fold || key_fold FROM entries", &rc);
    if (Damaged(rc))
        return QStringLiteral("it is damaged");
    return std::nullopt;
}

} // namespace

std::optional<SettingsDamage> FindSettingsDamage(const QString& path)
{
    const QString folder = QDir::cleanPath(QFileInfo(path).absolutePath());
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        return SettingsDamage{folder, QStringLiteral("a file stands where the settings folder belongs")};
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    if (info.isDir())
        return SettingsDamage{path, QStringLiteral("it is a folder, not a file")};
    if (!info.isFile())
        return SettingsDamage{path, QStringLiteral("it is not a regular file")};
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return SettingsDamage{
            path, QStringLiteral("it cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)))};
    ::close(fd);
    if (info.size() == 0)
        return std::nullopt;
    if (const std::optional<QString> reason = DatabaseDamage(path))
        return SettingsDamage{path, *reason};
    return std::nullopt;
}

QString AsideName(const QString& path)
{
    QString target = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = path + QStringLiteral(".damaged-%1").arg(n);
    return target;
}

void MoveAside(const QString& path, const QString& target)
{
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0)
        throw SettingsError(QString::fromLocal8Bit(std::strerror(errno)));
    // The side files belong to the damaged database; a new store must not take them for its own.
    for (const char* side : kSideFiles) {
        const QString from = path + QLatin1String(side);
        if (QFileInfo::exists(from))
            QFile::rename(from, target + QLatin1String(side));
    }
}
