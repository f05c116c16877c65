#include "settings/Options.h"
#include "app/main.h"
#include "platform/AppContext.h"
#include "settings/EditorAppearance.h"
#include "settings/OptionsSpinField.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

struct FieldRange
{
    const char* name;
    int minimum;
    int maximum;
    int maxLength;
};

class OptionsTest : public GuiTest
{
protected:
    void SetUp() override
    {
        editor = std::make_unique<QPlainTextEdit>();
        EditorAppearance{QColor(Qt::white), QFont(QStringLiteral("Courier New"), 10), QColor(Qt::black)}
            .applyTo(*editor);
        timeTimer.start(60000);
        dateTimer.start(1800000);
        dialog = std::make_unique<TFRM_Options>(ctx);
        dialog->attach(editor.get(), &timeTimer, &dateTimer);
    }
    void TearDown() override
    {
        dialog.reset();
        editor.reset();
    }

    template <typename T> T* control(const char* name) const
    {
        T* child = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    OptionsSpinField* spin(const char* name) const { return control<OptionsSpinField>(name); }
    void click(const char* name) const { control<QPushButton>(name)->click(); }
    QString stored(const QString& section, const QString& key) const
    {
        return SettingsStore().ReadText(section, key, QStringLiteral("<missing>"));
    }
    QString general(const QString& key) const { return stored(Schema::Section::General, key); }
    QString system(const QString& key) const { return stored(Schema::Section::System, key); }
    /// Types into a spin field and moves the focus away, as the user would.
    static void typeAndLeave(OptionsSpinField* field, const QString& text)
    {
        field->findChild<QLineEdit*>()->clear();
        QTest::keyClicks(field, text);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &out);
    }

    std::unique_ptr<QPlainTextEdit> editor;
    QTimer timeTimer;
    QTimer dateTimer;
    std::unique_ptr<TFRM_Options> dialog;
};

} // namespace

TEST_F(OptionsTest, IsLaidOutWithItsCaptionsAndRanges)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(dialog->size(), QSize(427, 300));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()) << "fixed size";
    const auto* pages = control<QTabWidget>("PGC_Options");
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("General Options"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("System Options"));
    EXPECT_EQ(pages->widget(0)->objectName(), QStringLiteral("TSH_GeneralOptions"));
    EXPECT_EQ(pages->widget(1)->objectName(), QStringLiteral("TSH_SystemOptions"));

    const FieldRange ranges[] = {
        {"SPN_MaximumLoginRetries", 1, 10, 32767}, {"SPN_DateRefreshHours", 0, 23, 2},
        {"SPN_DateRefreshMinutes", 0, 59, 2},      {"SPN_DateRefreshSeconds", 0, 59, 2},
        {"SPN_TimeRefreshHours", 0, 23, 2},        {"SPN_TimeRefreshMinutes", 0, 59, 2},
        {"SPN_TimeRefreshSeconds", 0, 59, 2},
    };
    for (const FieldRange& r : ranges) {
        const OptionsSpinField* field = spin(r.name);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->minimum(), r.minimum) << r.name;
        EXPECT_EQ(field->maximum(), r.maximum) << r.name;
        EXPECT_EQ(field->maxTextLength(), r.maxLength) << r.name;
    }

    const auto* confirm = control<QComboBox>("CBX_ConfirmBeforeExit");
    ASSERT_EQ(confirm->count(), 2);
    EXPECT_EQ(confirm->itemText(0), QStringLiteral("Yes"));
    EXPECT_EQ(confirm->itemText(1), QStringLiteral("No"));
    EXPECT_EQ(control<QGroupBox>("RGB_WordWrap")->title(), QStringLiteral(" Enable Word Wrap ? "));
    EXPECT_EQ(control<QRadioButton>("RGB_WordWrap_No")->text(), QStringLiteral("No"));
    EXPECT_EQ(control<QRadioButton>("RGB_WordWrap_Yes")->text(), QStringLiteral("Yes"));
    EXPECT_EQ(control<QGroupBox>("GBX_DisplayArea")->title(), QStringLiteral(" Display Area "));
    EXPECT_EQ(control<QPushButton>("BTN_ChangeColor")->text(), QStringLiteral("Change Background Color"));
    EXPECT_EQ(control<QPushButton>("BTN_ChangeFont")->text(), QStringLiteral("Change Display Font"));
    EXPECT_TRUE(control<QPushButton>("OKBtn")->isDefault());
    EXPECT_EQ(control<QPushButton>("CancelBtn")->text(), QStringLiteral("Cancel"));

    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    for (const char* text :
         {"Maximum Login Retries:", "Confirm before Exiting Application ?",
          "Date Refresh Interval:", "Time Refresh Interval:", "Every", "Hours", "Minutes", "Seconds"})
        EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
}

TEST_F(OptionsTest, SystemOptionsComeFirstThenTheLastTabStays)
{
    auto* pages = control<QTabWidget>("PGC_Options");
    dialog->show();
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("TSH_SystemOptions"));
    pages->setCurrentIndex(0);
    click("CancelBtn");
    dialog->show();
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("TSH_GeneralOptions"));
}

TEST_F(OptionsTest, ShowsTheDefaultsOfAnEmptyStore)
{
    dialog->show();
    EXPECT_TRUE(control<QRadioButton>("RGB_WordWrap_Yes")->isChecked());
    EXPECT_EQ(spin("SPN_MaximumLoginRetries")->value(), 3);
    EXPECT_EQ(control<QComboBox>("CBX_ConfirmBeforeExit")->currentText(), QStringLiteral("Yes"));
    const std::pair<const char*, int> expected[] = {
        {"SPN_DateRefreshHours", 0}, {"SPN_DateRefreshMinutes", 30}, {"SPN_DateRefreshSeconds", 0},
        {"SPN_TimeRefreshHours", 0}, {"SPN_TimeRefreshMinutes", 1},  {"SPN_TimeRefreshSeconds", 0},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(spin(name)->value(), value) << name;
    EXPECT_EQ(control<QPlainTextEdit>("MEMO_Prototype")->toPlainText(), QStringLiteral("test\nTEST"));
}

TEST_F(OptionsTest, ShowsStoredValuesBroughtIntoRangeAndOkStoresThemAgain)
{
    {
        SettingsStore store;
        store.WriteNumber(Schema::Section::General, Schema::General::MaximumLoginRetries, 7);
        store.WriteFlag(Schema::Section::General, Schema::General::ConfirmBeforeExit, false);
        store.WriteFlag(Schema::Section::General, Schema::General::WordWrap, false);
        store.WriteNumber(Schema::Section::System, Schema::System::DateRefreshHours, 99);
        store.WriteNumber(Schema::Section::System, Schema::System::DateRefreshMinutes, -5);
        store.WriteText(Schema::Section::System, Schema::System::DateRefreshSeconds, QStringLiteral("TRUE"));
        store.WriteNumber(Schema::Section::System, Schema::System::TimeRefreshHours, 1);
        store.WriteNumber(Schema::Section::System, Schema::System::TimeRefreshMinutes, 2);
        store.WriteNumber(Schema::Section::System, Schema::System::TimeRefreshSeconds, 3);
    }
    dialog->show();
    EXPECT_EQ(spin("SPN_MaximumLoginRetries")->value(), 7);
    EXPECT_EQ(control<QComboBox>("CBX_ConfirmBeforeExit")->currentText(), QStringLiteral("No"));
    EXPECT_TRUE(control<QRadioButton>("RGB_WordWrap_No")->isChecked());
    EXPECT_EQ(spin("SPN_DateRefreshHours")->value(), 23);
    EXPECT_EQ(spin("SPN_DateRefreshMinutes")->value(), 0);
    EXPECT_EQ(spin("SPN_DateRefreshSeconds")->value(), 0) << "an unreadable entry gives the default";

    click("OKBtn");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(general(Schema::General::MaximumLoginRetries), QStringLiteral("7"));
    EXPECT_EQ(general(Schema::General::ConfirmBeforeExit), QStringLiteral("0"));
    EXPECT_EQ(general(Schema::General::WordWrap), QStringLiteral("0"));
    EXPECT_EQ(system(Schema::System::DateRefreshHours), QStringLiteral("23"));
    EXPECT_EQ(system(Schema::System::DateRefreshMinutes), QStringLiteral("0"));
    EXPECT_EQ(system(Schema::System::DateRefreshSeconds), QStringLiteral("0"));
    EXPECT_EQ(system(Schema::System::TimeRefreshSeconds), QStringLiteral("3"));
    EXPECT_EQ(ctx.facts.LoginRetryLimit, 7);
    EXPECT_EQ(timeTimer.interval(), 3600000 + 2 * 60000 + 3000);
    EXPECT_EQ(dateTimer.interval(), 23 * 3600000);
}

TEST_F(OptionsTest, TypedValuesAreLimitedAndBroughtToTheNearestBound)
{
    dialog->show();
    OptionsSpinField* hours = spin("SPN_TimeRefreshHours");
    typeAndLeave(hours, QStringLiteral("99"));
    EXPECT_EQ(hours->value(), 23);
    EXPECT_EQ(hours->text(), QStringLiteral("23"));
    typeAndLeave(hours, QStringLiteral("123"));
    EXPECT_EQ(hours->value(), 12) << "two characters at most";
    OptionsSpinField* retries = spin("SPN_MaximumLoginRetries");
    typeAndLeave(retries, QStringLiteral("0"));
    EXPECT_EQ(retries->value(), 1);
    typeAndLeave(retries, QStringLiteral("250"));
    EXPECT_EQ(retries->value(), 10) << "the retry field takes more than two characters";
    typeAndLeave(retries, QStringLiteral("x"));
    EXPECT_EQ(retries->text(), QStringLiteral("1"))
        << "letters cannot be typed; the emptied field takes its minimum";
}

TEST_F(OptionsTest, OkReadsWhatIsTypedEvenBeforeTheFieldLosesTheFocus)
{
    dialog->show();
    OptionsSpinField* retries = spin("SPN_MaximumLoginRetries");
    retries->findChild<QLineEdit*>()->clear();
    OptionsSpinField* seconds = spin("SPN_DateRefreshSeconds");
    seconds->findChild<QLineEdit*>()->clear();
    QTest::keyClicks(seconds, QStringLiteral("75"));
    click("OKBtn");
    EXPECT_EQ(general(Schema::General::MaximumLoginRetries), QStringLiteral("1"))
        << "an empty field reads its minimum";
    EXPECT_EQ(ctx.facts.LoginRetryLimit, 1);
    EXPECT_EQ(system(Schema::System::DateRefreshSeconds), QStringLiteral("59"));
}

TEST_F(OptionsTest, OkChangesTheRunningEditorAndTimers)
{
    dialog->show();
    desktop.expectColor(QColor(10, 20, 30));
    click("BTN_ChangeColor");
    QFont chosen(QStringLiteral("Times New Roman"), 14);
    chosen.setBold(true);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    desktop.expectFont(FontChoice{chosen, QColor(255, 0, 0)});
    click("BTN_ChangeFont");
    control<QRadioButton>("RGB_WordWrap_No")->click();
    spin("SPN_MaximumLoginRetries")->setValue(5);
    control<QComboBox>("CBX_ConfirmBeforeExit")->setCurrentIndex(1);
    spin("SPN_DateRefreshHours")->setValue(1);
    spin("SPN_DateRefreshMinutes")->setValue(0);
    spin("SPN_TimeRefreshMinutes")->setValue(0);
    spin("SPN_TimeRefreshSeconds")->setValue(15);

    ASSERT_EQ(desktop.fontRequests.size(), 1u);
    EXPECT_TRUE(desktop.fontRequests[0].effects);
    EXPECT_TRUE(desktop.fontRequests[0].existingOnly);
    EXPECT_EQ(desktop.fontRequests[0].initial.family(), QStringLiteral("Courier New"));
    EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(Qt::white)) << "nothing applied before OK";

    click("OKBtn");
    EXPECT_EQ(general(Schema::General::BackgroundColor), QString::number(10 + 20 * 256 + 30 * 65536));
    EXPECT_EQ(general(Schema::General::FontName), QStringLiteral("Times New Roman"));
    EXPECT_EQ(general(Schema::General::FontSize), QStringLiteral("14"));
    EXPECT_EQ(general(Schema::General::FontColor), QStringLiteral("255"));
    EXPECT_EQ(general(Schema::General::FontBold), QStringLiteral("1"));
    EXPECT_EQ(general(Schema::General::FontItalic), QStringLiteral("1"));
    EXPECT_EQ(general(Schema::General::FontUnderline), QStringLiteral("1"));
    EXPECT_EQ(general(Schema::General::FontStrikeOut), QStringLiteral("0"));
    EXPECT_EQ(general(Schema::General::WordWrap), QStringLiteral("0"));
    EXPECT_EQ(general(Schema::General::ConfirmBeforeExit), QStringLiteral("0"));

    EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(10, 20, 30));
    EXPECT_EQ(editor->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(editor->font().family(), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(editor->font().bold());
    EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(ctx.facts.LoginRetryLimit, 5);
    EXPECT_TRUE(dateTimer.isActive());
    EXPECT_EQ(dateTimer.interval(), 3600000);
    EXPECT_TRUE(timeTimer.isActive());
    EXPECT_EQ(timeTimer.interval(), 15000);
}

TEST_F(OptionsTest, AZeroIntervalStopsTheTimerAndALaterOneRestartsIt)
{
    dialog->show();
    spin("SPN_TimeRefreshMinutes")->setValue(0);
    click("OKBtn");
    EXPECT_FALSE(timeTimer.isActive());
    EXPECT_EQ(system(Schema::System::TimeRefreshHours), QStringLiteral("0"));
    EXPECT_EQ(system(Schema::System::TimeRefreshMinutes), QStringLiteral("0"));
    EXPECT_EQ(system(Schema::System::TimeRefreshSeconds), QStringLiteral("0"));

    dialog->show();
    EXPECT_EQ(spin("SPN_TimeRefreshMinutes")->value(), 0);
    spin("SPN_TimeRefreshSeconds")->setValue(5);
    click("OKBtn");
    EXPECT_TRUE(timeTimer.isActive());
    EXPECT_EQ(timeTimer.interval(), 5000);
}

TEST_F(OptionsTest, ACancelledSecondColourKeepsTheFirstChoice)
{
    dialog->show();
    desktop.expectColor(QColor(1, 2, 3));
    desktop.expectColor(std::nullopt);
    click("BTN_ChangeColor");
    click("BTN_ChangeColor");
    ASSERT_EQ(desktop.colorRequests.size(), 2u);
    EXPECT_EQ(desktop.colorRequests[0], QColor(Qt::white)) << "opened on the editor's background";
    EXPECT_EQ(desktop.colorRequests[1], QColor(1, 2, 3)) << "opened on the prototype's colour";
    EXPECT_EQ(control<QPlainTextEdit>("MEMO_Prototype")->palette().color(QPalette::Base), QColor(1, 2, 3));
    click("OKBtn");
    EXPECT_EQ(general(Schema::General::BackgroundColor), QString::number(1 + 2 * 256 + 3 * 65536));
    EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(1, 2, 3));
}

TEST_F(OptionsTest, TheAppearanceComesFromTheEditorNotTheStore)
{
    {
        SettingsStore store;
        store.WriteNumber(Schema::Section::General, Schema::General::BackgroundColor, 255);
        store.WriteText(Schema::Section::General, Schema::General::FontName, QStringLiteral("Arial"));
    }
    QFont font(QStringLiteral("Times New Roman"), 12);
    font.setStrikeOut(true);
    EditorAppearance{QColor(0, 128, 0), font, QColor(0, 0, 255)}.applyTo(*editor);
    dialog->show();
    const auto* memo = control<QPlainTextEdit>("MEMO_Prototype");
    EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(0, 128, 0));
    EXPECT_EQ(memo->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(memo->font().family(), QStringLiteral("Times New Roman"));
    click("OKBtn");
    EXPECT_EQ(general(Schema::General::BackgroundColor), QString::number(128 << 8));
    EXPECT_EQ(general(Schema::General::FontName), QStringLiteral("Times New Roman"));
    EXPECT_EQ(general(Schema::General::FontSize), QStringLiteral("12"));
    EXPECT_EQ(general(Schema::General::FontColor), QString::number(255 << 16));
    EXPECT_EQ(general(Schema::General::FontStrikeOut), QStringLiteral("1"));
}

TEST_F(OptionsTest, WordWrapNoStopsWrappingAtOnce)
{
    editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    dialog->show();
    control<QRadioButton>("RGB_WordWrap_No")->click();
    click("OKBtn");
    EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(SettingsStore().ReadFlag(Schema::Section::General, Schema::General::WordWrap, true));
    dialog->show();
    control<QRadioButton>("RGB_WordWrap_Yes")->click();
    click("OKBtn");
    EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

TEST_F(OptionsTest, CancelEscapeAndTheTitleBarDiscardEverything)
{
    const auto closeBy = std::vector<std::function<void()>>{
        [&] { click("CancelBtn"); },
        [&] { QTest::keyClick(dialog.get(), Qt::Key_Escape); },
        [&] { dialog->close(); },
    };
    for (const auto& close : closeBy) {
        dialog->show();
        desktop.expectColor(QColor(9, 9, 9));
        click("BTN_ChangeColor");
        control<QRadioButton>("RGB_WordWrap_No")->click();
        spin("SPN_MaximumLoginRetries")->setValue(9);
        control<QComboBox>("CBX_ConfirmBeforeExit")->setCurrentIndex(1);
        spin("SPN_TimeRefreshMinutes")->setValue(0);
        spin("SPN_DateRefreshHours")->setValue(4);
        close();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(SettingsStore().HasSections()) << "nothing written";
        EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(Qt::white));
        EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        EXPECT_EQ(ctx.facts.LoginRetryLimit, 3);
        EXPECT_EQ(timeTimer.interval(), 60000);
        EXPECT_TRUE(timeTimer.isActive());

        dialog->show();
        EXPECT_EQ(spin("SPN_MaximumLoginRetries")->value(), 3);
        EXPECT_EQ(spin("SPN_DateRefreshHours")->value(), 0);
        EXPECT_TRUE(control<QRadioButton>("RGB_WordWrap_Yes")->isChecked());
        EXPECT_EQ(control<QPlainTextEdit>("MEMO_Prototype")->palette().color(QPalette::Base),
                  QColor(Qt::white));
        dialog->hide();
    }
}

TEST_F(OptionsTest, AnEmptiedPrototypeGetsItsSampleBackButTypedTextStays)
{
    auto* memo = control<QPlainTextEdit>("MEMO_Prototype");
    dialog->show();
    memo->clear();
    click("CancelBtn");
    dialog->show();
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("test\nTEST"));
    EXPECT_EQ(memo->document()->blockCount(), 2);
    memo->setPlainText(QStringLiteral("select 1"));
    click("CancelBtn");
    dialog->show();
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("select 1"));
}

TEST_F(OptionsTest, WorksOnTheMainWindowsEditorAndTimers)
{
    {
        SettingsStore store;
        store.WriteNumber(Schema::Section::General, Schema::General::BackgroundColor, 255);
        store.WriteNumber(Schema::Section::General, Schema::General::FontColor, 65280);
        store.WriteText(Schema::Section::General, Schema::General::FontName, QStringLiteral("Arial"));
        store.WriteNumber(Schema::Section::General, Schema::General::FontSize, 16);
    }
    TFRM_QueryTool mainWindow(ctx);
    mainWindow.show();
    dialog->attach(mainWindow.REDT_QueryTool, mainWindow.Timer_Time, mainWindow.Timer_Date);
    dialog->show();
    const auto* memo = control<QPlainTextEdit>("MEMO_Prototype");
    EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(memo->palette().color(QPalette::Text), QColor(0, 255, 0));
    EXPECT_EQ(memo->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(memo->font().pointSize(), 16);

    desktop.expectColor(QColor(0, 0, 0));
    click("BTN_ChangeColor");
    spin("SPN_TimeRefreshSeconds")->setValue(30);
    click("OKBtn");
    EXPECT_EQ(mainWindow.REDT_QueryTool->palette().color(QPalette::Base), QColor(0, 0, 0));
    EXPECT_EQ(mainWindow.Timer_Time->interval(), 90000);
    EXPECT_TRUE(mainWindow.Timer_Time->isActive());
    EXPECT_EQ(general(Schema::General::FontName), QStringLiteral("Arial"));
}
