#include "app/SqlFile.h"

#include "platform/Desktop.h"
#include "platform/LoginFacts.h"
#include "platform/TextRoutines.h"
#include "platform/WholeFile.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kFilter = QStringLiteral("SQL files (*.SQL)|*.SQL");
const QString kDefaultExtension = QStringLiteral("SQL");

// Windows-1252 at 0x80-0x9F; its five unassigned bytes keep their C1 code points.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

QString FileNameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

SqlFile::SqlFile(Desktop& desktop, const Settings& settings, const LoginFacts& facts)
    : m_desktop(desktop), m_settings(settings), m_facts(facts)
{
}

std::optional<QString> SqlFile::chooseFileToLoad(QWidget* parent)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open SQL File");
    request.folder = m_settings.open().ReadOr(Schema::Dialogs::OpenDialogPath, m_facts.ProgramFolder);
    request.fileName = m_lastOpenName;
    request.filter = kFilter;
    request.defaultExtension = kDefaultExtension;
    const std::optional<QString> path = m_desktop.openFileName(request, parent);
    if (!path)
        return std::nullopt;
    m_lastOpenName = FileNameOf(*path);
    m_settings.open().Write(Schema::Dialogs::OpenDialogPath, FolderOf(*path));
    return path;
}

std::optional<QString> SqlFile::chooseFileToSave(QWidget* parent)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Save SQL File");
    request.folder = m_settings.open().ReadOr(Schema::Dialogs::SaveDialogPath, m_facts.ProgramFolder);
    request.fileName = m_lastSaveName;
    request.filter = kFilter;
    request.defaultExtension = kDefaultExtension;
    request.confirmOverwrite = true;
    const std::optional<QString> path = m_desktop.saveFileName(request, parent);
    if (!path)
        return std::nullopt;
    m_lastSaveName = FileNameOf(*path);
    m_settings.open().Write(Schema::Dialogs::SaveDialogPath, FolderOf(*path));
    return path;
}

QString SqlFile::Read(const QString& path, const std::function<void()>& betweenChunks)
{
    // Opened without waiting (a pipe would wait for a writer) and looked at before reading: a
    // device such as /dev/zero never ends.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw SqlFileError(QStringLiteral("Cannot open file %1").arg(path));
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw SqlFileError(QStringLiteral("Cannot open file %1: it is not a regular file").arg(path));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw SqlFileError(QStringLiteral("Cannot open file %1").arg(path));
    }
    constexpr qint64 kChunk = 1 << 20;
    try {
        QByteArray bytes;
        bytes.reserve(qsizetype(std::min<qint64>(info.st_size, qint64(1) << 30)));
        for (;;) {
            const QByteArray chunk = file.read(kChunk);
            if (file.error() != QFileDevice::NoError)
                throw SqlFileError(QStringLiteral("Failed to Load Stream"));
            if (chunk.isEmpty())
                break;
            bytes.append(chunk);
            if (betweenChunks)
                betweenChunks();
        }
        return Decode(bytes);
    } catch (const std::bad_alloc&) {
        throw SqlFileError(TooLargeText(path, info.st_size));
    }
}

QString SqlFile::TooLargeText(const QString& path, qint64 size)
{
    return QStringLiteral("Cannot load file %1: at %2 it is too large for memory")
        .arg(path, QLocale::system().formattedDataSize(size, 1, QLocale::DataSizeTraditionalFormat));
}

void SqlFile::Write(const QString& path, const QString& text)
{
    WholeFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw SqlFileError(WithReason(QStringLiteral("Cannot create file %1").arg(path), file.reason()));
    const QByteArray bytes = Encode(text);
    // Until committed whole, the file keeps what it had.
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw SqlFileError(WithReason(QStringLiteral("Failed to Save Stream"), file.reason()));
}

QString SqlFile::Decode(const QByteArray& bytes)
{
    // An initial byte order mark stays a character, so saving the text again keeps it. Stateless:
    // a sequence cut short at the end is an error, not held back for more input (and lost).
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = DecodeWindows1252(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    // Every line is written with its line end, so the last one does not start another line.
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

QByteArray SqlFile::Encode(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString lines = text;
    lines.replace(u'\n', QStringLiteral("\r\n"));
    lines.append(QStringLiteral("\r\n"));
    return lines.toUtf8();
}

QString SqlFile::FolderOf(const QString& path)
{
    return TextBeforeLast(path, u'/') + u'/';
}
