#include "platform/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// A file name holds at most 255 bytes; the temporary one adds a dot and a random tail.
constexpr int kMaxNameBytes = 230;
constexpr int kMaxTries = 100;

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString TemporaryName(const QString& folder, const QString& name)
{
    const QString base = QFile::encodeName(name).size() > kMaxNameBytes ? QStringLiteral("vemra") : name;
    const quint32 tail = QRandomGenerator::global()->generate();
    return QDir(folder).filePath(QStringLiteral(".%1.%2").arg(base).arg(tail, 8, 16, QLatin1Char('0')));
}

} // namespace

WholeFile::WholeFile(const QString& path, QObject* parent) : QIODevice(parent), m_path(path)
{
    // Writing through a link writes the file it points to, as opening it would.
    const QFileInfo info(path);
    if (info.isSymLink() && !info.symLinkTarget().isEmpty())
        m_path = info.symLinkTarget();
}

WholeFile::~WholeFile()
{
    if (!m_committed)
        discard();
}

bool WholeFile::open(OpenMode mode)
{
    if (isOpen() || m_fd >= 0 || (mode & ReadOnly) || !(mode & WriteOnly)) {
        fail(EINVAL);
        return false;
    }
    const QFileInfo target(m_path);
    if (target.isDir()) {
        fail(EISDIR);
        return false;
    }
    struct stat old
    {
    };
    const bool replaces = ::stat(QFile::encodeName(m_path).constData(), &old) == 0;
    for (int tries = 0; m_fd < 0 && tries < kMaxTries; ++tries) {
        m_temporary = TemporaryName(target.absolutePath(), target.fileName());
        // 0666 less the user's umask, as any new file of theirs.
        m_fd =
            ::open(QFile::encodeName(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        fail(errno);
        m_temporary.clear();
        return false;
    }
    // A file written over keeps who may read it.
    if (replaces)
        ::fchmod(m_fd, old.st_mode & 07777);
    m_written = 0;
    m_reason.clear();
    m_committed = false;
    return QIODevice::open(WriteOnly | Unbuffered);
}

void WholeFile::close()
{
    QIODevice::close();
}

bool WholeFile::commit()
{
    if (isOpen())
        QIODevice::close();
    if (m_fd < 0 && m_reason.isEmpty())
        fail(EBADF);
    if (!m_reason.isEmpty()) {
        removeTemporary();
        return false;
    }
    struct stat written
    {
    };
    // A file system may say that it is full only when the data is synced.
    if (::fsync(m_fd) != 0)
        fail(errno);
    else if (::fstat(m_fd, &written) != 0)
        fail(errno);
    else if (written.st_size != m_written)
        fail(QStringLiteral("the file holds %1 of the %2 bytes written").arg(written.st_size).arg(m_written));
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        fail(errno);
    if (m_reason.isEmpty() &&
        ::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_path).constData()) != 0)
        fail(errno);
    if (!m_reason.isEmpty()) {
        removeTemporary();
        return false;
    }
    m_temporary.clear();
    m_committed = true;
    return true;
}

void WholeFile::discard()
{
    if (isOpen())
        QIODevice::close();
    removeTemporary();
}

qint64 WholeFile::readData(char*, qint64)
{
    return -1;
}

qint64 WholeFile::writeData(const char* data, qint64 size)
{
    // Nothing more after a failure: a full disk is not filled further.
    if (m_fd < 0 || !m_reason.isEmpty())
        return -1;
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, data + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that ends short without an error is asked again, and then gives the reason.
            fail(n < 0 ? errno : EIO);
            return -1;
        }
        done += n;
        m_written += n;
    }
    return done;
}

void WholeFile::fail(int error)
{
    fail(SystemText(error));
}

void WholeFile::fail(const QString& reason)
{
    if (m_reason.isEmpty()) {
        m_reason = reason;
        setErrorString(reason);
    }
}

void WholeFile::removeTemporary()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(QFile::encodeName(std::exchange(m_temporary, QString())).constData());
}

QString WithReason(const QString& message, const QString& reason)
{
    return reason.isEmpty() ? message : message + u'\n' + reason;
}
