// The password and the settings: the password is in no file the program writes, in no text it
// shows, in no process argument, and the field is empty after every login; the settings folder
// and file are private whatever the umask; parameter values always reach the engine bound.

#include "app/Startup.h"
#include "app/main.h"
#include "connection/Connection.h"
#include "connection/Login.h"
#include "connection/Query.h"
#include "query/ResultGridModel.h"
#include "query/SqlExecution.h"
#include "query/query.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"
#include "support/PgServer.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Every file under folder that holds needle, as UTF-8 or as UTF-16 (either byte order).
QStringList FilesHolding(const QString& folder, const QString& needle)
{
    const QByteArray forms[] = {
        needle.toUtf8(),
        QByteArray(reinterpret_cast<const char*>(needle.utf16()), needle.size() * 2),
        needle.toUpper().toUtf8(),
    };
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        for (const QByteArray& form : forms) {
            if (bytes.contains(form)) {
                found << path;
                break;
            }
        }
    }
    return found;
}

/// The parent of a process, from /proc; 0 when it cannot be read.
int ParentOf(int pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("PPid:"))
            return line.mid(5).trimmed().toInt();
    }
    return 0;
}

/// The arguments and environments, among this process and every process it started (and they
/// in turn), that hold needle. Other programs of the machine (other test programs running at
/// the same time, with their own database tools) are not the program's business.
QStringList ProcessesHolding(const QString& needle)
{
    QStringList found;
    const QByteArray bytes = needle.toUtf8();
    const int self = int(::getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const int pid = entry.toInt();
        if (pid <= 0)
            continue;
        bool ours = false;
        for (int p = pid; p > 1 && !ours; p = ParentOf(p))
            ours = p == self;
        if (!ours)
            continue;
        for (const char* what : {"/cmdline", "/environ"}) {
            QFile file(QStringLiteral("/proc/") + entry + QLatin1String(what));
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains(bytes))
                found << entry + QLatin1String(what);
        }
    }
    return found;
}

int FileMode(const QString& path)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

class SecurityTest : public GuiTest
{
protected:
    void TearDown() override
    {
        ctx.query = nullptr;
        execution.reset();
        resultWindow.reset();
        startup.reset();
    }

    void start()
    {
        startup = std::make_unique<Startup>(ctx);
        startup->login().show();
        resultWindow = std::make_unique<TFRM_Query>(ctx);
        ctx.query = resultWindow.get();
        execution = std::make_unique<SqlExecution>(ctx);
    }
    TFRM_Login& login() const { return startup->login(); }
    TFRM_QueryTool& main() const { return startup->queryTool(); }

    void logIn(const QString& dataSource, const QString& user, const QString& password)
    {
        login().CBX_DataSource->setCurrentIndex(login().CBX_DataSource->findText(dataSource));
        login().EDT_UserName->setText(user);
        login().EDT_Password->clear();
        QTest::keyClicks(login().EDT_Password, password);
        QTest::mouseClick(login().BBN_Ok, Qt::LeftButton);
    }

    /// Runs the statement as "Execute SQL"; whileShown sees the result window, which is then closed.
    SqlExecution::Outcome run(const QString& sql, const std::function<void(TFRM_Query&)>& whileShown = {})
    {
        // Shared with the timers, which may still be pending when the execution returns.
        auto done = std::make_shared<bool>(false);
        auto poll = std::make_shared<std::function<void()>>();
        TFRM_Query* window = resultWindow.get();
        *poll = [done, poll, window, whileShown] {
            if (*done)
                return;
            if (QApplication::activeModalWidget() == window) {
                if (whileShown)
                    whileShown(*window);
                window->BBN_Close->click();
                return;
            }
            QTimer::singleShot(5, *poll);
        };
        QTimer::singleShot(0, *poll);
        const SqlExecution::Outcome outcome = execution->BBN_ExecuteSQLClick(sql.split(u'\n'), {0, 0});
        *done = true;
        *poll = nullptr;
        return outcome;
    }

    std::unique_ptr<Startup> startup;
    std::unique_ptr<TFRM_Query> resultWindow;
    std::unique_ptr<SqlExecution> execution;
};

TEST_F(SecurityTest, ThePasswordLeavesNoTrace)
{
    PgServer& pg = PgServer::instance();
    if (!pg.running())
        GTEST_SKIP() << "no PostgreSQL server: " << pg.failure().toStdString();
    pg.writeAlias(QStringLiteral("PG"));
    const QString password = pg.password();
    start();
    EXPECT_EQ(login().EDT_Password->echoMode(), QLineEdit::Password);

    // A wrong password first: the box names no password, the field keeps what was typed for the
    // retry.
    const QString wrong = QStringLiteral("wrong-%1").arg(password);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    logIn(QStringLiteral("PG"), pg.user(), wrong);
    ASSERT_FALSE(main().isVisible());
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_TRUE(desktop.boxes[0].text.startsWith(QStringLiteral("Invalid Username/Password\n\n")));
    EXPECT_FALSE(desktop.boxes[0].text.contains(wrong)) << desktop.boxes[0].text.toStdString();

    // The right one: in, and the field is empty at once.
    logIn(QStringLiteral("PG"), pg.user(), password);
    ASSERT_TRUE(main().isVisible());
    EXPECT_TRUE(login().EDT_Password->text().isEmpty());

    // Work that writes: statements (one failing with the engine's error), a saved SQL file, a
    // printout to a PDF file, the placement at the end.
    EXPECT_EQ(run(QStringLiteral("select 1 as a")), SqlExecution::Outcome::ResultShown);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    EXPECT_EQ(run(QStringLiteral("select * from no_such_table")), SqlExecution::Outcome::Failed);
    main().setEditorText(QStringLiteral("select 1 as a"));
    const QString sqlFile = home.path() + QStringLiteral("/work/query.SQL");
    QDir().mkpath(home.path() + QStringLiteral("/work"));
    desktop.expectSaveFile(sqlFile);
    main().BBN_SaveSQL->click();
    const QString pdf = home.path() + QStringLiteral("/work/printout.pdf");
    desktop.expectPrintDialog(true, [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    });
    main().MI_Print->trigger();
    EXPECT_TRUE(QFileInfo::exists(pdf));

    // "Change Data Source" and in again: empty again after the second login.
    main().BBN_ChangeDataSource->click();
    logIn(QStringLiteral("PG"), pg.user(), password);
    EXPECT_TRUE(login().EDT_Password->text().isEmpty());
    EXPECT_TRUE(main().isVisible());

    // While the session is open: neither the program nor anything it started carries the password
    // in its arguments or environment (the test's own psql calls are done by now).
    EXPECT_EQ(ProcessesHolding(password), QStringList());

    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);
    main().close();
    desktop.verify();

    for (const ScriptedDesktop::Box& box : desktop.boxes)
        EXPECT_FALSE(box.text.contains(password)) << box.text.toStdString();
    // Every file of the user's home: settings, alias file, data, the SQL file and the printout.
    EXPECT_EQ(FilesHolding(home.path(), password), QStringList());
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (text.waitForFinished(20000) && text.exitCode() == 0) {
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(printed.contains(QStringLiteral("select 1 as a"))) << "the printout was read";
        EXPECT_FALSE(printed.contains(password));
    }
}

TEST_F(SecurityTest, TheSettingsArePrivateWhateverTheUmask)
{
    for (const mode_t mask : {mode_t(0), mode_t(002), mode_t(022), mode_t(027), mode_t(077), mode_t(0777)}) {
        SCOPED_TRACE(mask);
        QDir(SettingsStore::rootFolder()).removeRecursively();
        const mode_t old = ::umask(mask);
        // The program's start seeds the store; a login writes to it again.
        start();
        logIn(QStringLiteral("Sample"), QStringLiteral("scott"), QStringLiteral("tiger"));
        const bool in = main().isVisible();
        TearDown();
        ::umask(old);
        ASSERT_TRUE(in);
        EXPECT_EQ(FileMode(QDir::cleanPath(SettingsStore::rootFolder())), 0700);
        EXPECT_EQ(FileMode(SettingsStore::defaultPath()), 0600);
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString companion = SettingsStore::defaultPath() + QLatin1String(suffix);
            if (QFileInfo::exists(companion)) {
                EXPECT_EQ(FileMode(companion), 0600) << suffix;
            }
        }
    }
}

struct BoundCase
{
    const char* engine;
    const char* typed;
};

TEST_F(SecurityTest, ParameterValuesAreAlwaysBound)
{
    // Whatever is typed reaches the engine as one string value, never as statement text.
    const char* const typed[] = {
        "x'; drop table emp; --",
        "' or '1'='1",
        "\"; delete from emp; \"",
        "a''b",
        "$$ ; $$",
        ":other",
        "\\'; --",
    };
    PgServer& pg = PgServer::instance();
    QStringList engines{QStringLiteral("Sample")};
    if (pg.running()) {
        pg.psql(
            QStringLiteral("DROP TABLE IF EXISTS emp; CREATE TABLE emp (empno int PRIMARY KEY, ename text);"
                           "INSERT INTO emp VALUES (1, 'ANN'), (2, 'BOB');"));
        pg.writeAlias(QStringLiteral("PG"));
        engines << QStringLiteral("PG");
    }
    start();
    for (const QString& engine : engines) {
        SCOPED_TRACE(engine.toStdString());
        if (main().isVisible())
            main().BBN_ChangeDataSource->click();
        logIn(engine, pg.user(), pg.password());
        ASSERT_TRUE(main().isVisible());
        int before = -1;
        EXPECT_EQ(run(QStringLiteral("select empno from emp"),
                      [&](TFRM_Query& w) { before = w.gridModel().rowCount(); }),
                  SqlExecution::Outcome::ResultShown);
        ASSERT_GT(before, 0);
        for (const char* value : typed) {
            SCOPED_TRACE(value);
            desktop.expectInput(QString::fromUtf8(value));
            QString echoed;
            int rows = -1;
            EXPECT_EQ(run(QStringLiteral("select :v as v, count(*) as n from emp"),
                          [&](TFRM_Query& w) {
                              rows = w.gridModel().rowCount();
                              echoed = w.gridModel().data(w.gridModel().index(0, 0)).toString();
                          }),
                      SqlExecution::Outcome::ResultShown);
            EXPECT_EQ(rows, 1);
            // The value comes back whole (upper-cased on entry, as every parameter is).
            EXPECT_EQ(echoed, QString::fromUtf8(value).toUpper());
            desktop.verify();
        }
        int after = -1;
        EXPECT_EQ(run(QStringLiteral("select empno from emp"),
                      [&](TFRM_Query& w) { after = w.gridModel().rowCount(); }),
                  SqlExecution::Outcome::ResultShown);
        EXPECT_EQ(after, before) << "no statement hidden in a value ran";
    }
}

} // namespace
