#include "platform/PrintFileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Room for " (n)" and the suffix within the 255 bytes a file name may have.
constexpr int kMaxBaseBytes = 200;
constexpr int kMaxTries = 100000;

QString candidate(const QString& folder, const QString& base, const QString& suffix, int n)
{
    const QString name = n == 1 ? base : QStringLiteral("%1 (%2)").arg(base).arg(n);
    return QDir(folder).filePath(name + u'.' + suffix);
}

} // namespace

QString PrintoutFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return documents;
    return QDir::homePath();
}

QString SafeFileBaseName(const QString& title, const QString& fallback)
{
    static const QString kRefused = QStringLiteral("/\\:*?\"<>|");
    QString safe;
    for (const QChar c : title)
        safe += c.category() == QChar::Other_Control || kRefused.contains(c) ? QChar(u'_') : c;
    while (!safe.isEmpty() && (safe.front().isSpace() || safe.front() == u'.'))
        safe.remove(0, 1);
    while (!safe.isEmpty() && (safe.back().isSpace() || safe.back() == u'.'))
        safe.chop(1);
    while (safe.toUtf8().size() > kMaxBaseBytes)
        safe.chop(safe.size() > 1 && safe.back().isLowSurrogate() ? 2 : 1);
    return safe.isEmpty() ? fallback : safe;
}

QString FreeFileName(const QString& folder, const QString& base, const QString& suffix)
{
    for (int n = 1; n < kMaxTries; ++n) {
        const QString path = candidate(folder, base, suffix, n);
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return path;
    }
    return candidate(folder, base, suffix, kMaxTries);
}

std::optional<QString> ReserveFreeFile(const QString& folder, const QString& base, const QString& suffix,
                                       QString* reason)
{
    for (int n = 1; n < kMaxTries; ++n) {
        const QString path = candidate(folder, base, suffix, n);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        // Taken by someone else: try the next number; anything else will not get better.
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
            if (reason)
                *reason = file.errorString();
            return std::nullopt;
        }
    }
    return std::nullopt;
}
