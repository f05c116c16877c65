#include "print/PrintSettings.h"
#include "print/GenericReport.h"
#include "print/PrintLengths.h"
#include "print/report.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/GuiApp.h"
#include "support/GuiTest.h"

#include "platform/AppContext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <sqlite3.h>

#include <memory>

namespace P = Schema::Printer;
using Schema::Section::Printer;

namespace {

/// Every entry of the settings file, for "nothing was written" checks.
QStringList storeSnapshot()
{
    QStringList rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(SettingsStore::defaultPath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                        nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT section, key, value FROM entries", -1, &st, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                QStringList cells;
                for (int c = 0; c < 3; ++c)
                    cells.append(
                        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c))));
                rows.append(cells.join(u'|'));
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    rows.sort();
    return rows;
}

TEST(PrintLengthsTest, StoredAndShownTexts)
{
    struct Case
    {
        double inches;
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {0.5, "0.5", "0.5"},
        {0.1, "0.1", "0.1"},
        {0.125, "0.125", "0.12"},
        {0.999, "0.999", "0.99"},
        {100, "100", "100"},
        {12.5, "12.5", "12.5"},
        {-0.25, "-0.25", "-0.25"},
        {1.0 / 3, "0.333333333333333", "0.33"},
        {0, "0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const double pixels = c.inches * 96;
        EXPECT_EQ(StoredLengthText(pixels), QString::fromLatin1(c.stored));
        EXPECT_EQ(DisplayLengthText(pixels), QString::fromLatin1(c.shown));
    }
}

TEST(PrintLengthsTest, ParsingInches)
{
    struct Case
    {
        const char* text;
        std::optional<double> pixels;
    };
    const Case cases[] = {
        {"0.5", 48}, {" 0.25 ", 24}, {"1", 96},     {"-0.5", -48}, {".5", 48},  {"1e1", 960}, {"", {}},
        {"abc", {}}, {"0,5", {}},    {"1,000", {}}, {"0.5in", {}}, {"inf", {}}, {"nan", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<double> got = ParseInchesToPixels(QString::fromLatin1(c.text));
        ASSERT_EQ(got.has_value(), c.pixels.has_value());
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.pixels);
        }
    }
}

class PrintSettingsTest : public GuiTest
{
protected:
    void seed() { SettingsStore().SeedDefaults(); }
    void write(const QString& key, const QString& value) { SettingsStore().WriteText(Printer, key, value); }
    QString read(const QString& key) const
    {
        return SettingsStore().ReadText(Printer, key, QStringLiteral("<none>"));
    }

    TFRM_Report& form()
    {
        if (!m_form)
            m_form = std::make_unique<TFRM_Report>(ctx);
        return *m_form;
    }
    void open()
    {
        form().show();
        QApplication::processEvents();
    }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

private:
    std::unique_ptr<TFRM_Report> m_form;
};

TEST_F(PrintSettingsTest, ReadingFallsBackToTheFirstRunValues)
{
    write(P::U_LeftMargin, QStringLiteral("1.5"));
    write(P::U_TopMargin, QStringLiteral("wide"));
    write(P::D_Orientation, P::Portrait);
    write(P::D_Copies, QStringLiteral("7"));
    const SettingsStore store;
    QList<BadStoredLength> bad;
    const PrintSettingsValues user = ReadPrintSettings(store, PrintSettingsSet::User, &bad);
    EXPECT_DOUBLE_EQ(user.leftMargin, 144);
    EXPECT_DOUBLE_EQ(user.rightMargin, 48);
    EXPECT_DOUBLE_EQ(user.topMargin, 48) << "a length that is not a number gives the default";
    EXPECT_DOUBLE_EQ(user.spaceBetweenColumns, 9.6);
    EXPECT_EQ(user.orientation, PageOrientation::Landscape);
    EXPECT_TRUE(user.showPreview);
    EXPECT_TRUE(user.showRowNumber);
    EXPECT_EQ(user.copies, 1);
    ASSERT_EQ(bad.size(), 1);
    EXPECT_EQ(bad[0].key, P::U_TopMargin);
    EXPECT_TRUE(BadStoredLengthsMessage(bad).contains(QStringLiteral("U_TopMargin")));
    EXPECT_TRUE(BadStoredLengthsMessage(bad).contains(QStringLiteral("\"wide\"")));

    const PrintSettingsValues defaults = ReadPrintSettings(store, PrintSettingsSet::Defaults);
    EXPECT_DOUBLE_EQ(defaults.leftMargin, 48);
    EXPECT_EQ(defaults.orientation, PageOrientation::Portrait);
    EXPECT_EQ(defaults.copies, 7);
}

TEST_F(PrintSettingsTest, FirstRunShowsTheSeededValuesCollapsed)
{
    seed();
    open();
    TFRM_Report& f = form();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Print Options"));
    EXPECT_FALSE(f.isExpanded());
    EXPECT_EQ(f.findChild<QLineEdit*>(QStringLiteral("EDT_Left"))->text(), QStringLiteral("0.5"));
    EXPECT_EQ(f.EDT_Right->text(), QStringLiteral("0.5"));
    EXPECT_EQ(f.EDT_Top->text(), QStringLiteral("0.5"));
    EXPECT_EQ(f.EDT_Bottom->text(), QStringLiteral("0.5"));
    EXPECT_EQ(f.EDT_Space->text(), QStringLiteral("0.1"));
    EXPECT_EQ(f.SPN_Copies->value(), 1);
    EXPECT_EQ(f.CBX_ShowPreview->currentText(), QStringLiteral("TRUE"));
    EXPECT_EQ(f.CBX_ShowRowNumber->currentText(), QStringLiteral("TRUE"));
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_EQ(f.printSettings().Copies, 0) << "loading leaves the record alone";
    EXPECT_TRUE(f.BBN_Ok->isDefault());

    click(f.BBN_Properties);
    EXPECT_TRUE(f.isExpanded());
    EXPECT_TRUE(f.PNL_Properties->isVisible());
    f.hide();
    open();
    EXPECT_FALSE(f.isExpanded()) << "collapsed on every opening";
}

TEST_F(PrintSettingsTest, LengthsAreStoredWholeAndShownCut)
{
    seed();
    open();
    TFRM_Report& f = form();
    click(f.BBN_Properties);
    f.EDT_Left->setText(QStringLiteral("0.125"));
    f.EDT_Space->setText(QStringLiteral("12.5"));
    f.EDT_Top->setText(QStringLiteral("100"));
    click(f.BBN_Ok);
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(read(P::U_LeftMargin), QStringLiteral("0.125"));
    EXPECT_EQ(read(P::U_SpaceBetweenColumns), QStringLiteral("12.5"));
    EXPECT_EQ(read(P::U_TopMargin), QStringLiteral("100"));
    EXPECT_DOUBLE_EQ(f.printSettings().Page.LeftMargin, 12);

    open();
    click(f.BBN_Properties); // reloads from the store
    EXPECT_EQ(f.EDT_Left->text(), QStringLiteral("0.12"));
    EXPECT_EQ(f.EDT_Space->text(), QStringLiteral("12.5"));
    EXPECT_EQ(f.EDT_Top->text(), QStringLiteral("100"));
    click(f.BBN_Ok);
    EXPECT_EQ(read(P::U_LeftMargin), QStringLiteral("0.12"));
}

TEST_F(PrintSettingsTest, OkTakesEveryFieldAndTheTitleIsNeverStored)
{
    seed();
    form().printSettings().Title = QStringLiteral("Query Result");
    form().LoadPrintSettings();
    open();
    TFRM_Report& f = form();
    EXPECT_EQ(f.EDT_Title->text(), QStringLiteral("Query Result"));
    click(f.BBN_Properties);
    f.EDT_Title->setText(QStringLiteral("My Own Title"));
    f.EDT_Right->setText(QStringLiteral("0.75"));
    f.EDT_Bottom->setText(QStringLiteral("1"));
    f.SPN_Copies->setValue(3);
    f.CBX_ShowPreview->setCurrentText(QStringLiteral("FALSE"));
    click(f.BBN_Ok);

    const GenericReport& r = f.printSettings();
    EXPECT_EQ(r.Title, QStringLiteral("My Own Title"));
    EXPECT_DOUBLE_EQ(r.Page.RightMargin, 72);
    EXPECT_DOUBLE_EQ(r.Page.BottomMargin, 96);
    EXPECT_DOUBLE_EQ(r.Page.SpaceBetweenColumns, 9.6);
    EXPECT_EQ(r.Copies, 3);
    EXPECT_FALSE(r.ShowPreview);
    EXPECT_TRUE(r.ShowRowNumber);
    EXPECT_EQ(read(P::U_RightMargin), QStringLiteral("0.75"));
    EXPECT_EQ(read(P::U_Copies), QStringLiteral("3"));
    EXPECT_EQ(read(P::U_ShowPreview), QStringLiteral("0"));
    EXPECT_EQ(read(P::U_ShowRowNumber), QStringLiteral("1"));
    for (const QString& row : storeSnapshot())
        EXPECT_FALSE(row.contains(QStringLiteral("My Own Title"))) << qPrintable(row);
}

TEST_F(PrintSettingsTest, OrientationComesFromThePrinter)
{
    seed();
    struct Case
    {
        QPageLayout::Orientation printer;
        QString stored;
        double pageWidth;
    };
    for (const Case& c :
         {Case{QPageLayout::Portrait, P::Portrait, 816}, Case{QPageLayout::Landscape, P::Landscape, 1056}}) {
        printer.setPageOrientation(c.printer == QPageLayout::Portrait ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait);
        desktop.expectPrinterSetup(true, [&](QPrinter& p) { p.setPageOrientation(c.printer); });
        open();
        click(form().BBN_PrinterSetupDialog);
        click(form().BBN_Ok);
        EXPECT_EQ(read(P::U_Orientation), c.stored);
        EXPECT_EQ(form().printSettings().Page.PageWidth, c.pageWidth);
    }
    EXPECT_EQ(desktop.printerSetups, 2);
}

TEST_F(PrintSettingsTest, PortraitPrinterRightAfterSeedingStoresPortrait)
{
    seed();
    ASSERT_EQ(read(P::U_Orientation), P::Landscape);
    printer.setPageOrientation(QPageLayout::Portrait);
    open();
    click(form().BBN_Ok);
    EXPECT_EQ(read(P::U_Orientation), P::Portrait);
    EXPECT_EQ(form().printSettings().Page.Orientation, PageOrientation::Portrait);
}

TEST_F(PrintSettingsTest, RevertShowsTheDefaultsAndCancelWritesNothing)
{
    seed();
    write(P::U_LeftMargin, QStringLiteral("2"));
    write(P::U_Copies, QStringLiteral("5"));
    write(P::U_ShowRowNumber, QStringLiteral("0"));
    write(P::D_LeftMargin, QStringLiteral("0.75"));
    write(P::D_Orientation, P::Portrait);
    open();
    TFRM_Report& f = form();
    f.printSettings().Page.ColumnFieldNames[0] = QStringLiteral("ENAME");
    f.printSettings().Page.ColumnWidths[0] = 64;
    click(f.BBN_Properties);
    EXPECT_EQ(f.EDT_Left->text(), QStringLiteral("2"));
    EXPECT_EQ(f.SPN_Copies->value(), 5);
    EXPECT_EQ(f.CBX_ShowRowNumber->currentText(), QStringLiteral("FALSE"));

    const QStringList before = storeSnapshot();
    click(f.BTN_DefaultSettings);
    EXPECT_EQ(f.EDT_Left->text(), QStringLiteral("0.75"));
    EXPECT_EQ(f.SPN_Copies->value(), 1);
    EXPECT_EQ(f.CBX_ShowRowNumber->currentText(), QStringLiteral("TRUE"));
    const GenericReport& r = f.printSettings();
    EXPECT_DOUBLE_EQ(r.Page.LeftMargin, 72);
    EXPECT_EQ(r.Page.Orientation, PageOrientation::Portrait);
    EXPECT_EQ(r.Page.PageWidth, 816);
    EXPECT_EQ(r.Page.ColumnFieldNames[0], QString());
    EXPECT_EQ(r.Page.ColumnWidths[0], 0);
    click(f.BBN_Cancel);
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_EQ(storeSnapshot(), before);
}

TEST_F(PrintSettingsTest, CollapsingThePropertiesPanelSavesAndExpandingReloads)
{
    seed();
    open();
    TFRM_Report& f = form();
    click(f.BBN_Properties);
    f.EDT_Top->setText(QStringLiteral("0.3"));
    click(f.BBN_Properties);
    EXPECT_FALSE(f.isExpanded());
    EXPECT_EQ(read(P::U_TopMargin), QStringLiteral("0.3"));
    EXPECT_NEAR(f.printSettings().Page.TopMargin, 28.8, 1e-9);

    // Unsaved edits are discarded by the reload when the panel opens again.
    click(f.BBN_Properties);
    f.EDT_Top->setText(QStringLiteral("0.9"));
    click(f.BBN_Cancel);
    open();
    EXPECT_EQ(f.EDT_Top->text(), QStringLiteral("0.9")) << "a cancelled edit stays in the field";
    click(f.BBN_Properties);
    EXPECT_EQ(f.EDT_Top->text(), QStringLiteral("0.3"));
}

TEST_F(PrintSettingsTest, ALengthThatIsNotANumberIsNamedAndNothingIsStored)
{
    seed();
    const struct
    {
        QLineEdit* TFRM_Report::*field;
        const char* name;
    } cases[] = {{&TFRM_Report::EDT_Left, "left margin"},
                 {&TFRM_Report::EDT_Right, "right margin"},
                 {&TFRM_Report::EDT_Top, "top margin"},
                 {&TFRM_Report::EDT_Bottom, "bottom margin"},
                 {&TFRM_Report::EDT_Space, "space between columns"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.boxes.clear();
        open();
        TFRM_Report& f = form();
        click(f.BBN_Properties);
        (f.*c.field)->setText(QStringLiteral("half"));
        f.SPN_Copies->setValue(9);
        const QStringList before = storeSnapshot();
        const GenericPage pageBefore = f.printSettings().Page;
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        click(f.BBN_Ok);
        ASSERT_EQ(desktop.boxes.size(), 1);
        EXPECT_EQ(desktop.boxes[0].kind, BoxKind::Error);
        EXPECT_TRUE(desktop.boxes[0].text.contains(QString::fromLatin1(c.name)))
            << qPrintable(desktop.boxes[0].text);
        EXPECT_TRUE(desktop.boxes[0].text.contains(QStringLiteral("\"half\"")));
        EXPECT_TRUE(f.isVisible()) << "the dialog stays open";
        EXPECT_EQ(storeSnapshot(), before);
        EXPECT_EQ(f.printSettings().Copies, 0);
        EXPECT_EQ(f.printSettings().Page.LeftMargin, pageBefore.LeftMargin);

        // Closing the panel is refused the same way.
        desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
        click(f.BBN_Properties);
        EXPECT_TRUE(f.isExpanded());
        EXPECT_EQ(desktop.boxes.size(), 2);
        EXPECT_EQ(storeSnapshot(), before);
        click(f.BBN_Cancel);
        f.LoadPrintSettings();
    }
}

TEST_F(PrintSettingsTest, ABadFieldInTheCollapsedDialogOpensThePanelToMendIt)
{
    seed();
    open();
    TFRM_Report& f = form();
    f.EDT_Bottom->setText(QStringLiteral("x"));
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    click(f.BBN_Ok);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.isExpanded());
    EXPECT_EQ(desktop.boxes.size(), 1);
}

TEST_F(PrintSettingsTest, StoredValuesThatAreNotNumbersAreReportedAndReplaced)
{
    seed();
    write(P::U_TopMargin, QStringLiteral("tall"));
    write(P::U_Copies, QStringLiteral("500"));
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    form();
    ASSERT_EQ(desktop.boxes.size(), 1);
    EXPECT_TRUE(desktop.boxes[0].text.contains(QStringLiteral("U_TopMargin")));
    EXPECT_EQ(form().EDT_Top->text(), QStringLiteral("0.5"));
    EXPECT_EQ(form().SPN_Copies->value(), 100) << "copies brought into 1 to 100";

    write(P::D_SpaceBetweenColumns, QStringLiteral("none"));
    open();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    click(form().BBN_Properties); // reloads: U_TopMargin is reported again
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    click(form().BTN_DefaultSettings);
    EXPECT_TRUE(desktop.boxes.back().text.contains(QStringLiteral("D_SpaceBetweenColumns")));
    EXPECT_EQ(form().EDT_Space->text(), QStringLiteral("0.1"));
    EXPECT_EQ(read(P::U_TopMargin), QStringLiteral("tall")) << "reading alone mends nothing";
}

TEST_F(PrintSettingsTest, FormCreateHidesAndDisablesEveryColumnSlot)
{
    TFRM_Report& f = form();
    for (int slot = 1; slot <= kReportMaxColumns; ++slot) {
        const ReportElement* heading = f.RPT_Report.findElement(QStringLiteral("RPL_Heading%1").arg(slot));
        const ReportElement* cell = f.RPT_Report.findElement(QStringLiteral("RPD_Cell%1").arg(slot));
        ASSERT_TRUE(heading && cell) << slot;
        EXPECT_FALSE(heading->visible || heading->enabled);
        EXPECT_FALSE(cell->visible || cell->enabled);
    }
    EXPECT_EQ(f.SPN_Copies->minimum(), 1);
    EXPECT_EQ(f.SPN_Copies->maximum(), 100);
}

} // namespace

namespace {

/// The widgets of a panel that stick out of it or are squeezed below what they need.
QStringList misplacedIn(const QWidget* panel)
{
    QStringList wrong;
    const QRect inside = panel->rect();
    const QList<QWidget*> children = panel->findChildren<QWidget*>();
    for (const QWidget* w : children) {
        if (!w->isVisibleTo(panel) || w->parentWidget()->inherits("QComboBox") ||
            w->parentWidget()->inherits("QAbstractSpinBox"))
            continue;
        const QRect r(w->mapTo(panel, QPoint(0, 0)), w->size());
        const QSize needs = w->minimumSizeHint().expandedTo(w->minimumSize());
        if (!inside.contains(r) || w->width() < needs.width() || w->height() < needs.height())
            wrong.append(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                   : w->objectName());
    }
    return wrong;
}

TEST_F(PrintSettingsTest, PanelsHaveTheirSizesAndHoldTheirControlsWhole)
{
    seed();
    open();
    TFRM_Report& f = form();
    EXPECT_EQ(f.size(), QSize(337, 129));
    EXPECT_EQ(misplacedIn(f.PNL_Main), QStringList());

    click(f.BBN_Properties);
    QApplication::processEvents();
    EXPECT_EQ(f.size(), QSize(337, 129 + 241));
    EXPECT_EQ(f.PNL_Main->geometry(), QRect(0, 0, 337, 129));
    EXPECT_EQ(f.PNL_Properties->geometry(), QRect(0, 129, 337, 241));
    EXPECT_EQ(misplacedIn(f.PNL_Properties), QStringList());
}

} // namespace
