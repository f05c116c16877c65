// Hostile SQL files through the main window's Load and Save commands, and saving onto a file
// system that is full.
#include "app/SqlFile.h"
#include "app/main.h"
#include "support/GuiTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <random>
#include <sys/mount.h>
#include <sys/resource.h>

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray RandomBytes(qsizetype n, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(random() & 0xff);
    return bytes;
}

/// About size bytes of SQL in CR LF lines, with non-Latin letters and quotes.
QByteArray LargeSql(qsizetype size)
{
    const QByteArray line = "SELECT EMPNO, ENAME, 'Gr\xc3\xbc\xc3\x9f"
                            "e \xe5\x90\x8d' AS X FROM EMP WHERE SAL >= 1000\r\n";
    return line.repeated(size / line.size() + 1);
}

struct FileCase
{
    const char* name;
    QByteArray bytes;
    /// Saving gives back the very bytes (valid UTF-8 in CR LF lines); otherwise the text is kept
    /// and the file is written as UTF-8 in CR LF lines.
    bool sameBytes;
};

class HostileFileTest : public GuiTest
{
protected:
    ~HostileFileTest() override { ctx.queryTool = nullptr; }

    TFRM_QueryTool& window()
    {
        if (!m_window) {
            m_window = std::make_unique<TFRM_QueryTool>(ctx);
            ctx.queryTool = m_window.get();
            m_window->show();
        }
        return *m_window;
    }
    QString folder()
    {
        const QString path = home.path() + QStringLiteral("/sql");
        QDir().mkpath(path);
        return path;
    }
    void load(const QString& path)
    {
        desktop.expectOpenFile(path);
        window().BBN_LoadSQL->click();
    }
    void save(const QString& path)
    {
        desktop.expectSaveFile(path);
        window().BBN_SaveSQL->click();
    }

    std::unique_ptr<TFRM_QueryTool> m_window;
};

TEST_F(HostileFileTest, LoadAndSaveLoseNothing)
{
    QByteArray allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes += char(b);
    const FileCase cases[] = {
        {"50 MB of SQL", LargeSql(50'000'000), true},
        {"binary", RandomBytes(1'000'000, 7), false},
        {"every byte value", allBytes.repeated(8), false},
        {"NUL bytes in UTF-8 text", QByteArray("SELECT '\0\0' FROM T\r\n\0\r\n", 23), true},
        {"invalid UTF-8", "SELECT 'caf\xe9', '\x80\x81\x8d\x8f\x90\x9d\xff' FROM T\r\n", false},
        {"a UTF-8 sequence cut at the end", "SELECT 'caf\xc3", false},
        {"only CR line ends", "SELECT *\rFROM T\r\rWHERE A = 1\r", false},
        {"mixed line ends", "A\r\nB\nC\rD", false},
        {"byte order mark", "\xef\xbb\xbfSELECT 1\r\n", true},
        {"one line without an end", "SELECT 1", false},
    };
    const QString in = folder() + QStringLiteral("/in.SQL");
    const QString out = folder() + QStringLiteral("/out.SQL");
    const QString again = folder() + QStringLiteral("/again.SQL");
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(in, c.bytes);
        load(in);
        const QString text = window().editorText();
        EXPECT_EQ(text, SqlFile::Decode(c.bytes));
        save(out);
        const QByteArray written = ReadBytes(out);
        if (c.sameBytes) {
            EXPECT_TRUE(written == c.bytes) << "saved " << written.size() << " bytes of " << c.bytes.size();
            continue;
        }
        // Loading what was saved gives the same text, and saving that gives the same bytes.
        window().BBN_ClearScreen->click();
        load(out);
        EXPECT_TRUE(window().editorText() == text);
        save(again);
        EXPECT_TRUE(ReadBytes(again) == written);
    }
    desktop.verify();
}

TEST_F(HostileFileTest, ACutUtf8SequenceAtTheEndKeepsEveryByte)
{
    // Read as Windows-1252 like any other file that is not UTF-8: one character per byte.
    EXPECT_EQ(SqlFile::Decode("SELECT 'caf\xc3"), QStringLiteral("SELECT 'caf\u00C3"));
    EXPECT_EQ(SqlFile::Decode("x\xe2\x82"), QStringLiteral("x\u00E2\u201A"));
    EXPECT_EQ(SqlFile::Decode("x\xe2\x82\xac"), QStringLiteral("x\u20AC")) << "whole, it is UTF-8";
}

/// The address space this process takes now, in bytes.
[[maybe_unused]] rlim_t AddressSpaceInUse()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return rlim_t(statm.readAll().split(' ').value(0).toULongLong()) * rlim_t(::sysconf(_SC_PAGESIZE));
}

TEST_F(HostileFileTest, AFileTooLargeForMemorySaysSoWithItsSizeAndKeepsTheEditor)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run with its address space limited";
#else
    // 512 MB that take no room on the disk.
    const QString path = folder() + QStringLiteral("/huge.SQL");
    {
        QFile huge(path);
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(512) << 20));
    }
    window().setEditorText(QStringLiteral("SELECT 'kept'"));
    desktop.expectBox(BoxKind::Error,
                      QStringLiteral("Cannot load file %1: at 512.0 MB it is too large for memory").arg(path),
                      BoxAnswer::Ok);
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    rlimit limited = saved;
    limited.rlim_cur = AddressSpaceInUse() + (rlim_t(256) << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    load(path);
    setrlimit(RLIMIT_AS, &saved);
    desktop.verify();
    EXPECT_EQ(window().editorText(), QStringLiteral("SELECT 'kept'"));
#endif
}

/// Runs body while the process may write files of at most limit bytes; a write beyond fails
/// (SIGXFSZ ignored) instead of ending the process.
template <typename Body> void WithFileSizeLimit(rlim_t limit, Body body)
{
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    body();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
}

TEST_F(HostileFileTest, SavingBeyondTheFileSizeLimitKeepsTheOldFile)
{
    const QString path = folder() + QStringLiteral("/kept.SQL");
    const QByteArray old = "SELECT 'the old file'\r\n";
    WriteBytes(path, old);
    // Lines of a usual length: one line of megabytes would take the editor minutes to lay out.
    window().setEditorText(
        QStringLiteral("SELECT 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' FROM T\n")
            .repeated(50'000));
    desktop.expectBox(BoxKind::Error, QStringLiteral("Failed to Save Stream\nFile too large"), BoxAnswer::Ok);
    WithFileSizeLimit(1'000'000, [&] { save(path); });
    desktop.verify();
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), QStringList{QStringLiteral("kept.SQL")})
        << "no temporary file left behind";
    // The program goes on: a save that fits works.
    window().setEditorText(QStringLiteral("SELECT 1"));
    save(path);
    EXPECT_EQ(ReadBytes(path), QByteArray("SELECT 1\r\n"));
}

/// A small file system of its own, where this machine lets us mount one (root in a place that
/// allows mounting); null otherwise.
class SmallFileSystem final
{
public:
    explicit SmallFileSystem(const QString& where, int kilobytes) : m_where(where)
    {
        QDir().mkpath(where);
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        m_mounted =
            ::mount("tmpfs", QFile::encodeName(where).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_where).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_where;
    bool m_mounted = false;
};

TEST_F(HostileFileTest, SavingOntoAFullFileSystemKeepsTheOldFile)
{
    const SmallFileSystem disk(folder() + QStringLiteral("/disk"), 256);
    if (!disk.mounted())
        GTEST_SKIP()
            << "mounting a small file system is not allowed here; the file size limit case covers the fault";
    const QString path = folder() + QStringLiteral("/disk/kept.SQL");
    const QByteArray old = "SELECT 'the old file'\r\n";
    WriteBytes(path, old);
    window().setEditorText(
        QStringLiteral("SELECT 'yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy' FROM T\n")
            .repeated(20'000));
    desktop.expectBox(BoxKind::Error, QStringLiteral("Failed to Save Stream\nNo space left on device"),
                      BoxAnswer::Ok);
    save(path);
    desktop.verify();
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(folder() + QStringLiteral("/disk")).entryList(QDir::Files),
              QStringList{QStringLiteral("kept.SQL")});
}

TEST_F(HostileFileTest, ASaveOntoAFileSystemWithoutRoomForTheTextKeepsTheOldFile)
{
    // A short text reaches the disk only as the file is committed, a long one on the way; both
    // must fail with the box and leave the old file whole.
    const QString where = folder() + QStringLiteral("/small");
    const SmallFileSystem disk(where, 64);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small file system is not allowed here; SqlFileTest covers the fault";
    const QString path = where + QStringLiteral("/kept.SQL");
    const QByteArray old = "SELECT 'the old file'\r\n";
    WriteBytes(path, old);
    struct RoomCase
    {
        const char* name;
        qsizetype characters;
        qsizetype roomLeft;
    };
    for (const RoomCase& c :
         {RoomCase{"full, a short text", 60, 0}, RoomCase{"8 KB left, a 15 KB text", 15'000, 8'192},
          RoomCase{"8 KB left, a 100 KB text", 100'000, 8'192}}) {
        SCOPED_TRACE(c.name);
        // Fill the disk, then give back the room the case leaves.
        const QString filler = where + QStringLiteral("/filler");
        {
            QFile fill(filler);
            ASSERT_TRUE(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (fill.write(block) == block.size()) {
            }
            fill.resize(std::max<qint64>(0, fill.size() - c.roomLeft));
        }
        window().setEditorText(QString(c.characters, u'z'));
        desktop.expectBox(BoxKind::Error, QStringLiteral("Failed to Save Stream\nNo space left on device"),
                          BoxAnswer::Ok);
        save(path);
        desktop.verify();
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(QDir(where).entryList(QDir::Files),
                  QStringList({QStringLiteral("filler"), QStringLiteral("kept.SQL")}));
        QFile::remove(filler);
    }
}

#ifdef VEMRA_FILE_LIMIT_CHILD
TEST_F(HostileFileTest, UnderAFileSizeLimitTheProgramSaysWhyInsteadOfDying)
{
    // The program as start-up builds it, started with a fresh home under `ulimit -f`; SIGXFSZ as
    // a shell leaves it, so only the program's own start-up can keep it from ending the process.
    const QString in = folder() + QStringLiteral("/two-megabytes.SQL");
    WriteBytes(in, LargeSql(2'000'000));
    // Either limit stops the recovery file and the save of 2 MB; the lower one also the settings
    // store's first writes, which the settings store reports in its own words.
    const struct
    {
        const char* name;
        rlim_t limit;
    } cases[] = {
        {"ulimit -f 100", 100 * 1024},
        {"ulimit -f 1000", 1000 * 1024},
    };
    const QList<QByteArray> reasons = {".sql: File too large\n",
                                       "box: Failed to Save Stream|File too large\n"};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = home.path() + QStringLiteral("/limited-%1").arg(++n);
        const QString out = base + QStringLiteral("/saved.SQL");
        QDir().mkpath(base);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), base);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), base + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), base + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), base + QStringLiteral("/cache"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const rlim_t limit = c.limit;
        child.setChildProcessModifier([limit] {
            rlimit small{};
            getrlimit(RLIMIT_FSIZE, &small);
            small.rlim_cur = limit;
            setrlimit(RLIMIT_FSIZE, &small);
            std::signal(SIGXFSZ, SIG_DFL);
        });
        child.start(QStringLiteral(VEMRA_FILE_LIMIT_CHILD), {in, out});
        ASSERT_TRUE(child.waitForFinished(180'000));
        const QByteArray said = child.readAllStandardOutput();
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << "ended by a signal; it said:\n"
                                                            << said.toStdString();
        EXPECT_TRUE(said.endsWith("done\n")) << said.toStdString();
        EXPECT_FALSE(said.contains("no login")) << said.toStdString();
        for (const QByteArray& reason : reasons)
            EXPECT_TRUE(said.contains(reason)) << said.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out)) << "no partial file";
    }
}
#endif

} // namespace
