#include "app/EditorFindReplace.h"
#include "app/FindDialog.h"
#include "app/ReplaceDialog.h"
#include "platform/AppContext.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString kRepeat = QStringLiteral("Search string not found.\rRepeat search again?");

class EditorFindReplaceTest : public GuiTest
{
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        editor = new QPlainTextEdit(window.get());
        (new QVBoxLayout(window.get()))->addWidget(editor);
        commands = std::make_unique<EditorFindReplace>(ctx, *editor);
    }
    void TearDown() override
    {
        commands.reset();
        window.reset();
    }

    template <typename T> T* in(QWidget& dialog, const char* name)
    {
        T* child = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void click(QWidget& dialog, const char* button) { in<QPushButton>(dialog, button)->click(); }
    void type(QWidget& dialog, const char* field, const QString& text)
    {
        QLineEdit* edit = in<QLineEdit>(dialog, field);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    /// The selection as (start, length).
    std::pair<int, int> selection() const
    {
        const QTextCursor c = editor->textCursor();
        return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    }
    QString stored(const QString& key) const
    {
        return SettingsStore().ReadText(Schema::Section::Dialogs, key, QStringLiteral("<missing>"));
    }

    std::unique_ptr<QWidget> window;
    QPlainTextEdit* editor = nullptr;
    std::unique_ptr<EditorFindReplace> commands;
};

} // namespace

TEST_F(EditorFindReplaceTest, FindNextWalksTheOccurrencesThenAsksToRepeat)
{
    editor->setPlainText(QStringLiteral("select a from t;\nSELECT b; select c"));
    commands->MI_FindClick();
    FindDialog& dialog = commands->findDialog();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.objectName(), QStringLiteral("FDI_Vemra"));
    EXPECT_FALSE(in<QPushButton>(dialog, "BTN_FindNext")->isEnabled()) << "nothing to find yet";

    type(dialog, "EDT_FindWhat", QStringLiteral("select"));
    click(dialog, "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(0, 6));
    EXPECT_NE(window->focusWidget(), editor) << "the keyboard is not taken from the dialog";
    click(dialog, "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(17, 6))
        << "SELECT on the second line, the line break one character";
    EXPECT_EQ(editor->textCursor().selectedText(), QStringLiteral("SELECT"));
    click(dialog, "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(27, 6));

    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::Yes);
    click(dialog, "BTN_FindNext");
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Confirmation);
    EXPECT_EQ(desktop.boxes[0].text, kRepeat);
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::YesNoCancel);
    EXPECT_EQ(selection(), std::make_pair(0, 6)) << "Yes starts again at the first";
    EXPECT_EQ(commands->occurrenceCounter(), 1);

    EXPECT_EQ(stored(Schema::Dialogs::FindDialogText), QStringLiteral("select"));
    EXPECT_EQ(stored(Schema::Dialogs::FindDialogMatchCase), QStringLiteral("0"));
    EXPECT_EQ(stored(Schema::Dialogs::FindDialogWholeWord), QStringLiteral("0"));
    EXPECT_EQ(stored(Schema::Dialogs::FindDialogFromTop), QStringLiteral("1"));
}

TEST_F(EditorFindReplaceTest, NoOrCancelToTheQuestionEndsTheSearch)
{
    for (const BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Cancel, BoxAnswer::Closed}) {
        editor->setPlainText(QStringLiteral("only one x"));
        commands->MI_FindClick();
        type(commands->findDialog(), "EDT_FindWhat", QStringLiteral("x"));
        click(commands->findDialog(), "BTN_FindNext");
        ASSERT_EQ(selection(), std::make_pair(9, 1));
        desktop.boxes.clear();
        desktop.expectBox(BoxKind::Confirmation, kRepeat, answer);
        click(commands->findDialog(), "BTN_FindNext");
        EXPECT_EQ(desktop.boxes.size(), 1u);
        EXPECT_EQ(selection(), std::make_pair(9, 1)) << "the selection stays";
        EXPECT_EQ(commands->occurrenceCounter(), 2) << "the counter is only reset by Yes";
    }
}

TEST_F(EditorFindReplaceTest, SearchingUpStartsAtTheEndAndIsStoredAsNotFromTop)
{
    editor->setPlainText(QStringLiteral("ab ab\nab"));
    commands->MI_FindClick();
    FindDialog& dialog = commands->findDialog();
    type(dialog, "EDT_FindWhat", QStringLiteral("AB"));
    in<QRadioButton>(dialog, "RGB_Direction_Up")->click();
    click(dialog, "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(6, 2));
    click(dialog, "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(3, 2));
    EXPECT_EQ(stored(Schema::Dialogs::FindDialogFromTop), QStringLiteral("0"));
}

TEST_F(EditorFindReplaceTest, FindLoadsTheStoredTextAndOptionsAndCountsAfresh)
{
    {
        SettingsStore store;
        store.WriteText(Schema::Section::Dialogs, Schema::Dialogs::FindDialogText, QStringLiteral("from"));
        store.WriteFlag(Schema::Section::Dialogs, Schema::Dialogs::FindDialogMatchCase, true);
        store.WriteFlag(Schema::Section::Dialogs, Schema::Dialogs::FindDialogWholeWord, true);
        store.WriteFlag(Schema::Section::Dialogs, Schema::Dialogs::FindDialogFromTop, false);
    }
    editor->setPlainText(QStringLiteral("from FROM from"));
    commands->MI_FindNextClick();
    commands->MI_FindClick();
    const FindDialog& dialog = commands->findDialog();
    EXPECT_EQ(in<QLineEdit>(commands->findDialog(), "EDT_FindWhat")->text(), QStringLiteral("from"));
    EXPECT_TRUE(dialog.matchCase());
    EXPECT_TRUE(dialog.wholeWord());
    EXPECT_FALSE(dialog.down());
    EXPECT_EQ(commands->occurrenceCounter(), 0);
    click(commands->findDialog(), "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(10, 4));
}

TEST_F(EditorFindReplaceTest, F3OnAFreshStoreSearchesForNothingAndAsksAgainOnYes)
{
    editor->setPlainText(QStringLiteral("some text"));
    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::Yes);
    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::No);
    commands->MI_FindNextClick();
    ASSERT_EQ(desktop.boxes.size(), 2u);
    EXPECT_EQ(desktop.boxes[1].text, kRepeat);
    EXPECT_FALSE(editor->textCursor().hasSelection());
    EXPECT_FALSE(commands->findDialog().isVisible());
}

TEST_F(EditorFindReplaceTest, F3UsesTheFindDialogSettingsAndTheSharedCounter)
{
    {
        SettingsStore store;
        store.WriteText(Schema::Section::Dialogs, Schema::Dialogs::FindDialogText, QStringLiteral("b"));
        store.WriteText(Schema::Section::Dialogs, Schema::Dialogs::ReplaceDialogText, QStringLiteral("a"));
    }
    editor->setPlainText(QStringLiteral("a b a b"));
    commands->MI_FindNextClick();
    EXPECT_EQ(selection(), std::make_pair(2, 1)) << "a fresh program finds the first occurrence";

    commands->MI_ReplaceClick();
    click(commands->replaceDialog(), "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(0, 1));
    commands->MI_FindNextClick();
    EXPECT_EQ(selection(), std::make_pair(6, 1))
        << "the replace dialog's search raised the shared counter to 1";
    EXPECT_EQ(stored(Schema::Dialogs::FindDialogText), QStringLiteral("b"));
}

TEST_F(EditorFindReplaceTest, EditingDoesNotResetTheCounter)
{
    editor->setPlainText(QStringLiteral("x x x"));
    commands->MI_FindClick();
    type(commands->findDialog(), "EDT_FindWhat", QStringLiteral("x"));
    click(commands->findDialog(), "BTN_FindNext");
    editor->setPlainText(QStringLiteral("y x x x"));
    click(commands->findDialog(), "BTN_FindNext");
    EXPECT_EQ(selection(), std::make_pair(4, 1)) << "occurrence 2 of the changed text";
}

TEST_F(EditorFindReplaceTest, PositionsFollowTheEditorsOwnCharacters)
{
    // A no-break space is no word bound, and a Shift+Enter line separator is one character.
    QTextCursor cursor(editor->document());
    cursor.insertText(QStringLiteral("a\u00a0b c"));
    cursor.insertText(QString(QChar::LineSeparator));
    cursor.insertText(QStringLiteral("b\nb"));
    {
        SettingsStore store;
        store.WriteText(Schema::Section::Dialogs, Schema::Dialogs::FindDialogText, QStringLiteral("b"));
        store.WriteFlag(Schema::Section::Dialogs, Schema::Dialogs::FindDialogWholeWord, true);
    }
    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::No);
    commands->MI_FindNextClick();
    EXPECT_EQ(desktop.boxes.size(), 1u) << "no b is bounded by spaces";

    {
        SettingsStore store;
        store.WriteFlag(Schema::Section::Dialogs, Schema::Dialogs::FindDialogWholeWord, false);
    }
    commands->MI_FindClick();
    for (const int expected : {2, 6, 8}) {
        click(commands->findDialog(), "BTN_FindNext");
        EXPECT_EQ(selection(), std::make_pair(expected, 1));
        EXPECT_EQ(editor->textCursor().selectedText(), QStringLiteral("b"));
    }
}

TEST_F(EditorFindReplaceTest, ReplaceReplacesTheSelectedOccurrenceAndSelectsTheNext)
{
    editor->setPlainText(QStringLiteral("x x x"));
    commands->MI_ReplaceClick();
    ReplaceDialog& dialog = commands->replaceDialog();
    ASSERT_TRUE(dialog.isVisible());
    type(dialog, "EDT_FindWhat", QStringLiteral("x"));
    type(dialog, "EDT_ReplaceWith", QStringLiteral("yy"));

    click(dialog, "BTN_Replace");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("x x x")) << "nothing was selected";
    EXPECT_EQ(selection(), std::make_pair(0, 1));
    click(dialog, "BTN_Replace");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("yy x x"));
    EXPECT_EQ(selection(), std::make_pair(3, 1));
    click(dialog, "BTN_Replace");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("yy yy x"));
    EXPECT_TRUE(desktop.boxes.empty());
    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::No);
    click(dialog, "BTN_Replace");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("yy yy yy"));
    EXPECT_EQ(desktop.boxes.size(), 1u) << "the last one replaced, no further one to select";

    EXPECT_EQ(stored(Schema::Dialogs::ReplaceDialogText), QStringLiteral("x"));
    EXPECT_EQ(stored(Schema::Dialogs::ReplaceDialogFromTop), QStringLiteral("1"));
    EXPECT_EQ(stored(Schema::Dialogs::FindDialogText), QStringLiteral("<missing>"));
}

TEST_F(EditorFindReplaceTest, ReplaceComparesTheSelectionUnderTheMatchCaseOption)
{
    editor->setPlainText(QStringLiteral("SELECT 1"));
    commands->MI_ReplaceClick();
    ReplaceDialog& dialog = commands->replaceDialog();
    type(dialog, "EDT_FindWhat", QStringLiteral("select"));
    type(dialog, "EDT_ReplaceWith", QStringLiteral("select"));
    click(dialog, "BTN_FindNext");
    click(dialog, "BTN_Replace");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select 1")) << "found in another case, so replaced";

    editor->setPlainText(QStringLiteral("SELECT 1"));
    in<QCheckBox>(dialog, "CHK_MatchCase")->click();
    editor->selectAll();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::No);
    click(dialog, "BTN_Replace");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("SELECT 1"));
}

TEST_F(EditorFindReplaceTest, ReplaceAllOfXByXxReportsTwoAndIsOneUndoStep)
{
    editor->setPlainText(QStringLiteral("x x"));
    commands->MI_ReplaceClick();
    ReplaceDialog& dialog = commands->replaceDialog();
    type(dialog, "EDT_FindWhat", QStringLiteral("x"));
    type(dialog, "EDT_ReplaceWith", QStringLiteral("xx"));
    click(dialog, "BTN_FindNext");
    desktop.expectBox(BoxKind::Information, QStringLiteral("2 replacements of the text have been made."),
                      BoxAnswer::Ok);
    click(dialog, "BTN_ReplaceAll");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("xx xx"));
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Information);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("2 replacements of the text have been made."));
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(commands->occurrenceCounter(), 1) << "Replace All leaves the counter";
    EXPECT_EQ(desktop.busyBegins, 1);
    EXPECT_EQ(desktop.busyDepth, 0);

    editor->undo();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("x x"));
}

TEST_F(EditorFindReplaceTest, ReplaceAllOfAbsentTextSaysSoAndChangesNothing)
{
    editor->setPlainText(QStringLiteral("select 1"));
    commands->MI_ReplaceClick();
    ReplaceDialog& dialog = commands->replaceDialog();
    type(dialog, "EDT_FindWhat", QStringLiteral("insert"));
    type(dialog, "EDT_ReplaceWith", QStringLiteral("x"));
    in<QCheckBox>(dialog, "CHK_WholeWord")->click();
    desktop.expectBox(BoxKind::Error, QStringLiteral("The text to be replaced was not found"), BoxAnswer::Ok);
    click(dialog, "BTN_ReplaceAll");
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("The text to be replaced was not found"));
    EXPECT_EQ(desktop.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select 1"));
    EXPECT_FALSE(editor->document()->isUndoAvailable());
    EXPECT_EQ(stored(Schema::Dialogs::ReplaceDialogText), QStringLiteral("insert"));
    EXPECT_EQ(stored(Schema::Dialogs::ReplaceDialogWholeWord), QStringLiteral("1"));
}

TEST_F(EditorFindReplaceTest, ReplaceAllOfWholeWordsKeepsEveryOtherCharacter)
{
    QTextCursor cursor(editor->document());
    cursor.insertText(QStringLiteral("a a\u00a0x"));
    cursor.insertText(QString(QChar::LineSeparator));
    cursor.insertText(QStringLiteral("q\na a"));
    commands->MI_ReplaceClick();
    ReplaceDialog& dialog = commands->replaceDialog();
    type(dialog, "EDT_FindWhat", QStringLiteral("A"));
    type(dialog, "EDT_ReplaceWith", QStringLiteral("bb"));
    in<QCheckBox>(dialog, "CHK_WholeWord")->click();
    desktop.expectBox(BoxKind::Information, QStringLiteral("2 replacements of the text have been made."),
                      BoxAnswer::Ok);
    click(dialog, "BTN_ReplaceAll");
    EXPECT_EQ(editor->document()->toRawText(), QStringLiteral("bb a\u00a0x\u2028q\u2029a bb"));
    EXPECT_EQ(editor->document()->blockCount(), 2);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].text, QStringLiteral("2 replacements of the text have been made."));
}

TEST_F(EditorFindReplaceTest, AfterAHitTheDialogKeepsTheKeyboardUntilItCloses)
{
    window->resize(600, 400);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    editor->setPlainText(QStringLiteral("select a from t where a = 1 where"));
    FindDialog& find = commands->findDialog();
    ReplaceDialog& replace = commands->replaceDialog();

    const auto inFront = [](QWidget& dialog) {
        QTest::qWait(50); // activations still queued come first
        dialog.activateWindow();
        return QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == &dialog; });
    };
    const auto staysInFront = [](QWidget& dialog) {
        QTest::qWait(50);
        return QApplication::activeWindow() == &dialog;
    };
    commands->MI_FindClick();
    ASSERT_TRUE(inFront(find));
    type(find, "EDT_FindWhat", QStringLiteral("where"));
    click(find, "BTN_FindNext");
    EXPECT_TRUE(staysInFront(find)) << "after Find Next";
    EXPECT_EQ(selection(), std::make_pair(16, 5));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select a from t where a = 1 where"));

    // F3 with the dialog in front.
    commands->MI_FindNextClick();
    EXPECT_TRUE(staysInFront(find)) << "after F3";
    EXPECT_EQ(selection(), std::make_pair(28, 5));

    // Closed, the dialog gives the editor the keyboard.
    click(find, "BTN_Cancel");
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); }));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("WHERE"));
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("select a from t where a = 1 WHERE"));

    // The replace dialog likewise.
    commands->MI_ReplaceClick();
    ASSERT_TRUE(inFront(replace));
    type(replace, "EDT_FindWhat", QStringLiteral("a"));
    type(replace, "EDT_ReplaceWith", QStringLiteral("b"));
    click(replace, "BTN_FindNext");
    click(replace, "BTN_Replace");
    EXPECT_TRUE(staysInFront(replace)) << "after Replace";
    EXPECT_TRUE(editor->toPlainText().startsWith(QStringLiteral("select b from")))
        << editor->toPlainText().toStdString();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); }));
    EXPECT_EQ(QApplication::focusWidget(), editor);
}

TEST_F(EditorFindReplaceTest, DialogsOpenOnTheScreenAndLeaveTheSelectionVisible)
{
    const QRect screen = window->screen()->availableGeometry();
    window->setGeometry(screen.adjusted(20, 40, -20, -20));
    editor->setPlainText(
        QStringList(60, QStringLiteral("select dname, loc from dept where loc = 'DALLAS' or deptno > 10"))
            .join(u'\n'));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // The hit is in the middle of the window, where a dialog opens.
    QTextCursor middle = editor->cursorForPosition(editor->viewport()->rect().center());
    const int hitLine = middle.blockNumber();
    middle.insertText(QStringLiteral(" needle "));
    const auto selectionOnScreen = [this] {
        QTextCursor start = editor->textCursor();
        QTextCursor end = start;
        start.setPosition(start.selectionStart());
        end.setPosition(end.selectionEnd());
        const QRect area = editor->cursorRect(start).united(editor->cursorRect(end));
        return QRect(editor->viewport()->mapToGlobal(area.topLeft()), area.size());
    };

    // Opened over the middle of the window it would cover the hit: it moves beside it.
    commands->MI_FindClick();
    FindDialog& find = commands->findDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&find));
    type(find, "EDT_FindWhat", QStringLiteral("needle"));
    click(find, "BTN_FindNext");
    ASSERT_EQ(editor->textCursor().blockNumber(), hitLine);
    QTest::qWait(50);
    EXPECT_FALSE(find.frameGeometry().intersects(selectionOnScreen()));
    EXPECT_TRUE(screen.contains(find.frameGeometry()));

    // A dialog opened while the text is selected opens beside it at once.
    commands->MI_ReplaceClick();
    ReplaceDialog& replace = commands->replaceDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&replace));
    QTest::qWait(50);
    EXPECT_FALSE(replace.frameGeometry().intersects(selectionOnScreen()));
    EXPECT_TRUE(screen.contains(replace.frameGeometry()));
}

TEST_F(EditorFindReplaceTest, DialogsHideOnCancelAndEscape)
{
    commands->MI_FindClick();
    click(commands->findDialog(), "BTN_Cancel");
    EXPECT_FALSE(commands->findDialog().isVisible());
    commands->MI_ReplaceClick();
    QTest::keyClick(&commands->replaceDialog(), Qt::Key_Escape);
    EXPECT_FALSE(commands->replaceDialog().isVisible());
    commands->MI_ReplaceClick();
    commands->replaceDialog().close();
    EXPECT_FALSE(commands->replaceDialog().isVisible());
    EXPECT_TRUE(desktop.boxes.empty());
}

namespace {

/// The object names Tab visits from the find text, once round.
QStringList TabRound(QDialog& dialog)
{
    QStringList names;
    QWidget* start = dialog.findChild<QLineEdit*>(QStringLiteral("EDT_FindWhat"));
    for (QWidget* w = start->nextInFocusChain(); w != start && names.size() < 50; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty())
            names << w->objectName();
    }
    return names;
}

class SearchDialogTest : public GuiTest
{
};

TEST_F(SearchDialogTest, TabFollowsTheFieldsThenTheButtonsAndTheButtonsNeedAFindText)
{
    FindDialog find;
    EXPECT_EQ(TabRound(find), (QStringList{"CHK_WholeWord", "CHK_MatchCase", "RGB_Direction_Up",
                                           "RGB_Direction_Down", "BTN_FindNext", "BTN_Cancel"}));
    ReplaceDialog replace;
    EXPECT_EQ(TabRound(replace),
              (QStringList{"EDT_ReplaceWith", "CHK_WholeWord", "CHK_MatchCase", "BTN_FindNext", "BTN_Replace",
                           "BTN_ReplaceAll", "BTN_Cancel"}));

    const QStringList needText = {"BTN_FindNext", "BTN_Replace", "BTN_ReplaceAll"};
    for (const QString& name : needText)
        EXPECT_FALSE(replace.findChild<QPushButton*>(name)->isEnabled()) << name.toStdString();
    replace.setFindText(QStringLiteral("x"));
    for (const QString& name : needText)
        EXPECT_TRUE(replace.findChild<QPushButton*>(name)->isEnabled()) << name.toStdString();
    EXPECT_TRUE(replace.findChild<QPushButton*>(QStringLiteral("BTN_Cancel"))->isEnabled());
}

} // namespace
