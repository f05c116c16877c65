// Hostile SQL files in the running program: a one-line file of 5 MB loaded while the window goes
// on painting, then edited and executed; characters the editor's document uses for itself; and
// files that are no regular files.
#include "ProgramFixture.h"

#include "app/EditorDocument.h"
#include "app/StatusPanels.h"
#include "query/ResultGridModel.h"
#include "query/query.h"
#include "support/ModalAnswer.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolButton>

#include <sys/stat.h>

#include <vector>

namespace {

/// Counts the paint events of a widget that arrive while the busy cursor is up.
class PaintsWhileBusy final : public QObject
{
public:
    PaintsWhileBusy(QWidget& watched, const ScriptedDesktop& desktop) : m_desktop(desktop)
    {
        watched.installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_desktop.busyDepth > 0)
            ++count;
        return false;
    }

private:
    const ScriptedDesktop& m_desktop;
};

class LongLineTest : public ProgramTest
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        start();
        logIntoSample();
        ASSERT_TRUE(main().isVisible());
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = home.path() + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    void load(const QString& path)
    {
        desktop.expectOpenFile(path);
        main().BBN_LoadSQL->click();
        desktop.verify();
    }
    /// The first row of the statement in the editor, as the result window shows it.
    QStringList executeFirstRow()
    {
        QStringList row;
        WhenModal([&](QWidget*) {
            const ResultGridModel& model = ctx.query->gridModel();
            for (int c = 0; c < model.columnCount(); ++c)
                row << model.data(model.index(0, c)).toString();
            ctx.query->BBN_Close->click();
        });
        main().BBN_ExecuteSQL->click();
        return row;
    }
};

TEST_F(LongLineTest, AFiveMegabyteLineLoadsWhileTheWindowPaintsAndRunsWhole)
{
    // Mostly one literal without a blank, the hardest line to wrap.
    const QByteArray literal = QByteArray("0123456789abcdef").repeated(5'000'000 / 16);
    const QByteArray line = "select deptno, '" + literal + "' as x from dept where deptno = 1";
    const QString path = writeFile(QStringLiteral("long.SQL"), line + "\r\n");

    // A clock that wants the window repainted all the time; paints reach it only when the load
    // lets the event loop run.
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &main(), [&] { main().SBR_QueryTool->update(); });
    ticker.start(0);
    PaintsWhileBusy paints(*main().SBR_QueryTool, desktop);
    load(path);
    ticker.stop();
    EXPECT_GT(paints.count, 0) << "the window painted while the file came in";
    EXPECT_EQ(main().REDT_QueryTool->document()->blockCount(), 1);
    EXPECT_TRUE(main().editorText() == QString::fromLatin1(line));

    // Typing at the end of the line, then running it: the literal reaches the engine whole.
    main().REDT_QueryTool->moveCursor(QTextCursor::End);
    QTest::keyClicks(main().REDT_QueryTool, QStringLiteral("0"));
    const QStringList row = executeFirstRow();
    ASSERT_EQ(row.size(), 2);
    EXPECT_EQ(row[0], QStringLiteral("10"));
    EXPECT_TRUE(row[1] == QString::fromLatin1(literal)) << "a cell of " << row[1].size() << " characters";
}

TEST_F(LongLineTest, CharactersTheEditorUsesForItselfSurviveLoadSaveAndExecution)
{
    const QString odd = QStringLiteral("a\u2029b\uFDD0c\uFDD1d\u2028e");
    const QByteArray bytes = "select '" + odd.toUtf8() + "' as x from dept where deptno = 10\r\n";
    load(writeFile(QStringLiteral("odd.SQL"), bytes));
    EXPECT_EQ(main().REDT_QueryTool->document()->blockCount(), 1) << "one line, as in the file";
    const QString saved = home.path() + QStringLiteral("/saved.SQL");
    desktop.expectSaveFile(saved);
    main().BBN_SaveSQL->click();
    desktop.verify();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_EQ(executeFirstRow(), QStringList{odd});
}

/// Watches every layout of the editor's text: a line longer than the long-line length laid out at
/// word boundaries takes time that grows with the square of its length.
class SlowLayoutWatch final
{
public:
    explicit SlowLayoutWatch(QPlainTextEdit& editor) : m_editor(editor)
    {
        QObject::connect(editor.document()->documentLayout(), &QAbstractTextDocumentLayout::update, &editor,
                         [this] { look(); });
        QObject::connect(editor.document(), &QTextDocument::contentsChange, &editor, [this] { look(); });
    }
    int slowLayouts = 0;

private:
    void look()
    {
        if (m_editor.wordWrapMode() == QTextOption::WrapAnywhere ||
            m_editor.lineWrapMode() == QPlainTextEdit::NoWrap)
            return;
        for (QTextBlock b = m_editor.document()->begin(); b.isValid(); b = b.next()) {
            if (b.length() > EditorDocument::kLongLine) {
                ++slowLayouts;
                return;
            }
        }
    }
    QPlainTextEdit& m_editor;
};

enum class Step
{
    LoadLong,
    LoadShort,
    LoadMixed, ///< a short line, then a long one
    Clear,
    Undo,
    Type,
};

struct StepSequence
{
    const char* what;
    std::vector<Step> steps;
};

void PrintTo(const StepSequence& sequence, std::ostream* out)
{
    *out << sequence.what;
}

class LongLineSequenceTest : public LongLineTest, public ::testing::WithParamInterface<StepSequence>
{
};

TEST_P(LongLineSequenceTest, ALongLineIsNeverLaidOutAtWordBoundaries)
{
    const QByteArray longLine = "select '" + QByteArray("0123456789abcdef").repeated(2'000) + "' as x";
    const QString longFile = writeFile(QStringLiteral("long.SQL"), longLine + "\r\n");
    const QString shortFile = writeFile(QStringLiteral("short.SQL"), "select 1\r\nfrom dept\r\n");
    const QString mixedFile = writeFile(QStringLiteral("mixed.SQL"), "select 1,\r\n" + longLine + "\r\n");
    QPlainTextEdit& editor = *main().REDT_QueryTool;
    editor.setFocus();
    const SlowLayoutWatch watch(editor);
    QString expected;
    for (const Step step : GetParam().steps) {
        switch (step) {
        case Step::LoadLong:
            load(longFile);
            expected = QString::fromLatin1(longLine);
            break;
        case Step::LoadShort:
            load(shortFile);
            expected = QStringLiteral("select 1\nfrom dept");
            break;
        case Step::LoadMixed:
            load(mixedFile);
            expected = QStringLiteral("select 1,\n") + QString::fromLatin1(longLine);
            break;
        case Step::Clear:
            main().BBN_ClearScreen->click();
            expected.clear();
            break;
        case Step::Undo:
            QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
            expected = main().editorText();
            break;
        case Step::Type:
            editor.moveCursor(QTextCursor::End);
            QTest::keyClicks(&editor, QStringLiteral(" x"));
            expected += QStringLiteral(" x");
            break;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(main().editorText(), expected);
    }
    EXPECT_EQ(watch.slowLayouts, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, LongLineSequenceTest,
    ::testing::Values(StepSequence{"LongThenShort", {Step::LoadLong, Step::LoadShort}},
                      StepSequence{"MixedThenShort",
                                   {Step::LoadMixed, Step::LoadShort, Step::LoadLong, Step::LoadShort}},
                      StepSequence{"TypedClearedUndone",
                                   {Step::LoadLong, Step::Type, Step::Undo, Step::Clear, Step::Undo,
                                    Step::LoadShort, Step::Type, Step::Undo}},
                      StepSequence{"ShortLongShort",
                                   {Step::LoadShort, Step::LoadLong, Step::Clear, Step::Type, Step::LoadLong,
                                    Step::LoadShort}}),
    [](const ::testing::TestParamInfo<StepSequence>& info) { return info.param.what; });

TEST_F(LongLineTest, WhatIsNoRegularFileIsRefusedByName)
{
    main().setEditorText(QStringLiteral("select 1"));
    const QString fifo = home.path() + QStringLiteral("/pipe.SQL");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = home.path() + QStringLiteral("/folder.SQL");
    QDir().mkpath(folder);
    // /dev/zero and the pipe last: read as files, they never end.
    for (const QString& path : {folder, QStringLiteral("/dev/null"), QStringLiteral("/dev/zero"), fifo}) {
        if (HasFailure())
            break;
        SCOPED_TRACE(path.toStdString());
        desktop.expectBox(BoxKind::Error,
                          QStringLiteral("Cannot open file %1: it is not a regular file").arg(path),
                          BoxAnswer::Ok);
        load(path);
        EXPECT_EQ(main().editorText(), QStringLiteral("select 1")) << "the editor keeps its text";
        EXPECT_EQ(desktop.busyDepth, 0);
    }
}

} // namespace
