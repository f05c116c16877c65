#include "app/EditorRecovery.h"
#include "ProgramFixture.h"
#include "app/RecoveryFile.h"
#include "query/query.h"
#include "support/ModalAnswer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

/// The texts kept in the recovery folder, oldest name first.
QStringList KeptTexts()
{
    const QDir folder(RecoveryFile::DefaultFolder());
    QStringList texts;
    for (const QString& name : folder.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
        texts << RecoveryFile::Read(folder.absoluteFilePath(name)).value_or(QString());
    return texts;
}

/// The one text kept ("" when there is none).
QString Kept()
{
    const QStringList texts = KeptTexts();
    return texts.size() > 1 ? QStringLiteral("<%1 texts>").arg(texts.size()) : texts.value(0);
}

/// A text as a copy that ended left it, written a given time ago.
QString Leave(const QString& text, int secondsAgo = 60)
{
    const QString path =
        RecoveryFile::DefaultFolder() + QStringLiteral("/editor-20240101-000000-000-%1.sql").arg(secondsAgo);
    RecoveryFile::Write(path, text);
    const QDateTime when = QDateTime::currentDateTime().addSecs(-secondsAgo);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime));
    return path;
}

QString MoreKept(int count)
{
    const QString folder = RecoveryFile::DefaultFolder();
    return (count == 1
                ? QStringLiteral("One more text kept by an earlier run is in the folder %1.").arg(folder)
                : QStringLiteral("%1 more texts kept by earlier runs are in the folder %2.")
                      .arg(count)
                      .arg(folder)) +
           QStringLiteral(" Load SQL opens them.");
}

/// Runs the event loop until the recovery file holds text, or a generous limit passes.
bool KeptSoon(const QString& text, int limitMs = 15'000)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < limitMs) {
        if (Kept() == text)
            return true;
        QTest::qWait(50);
    }
    return Kept() == text;
}

#ifdef VEMRA_RECOVERY_TYPIST
/// Sends the typist a command and returns its answer, without the line end (empty if none).
QByteArray Ask(QProcess& typist, const QByteArray& command)
{
    typist.write(command + '\n');
    QByteArray said;
    while (!said.contains('\n') && typist.waitForReadyRead(60'000))
        said += typist.readAllStandardOutput();
    return said.trimmed();
}

/// Starts the typist with these arguments and returns the first line it says (empty if none).
QByteArray StartTypist(QProcess& typist, const QStringList& arguments)
{
    typist.setProgram(QStringLiteral(VEMRA_RECOVERY_TYPIST));
    typist.setArguments(arguments);
    typist.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    typist.start();
    if (!typist.waitForStarted())
        return typist.errorString().toUtf8();
    QByteArray said;
    while (!said.contains('\n') && typist.waitForReadyRead(60'000))
        said += typist.readAllStandardOutput();
    return said;
}
#endif

class EditorRecoveryTest : public ProgramTest
{
protected:
    QPlainTextEdit& editor() const { return *main().REDT_QueryTool; }
    void type(const QString& text) { QTest::keyClicks(&editor(), text); }
};

TEST_F(EditorRecoveryTest, TypedTextIsKeptAndComesBackAfterTheNextLogin)
{
    start();
    logIntoSample();
    ASSERT_TRUE(main().isVisible());
    EXPECT_TRUE(editor().document()->isEmpty());
    EXPECT_EQ(KeptTexts(), QStringList()) << "an empty editor keeps nothing";

    editor().setFocus();
    type(QStringLiteral("select ename"));
    QTest::keyClick(&editor(), Qt::Key_Return);
    type(QStringLiteral("from emp"));
    const QString typed = QStringLiteral("select ename\nfrom emp");
    EXPECT_TRUE(main().recovery().pending());
    ASSERT_TRUE(KeptSoon(typed)) << Kept().toStdString();
    EXPECT_FALSE(main().recovery().pending());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(main().recovery().path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // Typed just before the end: written on the way out, not lost to the timer.
    type(QStringLiteral(" where deptno = 10"));
    desktop.expectBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"), BoxAnswer::Yes);
    main().BBN_CloseClick();
    ASSERT_TRUE(desktop.ended);
    startup.reset();
    EXPECT_EQ(Kept(), typed + QStringLiteral(" where deptno = 10"));

    // The next start: the text is back only after the login, counted as not saved anywhere.
    desktop.ended = false;
    start();
    EXPECT_TRUE(editor().document()->isEmpty());
    const int busyBefore = desktop.busyBegins;
    logIntoSample();
    EXPECT_EQ(main().editorText(), typed + QStringLiteral(" where deptno = 10"));
    EXPECT_EQ(desktop.busyBegins - busyBefore, 2) << "the login's busy cursor, then the restore's";
    EXPECT_EQ(desktop.busyDepth, 0);
    EXPECT_TRUE(editor().document()->isModified());
    EXPECT_EQ(editor().textCursor().position(), editor().document()->characterCount() - 1)
        << "the cursor at the end, ready to go on typing";
    EXPECT_FALSE(main().recovery().pending()) << "restoring is no change to write back";

    // Clearing the editor leaves nothing to come back.
    main().BBN_ClearScreen->click();
    ASSERT_TRUE(KeptSoon(QString()));
    EXPECT_EQ(KeptTexts(), QStringList());
    desktop.verify();
}

TEST_F(EditorRecoveryTest, NothingIsTouchedBeforeTheLogin)
{
    Leave(QStringLiteral("select 'last run'"));
    start();
    // Longer than the writes wait: the empty editor of the login time must not replace the text.
    QTest::qWait(EditorRecovery::kQuietMs + 500);
    EXPECT_EQ(Kept(), QStringLiteral("select 'last run'"));

    // Cancel at the login ends the program with the text still kept for next time.
    startup->login().BBN_Cancel->click();
    ASSERT_TRUE(desktop.ended);
    startup.reset();
    EXPECT_EQ(Kept(), QStringLiteral("select 'last run'"));
}

TEST_F(EditorRecoveryTest, TextAlreadyInTheEditorIsNeverReplaced)
{
    const QString left = Leave(QStringLiteral("select 'last run'"));
    start();
    main().setEditorText(QStringLiteral("select 'mine'"));
    desktop.expectBox(
        BoxKind::Information,
        QStringLiteral("One text kept by an earlier run is in the folder %1. Load SQL opens them.")
            .arg(RecoveryFile::DefaultFolder()),
        BoxAnswer::Ok);
    logIntoSample();
    QTest::qWait(1);
    EXPECT_EQ(main().editorText(), QStringLiteral("select 'mine'"));
    // Kept beside the last run's, which stays for a later start.
    QElapsedTimer waited;
    waited.start();
    while (KeptTexts().size() < 2 && waited.elapsed() < 15'000)
        QTest::qWait(50);
    EXPECT_EQ(RecoveryFile::Read(main().recovery().path()), QStringLiteral("select 'mine'"));
    EXPECT_EQ(RecoveryFile::Read(left), QStringLiteral("select 'last run'"));
    desktop.verify();
}

TEST_F(EditorRecoveryTest, TextsOfEarlierRunsAndVersionsComeBackNewestFirst)
{
    // The earlier version's single file, and two copies' files, each older than the next.
    RecoveryFile::Write(RecoveryFile::LegacyPath(), QStringLiteral("select 'earlier version'"));
    QFile legacy(RecoveryFile::LegacyPath());
    ASSERT_TRUE(legacy.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        legacy.setFileTime(QDateTime::currentDateTime().addSecs(-30), QFileDevice::FileModificationTime));
    legacy.close();
    Leave(QStringLiteral("select 'older'"), 60);
    Leave(QStringLiteral("select 'oldest'"), 90);

    desktop.expectBox(BoxKind::Information, MoreKept(2), BoxAnswer::Ok);
    start();
    logIntoSample();
    QTest::qWait(1);
    EXPECT_EQ(main().editorText(), QStringLiteral("select 'earlier version'"));
    EXPECT_FALSE(QFileInfo::exists(RecoveryFile::LegacyPath())) << "moved in with the others";
    EXPECT_EQ(KeptTexts().size(), 3);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.busyDepth, 0) << "the box comes after the busy cursor";
    desktop.verify();
}

TEST_F(EditorRecoveryTest, EndsThatSkipTheCloseHandlingKeepTheTextToo)
{
    start();
    logIntoSample();
    main().setEditorText(QStringLiteral("select * from dept"));
    // A change of data source that fails, and Cancel in its box: the program ends from the login.
    main().BBN_ChangeDataSourceClick();
    TFRM_Login& login = startup->login();
    login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Login")));
    desktop.expectBox(BoxKind::Error, BoxAnswer::Cancel);
    QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
    ASSERT_TRUE(desktop.ended);
    EXPECT_TRUE(main().recovery().pending()) << "ended before the timer";
    startup.reset();
    EXPECT_EQ(Kept(), QStringLiteral("select * from dept"));
}

TEST_F(EditorRecoveryTest, SteadyTypingIsKeptWhileItGoesOn)
{
    start();
    logIntoSample();
    editor().setFocus();
    // A key every half second never leaves the quiet interval: the text is still written within
    // the latest interval of the first unwritten key.
    QElapsedTimer typing;
    typing.start();
    bool keptWhileTyping = false;
    while (typing.elapsed() < 3 * EditorRecovery::kLatestMs && !keptWhileTyping) {
        type(QStringLiteral("x"));
        QTest::qWait(EditorRecovery::kQuietMs / 4);
        keptWhileTyping = Kept().startsWith(QStringLiteral("x"));
    }
    EXPECT_TRUE(keptWhileTyping);
    EXPECT_TRUE(main().editorText().startsWith(Kept()));
}

TEST_F(EditorRecoveryTest, AFileThatCannotBeWrittenIsSaidOnce)
{
    start();
    logIntoSample();
    // A file where the folder should be.
    const QString folder = RecoveryFile::DefaultFolder();
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    main().setEditorText(QStringLiteral("select 1"));
    main().recovery().writeNow();
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_TRUE(desktop.boxes.back().text.contains(folder)) << desktop.boxes.back().text.toStdString();
    main().setEditorText(QStringLiteral("select 2"));
    main().recovery().writeNow();
    EXPECT_EQ(desktop.boxes.size(), 1u) << "not again while it keeps failing";
    EXPECT_EQ(main().editorText(), QStringLiteral("select 2")) << "the editor keeps its text";

    // Once it works again, a new failure is said again.
    ASSERT_TRUE(QFile::remove(folder));
    main().setEditorText(QStringLiteral("select 3"));
    main().recovery().writeNow();
    EXPECT_EQ(Kept(), QStringLiteral("select 3"));
    // A folder where the file should be.
    const QString path = main().recovery().path();
    ASSERT_TRUE(QFile::remove(path) && QDir().mkpath(path));
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    main().setEditorText(QStringLiteral("select 4"));
    main().recovery().writeNow();
    EXPECT_EQ(desktop.boxes.size(), 2u);
    ASSERT_TRUE(QDir().rmdir(path));
    desktop.verify();
}

TEST_F(EditorRecoveryTest, KeysExecuteThroughTheRealWindows)
{
    start();
    logIntoSample();
    TFRM_QueryTool& window = main();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    editor().setFocus();
    type(QStringLiteral("select empno from emp where deptno = 10"));
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_F5), QKeyCombination(Qt::CTRL | Qt::Key_Return)}) {
        // The window manager gives the main window back the keyboard when the result window goes.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        editor().setFocus();
        QString totalRecords;
        WhenModal([&](QWidget* modal) {
            totalRecords = ctx.query->EDT_TotalRecords->text();
            ctx.query->BBN_Close->click();
            (void)modal;
        });
        QTest::keyClick(&editor(), key.key(), key.keyboardModifiers());
        EXPECT_GT(totalRecords.toInt(), 0) << QKeySequence(key).toString().toStdString();
    }
    EXPECT_EQ(main().editorText(), QStringLiteral("select empno from emp where deptno = 10"));
}

#ifdef VEMRA_RECOVERY_TYPIST
TEST_F(EditorRecoveryTest, TextSurvivesAKill)
{
    const QStringList lines{QStringLiteral("select ename, sal"), QStringLiteral("from emp -- Zürich"),
                            QStringLiteral("where sal > 1000")};
    QProcess typist;
    ASSERT_EQ(StartTypist(typist, lines), QByteArray("kept\n"));
    // As a crash would: no handler of the program runs.
    typist.kill();
    ASSERT_TRUE(typist.waitForFinished());
    EXPECT_EQ(typist.exitStatus(), QProcess::CrashExit);

    start();
    EXPECT_TRUE(editor().document()->isEmpty());
    logIntoSample();
    EXPECT_EQ(main().editorText(), lines.join(u'\n'));
}

TEST_F(EditorRecoveryTest, TwoCopiesOneKilledTheOtherClearedBothTextsComeBack)
{
    QProcess a;
    ASSERT_EQ(StartTypist(a, {QStringLiteral("select 'A'")}), QByteArray("kept\n"));
    QProcess b;
    ASSERT_EQ(StartTypist(b, {}), QByteArray("ready\n"));
    EXPECT_EQ(Ask(b, "show"), QByteArray("text")) << "A's text is A's while A runs";
    ASSERT_EQ(Ask(b, "type select 'B'"), QByteArray("kept"));
    EXPECT_EQ(KeptTexts().size(), 2);

    // A third copy, here, while both run: it takes neither text.
    start();
    logIntoSample();
    EXPECT_EQ(main().editorText(), QString());
    startup.reset();

    a.kill();
    ASSERT_TRUE(a.waitForFinished());
    ASSERT_EQ(a.exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(Ask(b, "clear"), QByteArray("cleared"));
    EXPECT_EQ(KeptTexts(), QStringList{QStringLiteral("select 'A'")}) << "B's clearing leaves A's text";
    ASSERT_EQ(Ask(b, "type select 'B2'"), QByteArray("kept"));
    b.terminate();
    ASSERT_TRUE(b.waitForFinished(60'000));
    EXPECT_EQ(b.exitCode(), 0);

    // The newest into the editor, the other one said.
    desktop.expectBox(BoxKind::Information, MoreKept(1), BoxAnswer::Ok);
    start();
    logIntoSample();
    QTest::qWait(1); // the box comes once the window is up
    EXPECT_EQ(main().editorText(), QStringLiteral("select 'B2'"));
    QStringList texts = KeptTexts();
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("select 'A'"), QStringLiteral("select 'B2'")}));
    desktop.verify();

    // The text put back is this copy's now: what is typed replaces it, beside A's.
    editor().setFocus();
    type(QStringLiteral(" -- more"));
    main().recovery().writeNow();
    texts = KeptTexts();
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("select 'A'"), QStringLiteral("select 'B2' -- more")}));

    // Ended again: the same two, not a third.
    startup.reset();
    desktop.expectBox(BoxKind::Information, MoreKept(1), BoxAnswer::Ok);
    start();
    logIntoSample();
    QTest::qWait(1);
    EXPECT_EQ(main().editorText(), QStringLiteral("select 'B2' -- more"));
    EXPECT_EQ(KeptTexts().size(), 2);
    desktop.verify();
}

TEST_F(EditorRecoveryTest, TextIsKeptWhenTheProgramIsAskedToEnd)
{
    QProcess typist;
    ASSERT_EQ(StartTypist(typist, {QStringLiteral("--no-wait"), QStringLiteral("select 'at logout'")}),
              QByteArray("typed\n"));
    // Well within the quiet interval: only the end of the run can have written the text.
    EXPECT_EQ(Kept(), QString());
    typist.terminate();
    ASSERT_TRUE(typist.waitForFinished(60'000));
    EXPECT_EQ(typist.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(typist.exitCode(), 0);
    EXPECT_EQ(Kept(), QStringLiteral("select 'at logout'"));
}
#endif

} // namespace
