// Keys in the real main window and its find and replace dialogs, pressed where the keyboard is,
// as a person presses them: none of them may change the SQL unless it is meant to.
#include "ProgramFixture.h"
#include "app/FindDialog.h"
#include "app/ReplaceDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString kRepeat = QStringLiteral("Search string not found.\rRepeat search again?");
const QString kSql = QStringLiteral("select empno from emp\nwhere empno in (select mgr from emp)");

class FindKeysTest : public ProgramTest
{
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        start();
        logIntoSample();
        ASSERT_TRUE(main().isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
        editor().setPlainText(kSql);
        editor().setFocus();
    }

    QPlainTextEdit& editor() const { return *main().REDT_QueryTool; }
    template <typename Dialog> Dialog& dialog(const char* name) const
    {
        auto* found = editor().findChild<Dialog*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    /// A key as the user presses it: to whatever has the keyboard.
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
        // What the key set off (an activation, a focus change) lands before the next key, as it
        // does between a person's keys.
        QTest::qWait(20);
    }
    static void typeText(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    bool activeSoon(QWidget& window) const
    {
        return QTest::qWaitFor([&window] { return QApplication::activeWindow() == &window; });
    }
    std::pair<int, int> selection() const
    {
        const QTextCursor c = editor().textCursor();
        return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    }
};

TEST_F(FindKeysTest, ReturnInFindWalksTheHitsAndLeavesTheTextAsItWas)
{
    press(Qt::Key_F, Qt::ControlModifier);
    auto& find = dialog<FindDialog>("FDI_Vemra");
    ASSERT_TRUE(find.isVisible());
    ASSERT_TRUE(activeSoon(find));
    typeText(QStringLiteral("emp"));
    for (const int start : {7, 18, 28, 54}) {
        press(Qt::Key_Return);
        EXPECT_EQ(selection(), std::make_pair(start, 3));
        EXPECT_EQ(QApplication::activeWindow(), &find) << "the keyboard stays in the dialog";
    }
    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::No);
    press(Qt::Key_Return);
    EXPECT_EQ(editor().toPlainText(), kSql);
    desktop.verify();
}

TEST_F(FindKeysTest, AltLettersInReplacePressItsButtonsAndTypeNothing)
{
    press(Qt::Key_R, Qt::ControlModifier);
    auto& replace = dialog<ReplaceDialog>("RDI_Vemra");
    ASSERT_TRUE(activeSoon(replace));
    typeText(QStringLiteral("empno"));
    press(Qt::Key_Tab);
    typeText(QStringLiteral("ename"));

    // A button pressed by its letter clicks a moment later, as it shows itself pressed.
    press(Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return selection() == std::make_pair(7, 5); })) << "Find Next";
    press(Qt::Key_R, Qt::AltModifier);
    const QString once = QStringLiteral("select ename from emp\nwhere empno in (select mgr from emp)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return editor().toPlainText() == once; }))
        << editor().toPlainText().toStdString();
    EXPECT_EQ(selection(), std::make_pair(28, 5)) << "the next one selected";
    // The last one replaced, there is no next one.
    desktop.expectBox(BoxKind::Confirmation, kRepeat, BoxAnswer::No);
    press(Qt::Key_R, Qt::AltModifier);
    const QString twice = QStringLiteral("select ename from emp\nwhere ename in (select mgr from emp)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return editor().toPlainText() == twice; }))
        << editor().toPlainText().toStdString();
    EXPECT_EQ(QApplication::activeWindow(), &replace);
    desktop.verify();
}

TEST_F(FindKeysTest, AltCombinationsNobodyUsesLeaveTheTextAsItIs)
{
    struct Case
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString expected;
    };
    const QString end = kSql;
    const Case cases[] = {
        {Qt::Key_X, Qt::AltModifier, end},
        {Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier, end},
        {Qt::Key_K, Qt::AltModifier | Qt::ControlModifier, end},
        {Qt::Key_J, Qt::ControlModifier, end},
        {Qt::Key_1, Qt::AltModifier, end},
        {Qt::Key_Space, Qt::AltModifier, end},
        // Letters without Alt or Ctrl still type, and the editor's own Ctrl keys still work.
        {Qt::Key_Z, Qt::NoModifier, end + u'z'},
        {Qt::Key_Z, Qt::ControlModifier, end},
    };
    for (const Case& c : cases) {
        editor().setPlainText(kSql);
        editor().moveCursor(QTextCursor::End);
        editor().setFocus();
        press(c.key, c.modifiers);
        EXPECT_EQ(editor().toPlainText().toStdString(), c.expected.toStdString())
            << QKeySequence(c.key | c.modifiers).toString().toStdString();
        if (c.key == Qt::Key_Z && c.modifiers == Qt::NoModifier) {
            press(Qt::Key_Z, Qt::ControlModifier);
            EXPECT_EQ(editor().toPlainText(), kSql) << "Ctrl+Z undoes";
        }
    }
}

TEST_F(FindKeysTest, TheEditorHasTheKeyboardWhenADialogCloses)
{
    struct Way
    {
        const char* name;
        std::function<void(QDialog&)> close;
    };
    const Way ways[] = {
        {"Cancel",
         [](QDialog& d) { QTest::mouseClick(d.findChild<QPushButton*>("BTN_Cancel"), Qt::LeftButton); }},
        {"Escape", [](QDialog&) { press(Qt::Key_Escape); }},
        {"title bar", [](QDialog& d) { d.close(); }},
    };
    for (const Way& way : ways) {
        for (const Qt::Key command : {Qt::Key_F, Qt::Key_R}) {
            editor().moveCursor(QTextCursor::Start);
            // Wherever the keyboard was before, the editor has it after.
            main().BBN_ClearScreen->setFocus();
            press(command, Qt::ControlModifier);
            QDialog& open = command == Qt::Key_F ? static_cast<QDialog&>(dialog<FindDialog>("FDI_Vemra"))
                                                 : dialog<ReplaceDialog>("RDI_Vemra");
            ASSERT_TRUE(activeSoon(open)) << way.name;
            typeText(QStringLiteral("from"));
            // Return finds, also when the dialog was last closed by a click on Cancel.
            press(Qt::Key_Return);
            EXPECT_EQ(selection(), std::make_pair(13, 4)) << way.name;
            ASSERT_EQ(QApplication::activeWindow(), &open) << way.name;
            way.close(open);
            EXPECT_FALSE(open.isVisible()) << way.name;
            EXPECT_TRUE(activeSoon(main())) << way.name;
            EXPECT_EQ(QApplication::focusWidget(), &editor()) << way.name;
        }
    }
    EXPECT_EQ(editor().toPlainText(), kSql);
}

TEST_F(FindKeysTest, TheHitIsShownInTheActiveColoursWhileTheDialogHasTheKeyboard)
{
    // A theme that greys an inactive selection out, as many do.
    QPalette theme = editor().palette();
    theme.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0xc0, 0xc0, 0xc0));
    theme.setColor(QPalette::Active, QPalette::Highlight, QColor(0x20, 0x40, 0xe0));
    editor().setPalette(theme);
    // The lines after the hit push it out of sight first.
    editor().setPlainText(QString(200, u'\n') + QStringLiteral("needle"));
    editor().moveCursor(QTextCursor::Start);

    press(Qt::Key_F, Qt::ControlModifier);
    auto& find = dialog<FindDialog>("FDI_Vemra");
    ASSERT_TRUE(activeSoon(find));
    typeText(QStringLiteral("needle"));
    press(Qt::Key_Return);
    ASSERT_EQ(selection(), std::make_pair(200, 6));
    EXPECT_FALSE(editor().hasFocus());

    const QRect hit = editor().cursorRect();
    ASSERT_TRUE(editor().viewport()->rect().contains(hit.center())) << "scrolled into view";
    const QImage shown = editor().viewport()->grab().toImage();
    const QPoint inside(hit.left() - 3, hit.top() + 1);
    EXPECT_EQ(QColor(shown.pixel(inside)), QColor(0x20, 0x40, 0xe0));
}

} // namespace
