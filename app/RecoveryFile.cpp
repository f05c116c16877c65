#include "app/RecoveryFile.h"

#include "platform/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Failure(const QString& what, const QString& path, const QString& reason)
{
    return QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason);
}

} // namespace

namespace RecoveryFile {

QString DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VEMRA/editor-recovery");
}

QString LegacyPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VEMRA/editor-recovery.sql");
}

void MakeFolder(const QString& folder)
{
    if (QFileInfo::exists(folder))
        return;
    if (!QDir().mkpath(folder))
        throw RecoveryFileError(
            Failure(QStringLiteral("Cannot create the folder"), folder, QStringLiteral("permission denied")));
    // The text may hold anything the user typed: the folder is the user's alone, as the settings' is.
    ::chmod(QFile::encodeName(folder).constData(), 0700);
}

void Write(const QString& path, const QString& text)
{
    const QString what = QStringLiteral("Cannot keep the editor's text in");
    if (text.isEmpty()) {
        QFile file(path);
        if (file.exists() && !file.remove())
            throw RecoveryFileError(Failure(what, path, file.errorString()));
        return;
    }
    MakeFolder(QFileInfo(path).absolutePath());
    WholeFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw RecoveryFileError(Failure(what, path, file.reason()));
    // Private before the first byte lands, whatever the umask.
    ::fchmod(file.handle(), 0600);
    const QByteArray bytes = text.toUtf8();
    // Synced before the rename: after a crash the name holds either the old text or all of the new.
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw RecoveryFileError(Failure(what, path, file.reason()));
}

std::optional<QString> Read(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    const QString what = QStringLiteral("Cannot read the editor's text kept in");
    if (!QFileInfo(path).isFile())
        throw RecoveryFileError(Failure(what, path, QStringLiteral("it is not a regular file")));
    if (!file.open(QIODevice::ReadOnly))
        throw RecoveryFileError(Failure(what, path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw RecoveryFileError(Failure(what, path, file.errorString()));
    if (bytes.isEmpty())
        return std::nullopt;
    // Our own writes are UTF-8; a file mended by hand in another encoding keeps its every byte.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

} // namespace RecoveryFile
