// Settings entries holding garbage where numbers and flags are expected, or numbers that are
// valid but absurd, read by the real program from start to end: no error, no crash, the defaults
// or sane limits, and the garbage stays stored until the program writes that entry itself.

#include "QueryWindowFixture.h"

#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "query/ResultGridModel.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "settings/UsableRange.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

namespace {

using Outcome = SqlExecution::Outcome;

/// Every entry the program reads as a number or a flag.
QList<std::pair<QString, QString>> NumberEntries()
{
    namespace S = Schema::Section;
    namespace G = Schema::General;
    namespace Y = Schema::System;
    namespace P = Schema::Placement;
    namespace D = Schema::Dialogs;
    namespace R = Schema::Printer;
    QList<std::pair<QString, QString>> entries;
    for (const QString& key : std::initializer_list<QString>{
             G::BackgroundColor, G::FontSize, G::FontColor, G::FontBold, G::FontItalic, G::FontUnderline,
             G::FontStrikeOut, G::WordWrap, G::ShowToolbar, G::MaximumLoginRetries, G::ConfirmBeforeExit})
        entries.append({S::General, key});
    for (const QString& key : {Y::DateRefreshHours, Y::DateRefreshMinutes, Y::DateRefreshSeconds,
                               Y::TimeRefreshHours, Y::TimeRefreshMinutes, Y::TimeRefreshSeconds})
        entries.append({S::System, key});
    for (const QString& section : {S::Location, S::Grid})
        for (const QString& key : {P::Maximized, P::Top, P::Left, P::Height, P::Width})
            entries.append({section, key});
    for (const QString& key : {D::FindDialogMatchCase, D::FindDialogWholeWord, D::FindDialogFromTop,
                               D::ReplaceDialogMatchCase, D::ReplaceDialogWholeWord, D::ReplaceDialogFromTop})
        entries.append({S::Dialogs, key});
    for (const QString& key :
         std::initializer_list<QString>{R::D_ShowPreview, R::D_ShowRowNumber, R::D_Copies, R::U_ShowPreview,
                                        R::U_ShowRowNumber, R::U_Copies})
        entries.append({S::Printer, key});
    entries.append({S::QryFields, Schema::QryFields::WidthKey(QStringLiteral("EMPNO"))});
    return entries;
}

/// Its corner on the available area, and a size between the smallest usable window and the area.
bool Usable(const QRect& window, const QRect& available)
{
    return window.width() >= UsableRange::kMinWindowSize.width() && window.width() <= available.width() &&
           window.height() >= UsableRange::kMinWindowSize.height() && window.height() <= available.height() &&
           available.contains(window.topLeft());
}

std::string Text(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

class GarbageSettingsTest : public QueryWindowTest, public ::testing::WithParamInterface<const char*>
{
protected:
    void TearDown() override
    {
        ctx.query = nullptr;
        QueryWindowTest::TearDown();
        startup.reset();
    }

    std::unique_ptr<Startup> startup;
};

TEST_P(GarbageSettingsTest, TheProgramRunsOnDefaultsOrSaneLimits)
{
    const QString garbage = QString::fromUtf8(GetParam());
    {
        SettingsStore store;
        store.SeedDefaults();
        for (const auto& [section, key] : NumberEntries())
            store.WriteText(section, key, garbage);
        // Not maximised, so that both windows take their sizes and places from the garbage.
        store.WriteFlag(Schema::Section::Location, Schema::Placement::Maximized, false);
        store.WriteFlag(Schema::Section::Grid, Schema::Placement::Maximized, false);
    }

    startup = std::make_unique<Startup>(ctx);
    TFRM_Login& login = startup->login();
    login.show();
    login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
    login.EDT_UserName->setText(QStringLiteral("scott"));
    QTest::mouseClick(login.BBN_Ok, Qt::LeftButton);
    TFRM_QueryTool& main = startup->queryTool();
    ASSERT_TRUE(main.isVisible()) << "logged in whatever the retry limit reads as";
    // Whatever was stored, the window is a usable size on the screen and can be drawn.
    EXPECT_TRUE(Usable(main.geometry(), main.screen()->availableVirtualGeometry()))
        << Text(main.geometry()) << " on " << Text(main.screen()->availableVirtualGeometry());
    EXPECT_FALSE(main.grab().isNull());
    EXPECT_GE(main.REDT_QueryTool->font().pointSize(), UsableRange::kMinFontPoints);
    EXPECT_LE(main.REDT_QueryTool->font().pointSize(), UsableRange::kMaxFontPoints);

    // The result window is placed from "GRID" and shows the rows.
    window = std::make_unique<TFRM_Query>(ctx);
    ctx.query = window.get();
    execution = std::make_unique<SqlExecution>(ctx);
    int rows = -1;
    QRect placed;
    QRect available;
    int empnoWidth = -1;
    EXPECT_EQ(execute(QStringLiteral("select empno, ename from emp"),
                      [&](TFRM_Query& w) {
                          rows = w.gridModel().rowCount();
                          placed = w.geometry();
                          available = w.screen()->availableVirtualGeometry();
                          empnoWidth = w.columnWidth(0);
                          w.grab();
                      }),
              Outcome::ResultShown);
    EXPECT_EQ(rows, 40);
    EXPECT_TRUE(Usable(placed, available)) << Text(placed) << " on " << Text(available);
    EXPECT_GE(empnoWidth, UsableRange::kMinColumnWidth) << "the column can be seen";
    EXPECT_LE(empnoWidth, UsableRange::kMaxColumnWidth);

    // The options dialog reads every one of them too.
    main.BBN_Options->click();
    ASSERT_NE(ctx.windows.options, nullptr);
    EXPECT_TRUE(ctx.windows.options->isVisible());
    ctx.windows.options->grab();
    ctx.windows.options->hide();

    desktop.verify();
    EXPECT_TRUE(desktop.boxes.empty()) << desktop.boxes.front().text.toStdString();

    // Entries the run did not write itself still hold the garbage.
    // (The result window's placement and the drawn width are stored afresh, and the test itself
    // wrote both "maximised" flags.)
    const SettingsStore store;
    int kept = 0;
    for (const auto& [section, key] : NumberEntries()) {
        if (section == Schema::Section::Grid || section == Schema::Section::QryFields ||
            key == Schema::Placement::Maximized)
            continue;
        EXPECT_EQ(store.ReadText(section, key, QStringLiteral("(missing)")), garbage)
            << section.toStdString() << "/" << key.toStdString();
        ++kept;
    }
    EXPECT_EQ(kept, 33);
}

INSTANTIATE_TEST_SUITE_P(Garbage, GarbageSettingsTest,
                         ::testing::Values("wide", "12px", "", " ", "0x", "$", "--5", "+-1", "1e3", "1.5",
                                           "TRUE", "\x01\x02", "99999999999999999999", "0x7FFFFFFF",
                                           "2147483647", "-2147483648", "$FFFFFFFF", "-1", "0"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return "case" + std::to_string(info.index);
                         });

} // namespace
