#include "platform/QtDesktop.h"
#include "platform/FileFilter.h"
#include "platform/FontColorDialog.h"
#include "support/GuiApp.h"
#include "support/ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class QtDesktopTest : public ::testing::Test
{
protected:
    void SetUp() override { GuiApp(); }
    QtDesktop desktop{QStringLiteral("VEMRA")};
};

// --- message boxes -------------------------------------------------------------------------

struct BoxCase
{
    BoxKind kind;
    BoxButtons buttons;
    QMessageBox::Icon icon;
    QList<QMessageBox::StandardButton> shown;
    BoxAnswer lastButtonAnswer;
    BoxAnswer escapeAnswer;
};

class MessageBoxTest : public QtDesktopTest, public ::testing::WithParamInterface<BoxCase>
{
};

QList<QMessageBox::StandardButton> ButtonsOf(QMessageBox* box)
{
    QList<QMessageBox::StandardButton> result;
    for (QAbstractButton* button : box->buttons())
        result.append(box->standardButton(button));
    std::sort(result.begin(), result.end());
    return result;
}

TEST_P(MessageBoxTest, ShowsItsKindAndButtonsAndAnswers)
{
    const BoxCase& c = GetParam();
    QList<QMessageBox::StandardButton> expected = c.shown;
    std::sort(expected.begin(), expected.end());

    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("VEMRA"));
        EXPECT_EQ(box->text(), QStringLiteral("Some text"));
        EXPECT_EQ(ButtonsOf(box), expected);
        EXPECT_EQ(box->standardButton(box->defaultButton()), c.shown.front());
        box->button(c.shown.back())->click();
    });
    EXPECT_EQ(desktop.messageBox(c.kind, QStringLiteral("Some text"), c.buttons), c.lastButtonAnswer);

    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(desktop.messageBox(c.kind, QStringLiteral("Some text"), c.buttons), c.escapeAnswer);

    // The title bar's close button: the same as Escape.
    WhenModal([](QWidget* w) { w->close(); });
    EXPECT_EQ(desktop.messageBox(c.kind, QStringLiteral("Some text"), c.buttons), c.escapeAnswer);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MessageBoxTest,
                         ::testing::Values(BoxCase{BoxKind::Information,
                                                   BoxButtons::Ok,
                                                   QMessageBox::Information,
                                                   {QMessageBox::Ok},
                                                   BoxAnswer::Ok,
                                                   BoxAnswer::Closed},
                                           BoxCase{BoxKind::Error,
                                                   BoxButtons::Ok,
                                                   QMessageBox::Critical,
                                                   {QMessageBox::Ok},
                                                   BoxAnswer::Ok,
                                                   BoxAnswer::Closed},
                                           BoxCase{BoxKind::Error,
                                                   BoxButtons::RetryCancel,
                                                   QMessageBox::Critical,
                                                   {QMessageBox::Retry, QMessageBox::Cancel},
                                                   BoxAnswer::Cancel,
                                                   BoxAnswer::Cancel},
                                           BoxCase{BoxKind::Error,
                                                   BoxButtons::Abort,
                                                   QMessageBox::Critical,
                                                   {QMessageBox::Abort},
                                                   BoxAnswer::Abort,
                                                   BoxAnswer::Closed},
                                           BoxCase{BoxKind::Confirmation,
                                                   BoxButtons::YesNo,
                                                   QMessageBox::Question,
                                                   {QMessageBox::Yes, QMessageBox::No},
                                                   BoxAnswer::No,
                                                   BoxAnswer::Closed},
                                           BoxCase{BoxKind::Confirmation,
                                                   BoxButtons::YesNoCancel,
                                                   QMessageBox::Question,
                                                   {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel},
                                                   BoxAnswer::Cancel,
                                                   BoxAnswer::Cancel},
                                           BoxCase{BoxKind::Plain,
                                                   BoxButtons::Ok,
                                                   QMessageBox::NoIcon,
                                                   {QMessageBox::Ok},
                                                   BoxAnswer::Ok,
                                                   BoxAnswer::Closed}));

TEST_F(QtDesktopTest, FirstButtonAnswersAndCarriageReturnBreaksTheLine)
{
    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("Search string not found.\nRepeat search again?"));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(desktop.messageBox(BoxKind::Confirmation,
                                 QStringLiteral("Search string not found.\rRepeat search again?"),
                                 BoxButtons::YesNoCancel),
              BoxAnswer::Yes);

    WhenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Retry)->click(); });
    EXPECT_EQ(desktop.messageBox(BoxKind::Error, QStringLiteral("Invalid Username/Password"),
                                 BoxButtons::RetryCancel),
              BoxAnswer::Retry);
}

// --- input box ---------------------------------------------------------------------------

TEST_F(QtDesktopTest, InputBoxTakesNoMoreThanItsLength)
{
    WhenModal([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Parameter"));
        auto* prompt = w->findChild<QLabel*>(QStringLiteral("LBL_Prompt"));
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("EDT_Value"));
        ASSERT_NE(prompt, nullptr);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(prompt->text(), QStringLiteral("Enter a value for ID"));
        EXPECT_EQ(edit->text(), QStringLiteral("12"));
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("abcdefghij"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(desktop.inputBox(QStringLiteral("Parameter"), QStringLiteral("Enter a value for ID"),
                               QStringLiteral("12"), 4),
              std::optional<QString>(QStringLiteral("abcd")));

    // An initial text longer than the limit is cut; a limit of 0 means none.
    WhenModal([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("BTN_Ok"))->click(); });
    EXPECT_EQ(desktop.inputBox(QStringLiteral("C"), QStringLiteral("P"), QStringLiteral("123456"), 3),
              std::optional<QString>(QStringLiteral("123")));
    WhenModal([](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("BTN_Ok"))->click(); });
    EXPECT_EQ(desktop.inputBox(QStringLiteral("C"), QStringLiteral("P"), QString(300, u'x'), 0),
              std::optional<QString>(QString(300, u'x')));
}

TEST_F(QtDesktopTest, InputBoxCancelAndEscapeGiveNothing)
{
    WhenModal([](QWidget* w) {
        QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("EDT_Value")), QStringLiteral("typed"));
        w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"))->click();
    });
    EXPECT_EQ(desktop.inputBox(QStringLiteral("C"), QStringLiteral("P"), QString(), 10), std::nullopt);

    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(desktop.inputBox(QStringLiteral("C"), QStringLiteral("P"), QStringLiteral("x"), 10),
              std::nullopt);
}

// --- file dialogs --------------------------------------------------------------------------

struct FilterCase
{
    const char* filter;
    QStringList expected;
};

class FileFilterTest : public ::testing::TestWithParam<FilterCase>
{
};

TEST_P(FileFilterTest, ConvertsToQtNameFilters)
{
    EXPECT_EQ(FileDialogNameFilters(QString::fromUtf8(GetParam().filter)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FileFilterTest,
    ::testing::Values(FilterCase{"SQL files (*.SQL)|*.SQL", {QStringLiteral("SQL files (*.SQL)")}},
                      FilterCase{"SQL files|*.SQL", {QStringLiteral("SQL files (*.SQL)")}},
                      FilterCase{"Text|*.txt;*.log", {QStringLiteral("Text (*.txt *.log)")}},
                      FilterCase{"A (*.a)|*.a|B|*.b", {QStringLiteral("A (*.a)"), QStringLiteral("B (*.b)")}},
                      // The description shows other patterns than it carries: the carried ones win.
                      FilterCase{"SQL (*.SQL)|*.SQL;*.TXT", {QStringLiteral("SQL (*.SQL) (*.SQL *.TXT)")}},
                      FilterCase{"Everything", {QStringLiteral("Everything (*)")}},
                      FilterCase{"|*.x", {QStringLiteral("(*.x)")}}, FilterCase{"", {}}));

TEST(FileFilter, PatternsAreWhatTheDialogReads)
{
    EXPECT_EQ(FileDialogPatterns(QStringLiteral("SQL files (*.SQL)")), QStringList{QStringLiteral("*.SQL")});
    EXPECT_EQ(FileDialogPatterns(QStringLiteral("SQL (*.SQL) (*.SQL *.TXT)")),
              (QStringList{QStringLiteral("*.SQL"), QStringLiteral("*.TXT")}));
}

class FileDialogTest : public QtDesktopTest
{
protected:
    void SetUp() override
    {
        QtDesktopTest::SetUp();
        for (const char* name : {"x.sql", "Y.SQL", "z.Sql", "w.txt", "sqlnot"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        request.title = QStringLiteral("Open SQL File");
        request.folder = dir.path() + u'/';
        request.filter = QStringLiteral("SQL files (*.SQL)|*.SQL");
        request.defaultExtension = QStringLiteral("SQL");
    }

    /// The names the dialog lists, once it has listed count of them.
    static QStringList Listed(QFileDialog* dialog, int count)
    {
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        QStringList names;
        if (!view)
            return names;
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= count; }, 5000));
        QTest::qWait(50);
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
        names.sort();
        return names;
    }

    static void Type(QFileDialog* dialog, const QString& name)
    {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        // As a user types: into the field, which has the focus.
        dialog->activateWindow();
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 2000));
        edit->setText(name);
    }

    QTemporaryDir dir;
    FileDialogRequest request;
};

TEST_F(FileDialogTest, OpenDialogListsSqlFilesInAnyLetterCase)
{
    QStringList listed;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Open SQL File"));
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("SQL files (*.SQL)")});
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        listed = Listed(dialog, 3);
        Type(dialog, QStringLiteral("z.Sql"));
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<QString> chosen = desktop.openFileName(request);
    EXPECT_EQ(listed,
              (QStringList{QStringLiteral("Y.SQL"), QStringLiteral("x.sql"), QStringLiteral("z.Sql")}));
    EXPECT_EQ(chosen, std::optional<QString>(dir.filePath(QStringLiteral("z.Sql"))));
}

TEST_F(FileDialogTest, OpenFindsATypedNameInAnyLetterCase)
{
    const struct
    {
        const char* typed;
        const char* opened;
    } cases[] = {{"x", "x.sql"}, {"y", "Y.SQL"}, {"Z.SQL", "z.Sql"}, {"Y.SQL", "Y.SQL"}};
    for (const auto& c : cases) {
        WhenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            Type(dialog, QString::fromUtf8(c.typed));
            static_cast<QDialog*>(dialog)->accept();
        });
        EXPECT_EQ(desktop.openFileName(request),
                  std::optional<QString>(dir.filePath(QString::fromUtf8(c.opened))))
            << c.typed;
    }
}

TEST_F(FileDialogTest, CancelGivesNothing)
{
    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(desktop.openFileName(request), std::nullopt);
}

TEST_F(FileDialogTest, SaveAppendsTheDefaultExtensionAndOffersTheLastName)
{
    request.title = QStringLiteral("Save SQL File");
    request.fileName = QStringLiteral("previous.SQL");
    request.confirmOverwrite = true;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                  QStringLiteral("previous.SQL"));
        Type(dialog, QStringLiteral("query"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(desktop.saveFileName(request),
              std::optional<QString>(dir.filePath(QStringLiteral("query.SQL"))));
}

TEST_F(FileDialogTest, DecliningTheOverwriteQuestionReturnsToTheDialog)
{
    request.title = QStringLiteral("Save SQL File");
    request.confirmOverwrite = true;
    int questions = 0;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        WhenModal(
            [&](QWidget* question) {
                ++questions;
                auto* box = qobject_cast<QMessageBox*>(question);
                ASSERT_NE(box, nullptr);
                EXPECT_TRUE(box->text().contains(QStringLiteral("x.sql")));
                box->button(QMessageBox::No)->click();
            },
            dialog);
        Type(dialog, QStringLiteral("x.sql"));
        static_cast<QDialog*>(dialog)->accept();
        EXPECT_TRUE(dialog->isVisible());
        dialog->reject();
    });
    EXPECT_EQ(desktop.saveFileName(request), std::nullopt);
    EXPECT_EQ(questions, 1);

    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        WhenModal(
            [](QWidget* question) {
                qobject_cast<QMessageBox*>(question)->button(QMessageBox::Yes)->click();
            },
            dialog);
        Type(dialog, QStringLiteral("x.sql"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(desktop.saveFileName(request), std::optional<QString>(dir.filePath(QStringLiteral("x.sql"))));
}

TEST_F(FileDialogTest, SavingIntoAMissingFolderIsRefused)
{
    request.title = QStringLiteral("Save SQL File");
    int refusals = 0;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        WhenModal(
            [&](QWidget* box) {
                ++refusals;
                EXPECT_TRUE(
                    qobject_cast<QMessageBox*>(box)->text().contains(QStringLiteral("does not exist")));
                qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
                // Back in the dialog, which now gets cancelled.
                WhenModal([](QWidget* again) { qobject_cast<QDialog*>(again)->reject(); });
            },
            dialog);
        Type(dialog, dir.filePath(QStringLiteral("missing/x")));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(desktop.saveFileName(request), std::nullopt);
    EXPECT_EQ(refusals, 1);
}

// --- colour and font -------------------------------------------------------------------------

TEST_F(QtDesktopTest, ColorDialogGivesTheChosenColour)
{
    WhenModal([](QWidget* w) {
        auto* dialog = qobject_cast<QColorDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->currentColor(), QColor(Qt::red));
        dialog->setCurrentColor(QColor(10, 20, 30));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(desktop.colorDialog(QColor(Qt::red)), std::optional<QColor>(QColor(10, 20, 30)));

    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(desktop.colorDialog(QColor(Qt::red)), std::nullopt);
}

TEST_F(QtDesktopTest, FontDialogOffersColourUnderlineAndStrikeOut)
{
    FontDialogRequest request;
    request.initial = QFont(QStringLiteral("Liberation Mono"), 10);
    request.initialColor = QColor(Qt::blue);
    WhenModal([](QWidget* w) {
        auto* dialog = qobject_cast<FontColorDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->selectedColor(), QColor(Qt::blue));
        EXPECT_TRUE(dialog->findChild<QPushButton*>(QStringLiteral("BTN_FontColor"))->isVisible());
        QFont font(QStringLiteral("Liberation Serif"), 14);
        font.setUnderline(true);
        font.setStrikeOut(true);
        font.setBold(true);
        dialog->fontChooser()->setCurrentFont(font);
        dialog->setSelectedColor(QColor(Qt::darkGreen));
        dialog->findChild<QPushButton*>(QStringLiteral("BTN_Ok"))->click();
    });
    const std::optional<FontChoice> choice = desktop.fontDialog(request);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->font.family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(choice->font.pointSize(), 14);
    EXPECT_TRUE(choice->font.underline());
    EXPECT_TRUE(choice->font.strikeOut());
    EXPECT_TRUE(choice->font.bold());
    EXPECT_EQ(choice->color, QColor(Qt::darkGreen));

    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(desktop.fontDialog(request), std::nullopt);
}

TEST_F(QtDesktopTest, FontDialogShowsTheFaceThatStandsInForAMissingOne)
{
    FontDialogRequest request;
    request.initial = QFont(QStringLiteral("Courier New"), 10);
    request.initialColor = QColor(Qt::blue);
    ASSERT_FALSE(QFontDatabase::hasFamily(QStringLiteral("Courier New")));
    const QString standIn = QFontInfo(request.initial).family();
    QString shown;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<FontColorDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        shown = dialog->fontChooser()->currentFont().family();
        dialog->accept();
    });
    const std::optional<FontChoice> unchanged = desktop.fontDialog(request);
    EXPECT_EQ(shown, standIn);
    ASSERT_TRUE(unchanged.has_value());
    // Accepted as it was, the face keeps the name it was asked for.
    EXPECT_EQ(unchanged->font.family(), QStringLiteral("Courier New"));
    EXPECT_EQ(unchanged->font.pointSize(), 10);

    WhenModal([](QWidget* w) {
        auto* dialog = qobject_cast<FontColorDialog*>(w);
        dialog->fontChooser()->setCurrentFont(QFont(QStringLiteral("Liberation Serif"), 10));
        dialog->accept();
    });
    const std::optional<FontChoice> changed = desktop.fontDialog(request);
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(changed->font.family(), QStringLiteral("Liberation Serif"));
}

TEST_F(QtDesktopTest, FontDialogWithoutEffectsKeepsTheColour)
{
    FontDialogRequest request;
    request.initial = QFont(QStringLiteral("Liberation Sans"), 9);
    request.initialColor = QColor(Qt::magenta);
    request.effects = false;
    WhenModal([](QWidget* w) {
        auto* dialog = qobject_cast<FontColorDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->findChild<QPushButton*>(QStringLiteral("BTN_FontColor"))->isVisible());
        dialog->setSelectedColor(QColor(Qt::yellow));
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::optional<FontChoice> choice = desktop.fontDialog(request);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->color, QColor(Qt::magenta));
    EXPECT_EQ(choice->font.family(), QStringLiteral("Liberation Sans"));
}

// --- printing ---------------------------------------------------------------------------------

TEST_F(QtDesktopTest, PrinterSetupChangesTheApplicationPrintersOrientation)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageOrientation(QPageLayout::Portrait);
    WhenModal([](QWidget* w) {
        auto* landscape = w->findChild<QRadioButton*>(QStringLiteral("landscape"));
        ASSERT_NE(landscape, nullptr);
        landscape->click();
        qobject_cast<QDialog*>(w)->accept();
    });
    EXPECT_TRUE(desktop.printerSetup(printer));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);

    WhenModal([](QWidget* w) {
        w->findChild<QRadioButton*>(QStringLiteral("portrait"))->click();
        qobject_cast<QDialog*>(w)->reject();
    });
    EXPECT_FALSE(desktop.printerSetup(printer));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
}

TEST_F(QtDesktopTest, PrintDialogReportsConfirmOrCancel)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    WhenModal([](QWidget* w) {
        EXPECT_NE(qobject_cast<QPrintDialog*>(w), nullptr);
        qobject_cast<QDialog*>(w)->reject();
    });
    EXPECT_FALSE(desktop.printDialog(printer));
    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); });
    EXPECT_TRUE(desktop.printDialog(printer));
}

TEST_F(QtDesktopTest, PrintDialogOffersTheChoicesAsked)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    const auto offered = [&](const PrintDialogOptions& options) {
        QStringList shown;
        WhenModal([&](QWidget* w) {
            for (const char* name : {"printSelection", "printRange"}) {
                auto* choice = w->findChild<QRadioButton*>(QString::fromLatin1(name));
                if (choice && !choice->isHidden() && choice->isEnabled())
                    shown.append(QString::fromLatin1(name));
            }
            qobject_cast<QDialog*>(w)->reject();
        });
        EXPECT_FALSE(desktop.printDialog(printer, nullptr, options));
        return shown;
    };
    PrintDialogOptions withSelection;
    withSelection.selection = true;
    EXPECT_EQ(offered(withSelection),
              (QStringList{QStringLiteral("printSelection"), QStringLiteral("printRange")}));
    EXPECT_EQ(offered({}), QStringList{QStringLiteral("printRange")});
}

// --- busy cursor, minimising, ending ------------------------------------------------------------

bool WaitCursorShown()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

TEST_F(QtDesktopTest, BusyCursorIsCountedAndNeverUnbalanced)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    desktop.beginBusy();
    desktop.beginBusy();
    EXPECT_TRUE(WaitCursorShown());
    desktop.endBusy();
    EXPECT_TRUE(WaitCursorShown());
    EXPECT_EQ(desktop.busyDepth(), 1);
    desktop.endBusy();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // One end too many is no harm: the next begin still shows the cursor.
    desktop.endBusy();
    EXPECT_EQ(desktop.busyDepth(), 0);
    {
        BusyCursor busy(desktop);
        EXPECT_TRUE(WaitCursorShown());
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(QtDesktopTest, SuspendShowsTheNormalCursorWhateverTheCount)
{
    desktop.beginBusy();
    desktop.suspendBusy();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    desktop.beginBusy();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    desktop.resumeBusy();
    EXPECT_TRUE(WaitCursorShown());
    // Ending the work while suspended leaves nothing behind.
    desktop.suspendBusy();
    desktop.endBusy();
    desktop.endBusy();
    desktop.resumeBusy();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(QtDesktopTest, BoxesShowTheNormalCursorWhileUp)
{
    BusyCursor busy(desktop);
    bool normalInBox = false;
    WhenModal([&](QWidget* w) {
        normalInBox = QGuiApplication::overrideCursor() == nullptr;
        qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
    });
    desktop.messageBox(BoxKind::Error, QStringLiteral("x"), BoxButtons::Ok);
    EXPECT_TRUE(normalInBox);
    EXPECT_TRUE(WaitCursorShown());
}

TEST_F(QtDesktopTest, MinimiseTakesEveryVisibleWindow)
{
    QWidget main;
    QWidget other;
    QWidget hidden;
    main.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    desktop.minimizeApplication();
    EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(other.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(hidden.isVisible());
    EXPECT_FALSE(hidden.windowState() & Qt::WindowMinimized);
}

TEST_F(QtDesktopTest, RestoringAnyWindowBringsEveryWindowBackWithTheModalOneInFront)
{
    QWidget main;
    QWidget results;
    results.setWindowModality(Qt::ApplicationModal);
    main.showMaximized();
    results.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&results));
    desktop.minimizeApplication();
    ASSERT_TRUE(desktop.applicationMinimized());

    // The user restores the main window alone (a task bar entry): the rest come back with it,
    // each to its own state, and the modal window takes the input, not the blocked main window.
    main.setWindowState(Qt::WindowMaximized);
    EXPECT_FALSE(results.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(main.windowState() & ~Qt::WindowActive, Qt::WindowMaximized);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&results));
    EXPECT_FALSE(desktop.applicationMinimized());

    // Down again from the modal window, and back from it.
    desktop.minimizeApplication();
    EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
    results.showNormal();
    EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(main.windowState() & Qt::WindowMaximized);
}

TEST_F(QtDesktopTest, EndApplicationLeavesNestedLoopsToo)
{
    bool dialogReturned = false;
    QTimer::singleShot(0, [&] {
        QDialog dialog;
        QTimer::singleShot(20, [&] { desktop.endApplication(); });
        dialog.exec();
        dialogReturned = true;
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(dialogReturned);
}

} // namespace
