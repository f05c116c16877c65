#include "app/RecoveryCopy.h"

#include "app/RecoveryFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace {

const QString kLockSuffix = QStringLiteral(".lock");

QString Failure(const QString& what, const QString& path, const QString& reason)
{
    return QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason);
}

/// editor-<when>-<process>[-n].sql: the time sorts the names, the process number keeps two copies
/// started in the same millisecond apart.
QString FileName(const QDateTime& when, qint64 process, int attempt)
{
    QString name =
        QStringLiteral("editor-%1-%2").arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))).arg(process);
    if (attempt > 0)
        name += QStringLiteral("-%1").arg(attempt);
    return name + QStringLiteral(".sql");
}

} // namespace

RecoveryCopy::RecoveryCopy(QString folder, QString legacyPath)
    : m_folder(std::move(folder)), m_legacyPath(std::move(legacyPath))
{
}

RecoveryCopy::~RecoveryCopy() = default;

std::unique_ptr<QLockFile> RecoveryCopy::lock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path + kLockSuffix);
    // A copy may run for weeks: only an owner that no longer runs makes a lock stale, never its age.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        ::chmod(QFile::encodeName(path + kLockSuffix).constData(), 0600);
        return lock;
    }
    if (lock->error() == QLockFile::LockFailedError)
        return nullptr;
    throw RecoveryFileError(Failure(QStringLiteral("Cannot lock the editor's text kept in"), path,
                                    lock->error() == QLockFile::PermissionError
                                        ? QStringLiteral("permission denied")
                                        : QStringLiteral("the lock file cannot be written")));
}

std::pair<QString, std::unique_ptr<QLockFile>> RecoveryCopy::newLockedPath(const QDateTime& when) const
{
    const qint64 process = QCoreApplication::applicationPid();
    for (int attempt = 0;; ++attempt) {
        const QString path = m_folder + u'/' + FileName(when, process, attempt);
        if (QFileInfo::exists(path) || QFileInfo::exists(path + kLockSuffix))
            continue;
        std::unique_ptr<QLockFile> held = lock(path);
        if (held && !QFileInfo::exists(path))
            return {path, std::move(held)};
    }
}

QString RecoveryCopy::claimLegacy()
{
    if (!QFileInfo::exists(m_legacyPath))
        return {};
    // An old copy never locks it; the lock keeps two new copies from moving it at once.
    const std::unique_ptr<QLockFile> legacyLock = lock(m_legacyPath);
    const QFileInfo legacy(m_legacyPath);
    if (!legacyLock || !legacy.exists() || !legacy.isFile())
        return {};
    if (legacy.size() == 0) {
        QFile::remove(m_legacyPath);
        return {};
    }
    RecoveryFile::MakeFolder(m_folder);
    auto [path, held] = newLockedPath(legacy.lastModified());
    // A rename keeps the text's time, which orders it among the others.
    if (std::rename(QFile::encodeName(m_legacyPath).constData(), QFile::encodeName(path).constData()) != 0)
        throw RecoveryFileError(Failure(QStringLiteral("Cannot move the editor's text kept in"), m_legacyPath,
                                        QString::fromLocal8Bit(std::strerror(errno))));
    m_claims[path] = std::move(held);
    return path;
}

RecoveryCopy::LeftOver RecoveryCopy::claimLeftOver()
{
    LeftOver left;
    const auto noting = [&left](const auto& step) {
        try {
            step();
        } catch (const RecoveryFileError& failure) {
            if (left.failure.isEmpty())
                left.failure = QString::fromUtf8(failure.what());
        }
    };
    noting([this] { claimLegacy(); });
    const QDir folder(m_folder);
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("editor-*.sql")}, QDir::Files | QDir::CaseSensitive);
    for (const QFileInfo& file : files) {
        const QString path = file.absoluteFilePath();
        if (path == m_ownPath || m_claims.count(path) > 0)
            continue;
        noting([&] {
            std::unique_ptr<QLockFile> held = lock(path);
            // Its copy may have ended between the listing and the lock, and removed it on the way.
            const QFileInfo now(path);
            if (!held || !now.exists())
                return;
            if (now.size() == 0)
                QFile::remove(path);
            else
                m_claims[path] = std::move(held);
        });
    }
    // Locks left by killed copies whose editor was empty: taking them removes them.
    const QStringList locks = folder.entryList({QStringLiteral("editor-*.sql") + kLockSuffix},
                                               QDir::Files | QDir::Hidden | QDir::CaseSensitive);
    for (const QString& name : locks) {
        const QString path = folder.absoluteFilePath(name.chopped(kLockSuffix.size()));
        if (path != m_ownPath && m_claims.count(path) == 0 && !QFileInfo::exists(path))
            noting([&] { lock(path); });
    }

    std::vector<std::pair<QDateTime, QString>> byTime;
    for (const auto& [path, held] : m_claims)
        byTime.emplace_back(QFileInfo(path).lastModified(), path);
    std::sort(byTime.begin(), byTime.end(), [](const auto& a, const auto& b) { return a > b; });
    for (const auto& entry : byTime)
        left.newestFirst.append(entry.second);
    return left;
}

void RecoveryCopy::adopt(const QString& path)
{
    const auto claim = m_claims.find(path);
    if (claim == m_claims.end() || !m_ownPath.isEmpty())
        return;
    m_ownPath = path;
    m_ownLock = std::move(claim->second);
    m_claims.erase(claim);
}

void RecoveryCopy::releaseClaims()
{
    m_claims.clear();
}

void RecoveryCopy::write(const QString& text)
{
    if (m_ownPath.isEmpty()) {
        if (text.isEmpty())
            return;
        RecoveryFile::MakeFolder(m_folder);
        auto [path, held] = newLockedPath(QDateTime::currentDateTime());
        m_ownPath = path;
        m_ownLock = std::move(held);
    }
    RecoveryFile::Write(m_ownPath, text);
}
