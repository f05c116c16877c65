// Saving an SQL file where the process may write only so many bytes (a full disk as the writer
// sees it): the save either writes the whole text or fails with "Failed to Save Stream" and
// leaves the old file as it was, whatever the text's size against the room; and it never leaves
// a temporary file behind.
#include "FuzzInput.h"

#include "app/SqlFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray kOld = "SELECT 'the old file'\r\n";

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    static const bool once = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)once;

    FuzzInput input(data, size);
    // The room, up to 64 KB, and the text, its size stretched up to 64 times so that both the
    // short texts (written only as the file is committed) and the long ones meet the limit.
    const rlim_t room = rlim_t(input.byte()) << 8 | input.byte();
    const int repeat = 1 + input.byte() % 64;
    const QString text = input.rest(false).repeated(repeat);
    const QString path = folder.path() + QStringLiteral("/q.SQL");
    {
        QFile old(path);
        FUZZ_CHECK(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size(), path);
    }

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = room;
    setrlimit(RLIMIT_FSIZE, &limited);
    bool written = true;
    QString failure;
    try {
        SqlFile::Write(path, text);
    } catch (const SqlFileError& e) {
        written = false;
        failure = QString::fromUtf8(e.what());
    }
    setrlimit(RLIMIT_FSIZE, &saved);

    const QByteArray expected = SqlFile::Encode(text);
    const QString detail = QStringLiteral("room %1, text of %2 bytes").arg(room).arg(expected.size());
    if (written) {
        FUZZ_CHECK(FileBytes(path) == expected, detail);
        FUZZ_CHECK(rlim_t(expected.size()) <= room, detail);
    } else {
        FUZZ_CHECK(failure == QStringLiteral("Failed to Save Stream"), detail + u' ' + failure);
        FUZZ_CHECK(FileBytes(path) == kOld, detail);
        FUZZ_CHECK(rlim_t(expected.size()) > room, detail);
    }
    FUZZ_CHECK(QDir(folder.path()).entryList(QDir::Files) == QStringList{QStringLiteral("q.SQL")}, detail);
    return 0;
}
