#include "app/EditorRecovery.h"
#include "ProgramFixture.h"
#include "app/RecoveryFile.h"
#include "query/query.h"
#include "support/ModalAnswer.h"

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

/// What the recovery file holds now ("" when there is none).
QString Kept()
{
    return RecoveryFile::Read(RecoveryFile::DefaultPath()).value_or(QString());
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
    EXPECT_FALSE(QFileInfo::exists(RecoveryFile::DefaultPath())) << "an empty editor keeps nothing";

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
    ASSERT_EQ(::stat(QFile::encodeName(RecoveryFile::DefaultPath()).constData(), &info), 0);
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
    EXPECT_FALSE(QFileInfo::exists(RecoveryFile::DefaultPath()));
    desktop.verify();
}

TEST_F(EditorRecoveryTest, NothingIsTouchedBeforeTheLogin)
{
    RecoveryFile::Write(RecoveryFile::DefaultPath(), QStringLiteral("select 'last run'"));
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
    RecoveryFile::Write(RecoveryFile::DefaultPath(), QStringLiteral("select 'last run'"));
    start();
    main().setEditorText(QStringLiteral("select 'mine'"));
    logIntoSample();
    EXPECT_EQ(main().editorText(), QStringLiteral("select 'mine'"));
    // And it is what the next start gets back.
    EXPECT_TRUE(KeptSoon(QStringLiteral("select 'mine'")));
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
    // A folder where the file should be.
    const QString path = RecoveryFile::DefaultPath();
    ASSERT_TRUE(QDir().mkpath(path));

    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    main().setEditorText(QStringLiteral("select 1"));
    main().recovery().writeNow();
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_TRUE(desktop.boxes.back().text.contains(path)) << desktop.boxes.back().text.toStdString();
    main().setEditorText(QStringLiteral("select 2"));
    main().recovery().writeNow();
    EXPECT_EQ(desktop.boxes.size(), 1u) << "not again while it keeps failing";
    EXPECT_EQ(main().editorText(), QStringLiteral("select 2")) << "the editor keeps its text";

    // Once it works again, a new failure is said again.
    ASSERT_TRUE(QDir().rmdir(path));
    main().setEditorText(QStringLiteral("select 3"));
    main().recovery().writeNow();
    EXPECT_EQ(Kept(), QStringLiteral("select 3"));
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
