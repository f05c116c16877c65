#include "report_engine/ReportLayout.h"
#include "report_engine/ReportDefinition.h"
#include "report_engine/TableRowSource.h"
#include "support/PaintApp.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>

namespace {

ReportElement textElement(const QString& name, const QString& text, double left, double top, double width)
{
    ReportElement e;
    e.name = name;
    e.text = text;
    e.left = left;
    e.top = top;
    e.width = width;
    e.height = 16;
    return e;
}

ReportElement dataElement(const QString& name, const QString& field, double left, double width)
{
    ReportElement e = textElement(name, QString(), left, 5, width);
    e.kind = ElementKind::Data;
    e.fieldName = field;
    return e;
}

ReportElement systemElement(const QString& name, SystemData what, const QString& prefix = {})
{
    ReportElement e = textElement(name, prefix, 0, 9, 0);
    e.kind = ElementKind::System;
    e.system = what;
    e.autoSize = true;
    return e;
}

/// Half-inch margins, a 65 pixel header, a 28 pixel detail, a 36 pixel footer: the shape of the
/// program's own result report.
ReportDefinition sampleDefinition()
{
    ReportDefinition def;
    def.page.leftMargin = def.page.rightMargin = def.page.topMargin = def.page.bottomMargin = 0.5;
    def.title = QStringLiteral("Sample");
    def.pageHeader.height = 65;
    def.pageHeader.frameTop = def.pageHeader.frameBottom = true;
    ReportElement title = textElement(QStringLiteral("Title"), QStringLiteral("Sample"), 0, 9, 0);
    title.align = ElementAlign::Center;
    title.autoSize = true;
    title.bottomLine = true;
    def.pageHeader.elements.append(title);
    def.pageHeader.elements.append(
        textElement(QStringLiteral("Heading"), QStringLiteral("Name"), 60, 39, 100));

    def.detail.height = 28;
    def.detail.elements.append(systemElement(QStringLiteral("RowNo"), SystemData::DetailNumber));
    def.detail.elements.append(dataElement(QStringLiteral("Cell"), QStringLiteral("name"), 60, 100));

    def.pageFooter.height = 36;
    def.pageFooter.frameTop = def.pageFooter.frameBottom = true;
    ReportElement pageNo =
        systemElement(QStringLiteral("PageNo"), SystemData::PageNumber, QStringLiteral("Page No: "));
    pageNo.align = ElementAlign::Right;
    def.pageFooter.elements.append(pageNo);
    return def;
}

TableRowSource rows(int count)
{
    TableRowSource source({QStringLiteral("ID"), QStringLiteral("NAME")});
    for (int i = 1; i <= count; ++i)
        source.addRow({QString::number(i), QStringLiteral("row %1").arg(i)});
    return source;
}

QList<PlacedItem> itemsOf(const LaidOutPage& page, const QString& element)
{
    QList<PlacedItem> found;
    for (const PlacedItem& item : page.items) {
        if (item.element == element && item.kind == PlacedItem::Kind::Text)
            found.append(item);
    }
    return found;
}

QList<PlacedItem> framesOf(const LaidOutPage& page, BandKind band)
{
    QList<PlacedItem> found;
    for (const PlacedItem& item : page.items) {
        if (item.kind == PlacedItem::Kind::Line && item.band == band && item.element.isEmpty())
            found.append(item);
    }
    return found;
}

class ReportLayoutTest : public ::testing::Test
{
protected:
    ReportLayoutTest() { PaintApp(); }
};

TEST_F(ReportLayoutTest, EmptySourceGivesNoPages)
{
    const LaidOutReport report = LayoutReport(sampleDefinition(), rows(0));
    EXPECT_TRUE(report.isEmpty());
    EXPECT_FALSE(report.cancelled);
    EXPECT_EQ(report.detailCount, 0);
}

TEST_F(ReportLayoutTest, PagesBreakWhenTheNextDetailWouldReachTheFooter)
{
    // Body: 1056 - 48 - 48 - 65 - 36 = 859 pixels, room for 30 details of 28.
    struct Case
    {
        int rows;
        QList<int> perPage;
    };
    const QList<Case> cases = {
        {1, {1}}, {30, {30}}, {31, {30, 1}}, {60, {30, 30}}, {100, {30, 30, 30, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        const LaidOutReport report = LayoutReport(sampleDefinition(), rows(c.rows));
        ASSERT_EQ(report.pages.size(), c.perPage.size());
        int detail = 0;
        for (int p = 0; p < report.pages.size(); ++p) {
            const LaidOutPage& page = report.pages[p];
            EXPECT_EQ(page.number, p + 1);
            EXPECT_EQ(itemsOf(page, QStringLiteral("Title")).size(), 1) << "header on every page";
            EXPECT_EQ(itemsOf(page, QStringLiteral("PageNo")).size(), 1) << "footer on every page";
            const QList<PlacedItem> cells = itemsOf(page, QStringLiteral("Cell"));
            ASSERT_EQ(cells.size(), c.perPage[p]);
            for (int i = 0; i < cells.size(); ++i) {
                ++detail;
                EXPECT_EQ(cells[i].text, QStringLiteral("row %1").arg(detail)) << "each row once, in order";
                EXPECT_DOUBLE_EQ(cells[i].rect.top(), 48 + 65 + 28 * i + 5);
            }
        }
        EXPECT_EQ(detail, c.rows);
        EXPECT_EQ(report.detailCount, c.rows);
    }
}

TEST_F(ReportLayoutTest, BandsAndElementsSitWhereTheDefinitionPutsThem)
{
    const LaidOutReport report = LayoutReport(sampleDefinition(), rows(3));
    ASSERT_EQ(report.pages.size(), 1);
    const LaidOutPage& page = report.pages[0];
    EXPECT_EQ(report.paper, QSizeF(816, 1056));

    const PlacedItem heading = itemsOf(page, QStringLiteral("Heading")).value(0);
    EXPECT_EQ(heading.rect, QRectF(48 + 60, 48 + 39, 100, 16));
    EXPECT_TRUE(heading.clip);

    // Centred across the band (48 .. 768), sized to its text, with a line under it.
    const PlacedItem title = itemsOf(page, QStringLiteral("Title")).value(0);
    EXPECT_NEAR(title.rect.center().x(), 408, 0.01);
    EXPECT_GT(title.rect.width(), 10);
    EXPECT_LT(title.rect.width(), 100);
    EXPECT_FALSE(title.clip);
    bool underlined = false;
    for (const PlacedItem& item : page.items) {
        if (item.kind == PlacedItem::Kind::Line && item.element == QStringLiteral("Title"))
            underlined = item.rect.top() == title.rect.bottom() && item.rect.width() == title.rect.width();
    }
    EXPECT_TRUE(underlined);

    // The page number hugs the right edge of the footer, which sits at the bottom margin.
    const PlacedItem pageNo = itemsOf(page, QStringLiteral("PageNo")).value(0);
    EXPECT_DOUBLE_EQ(pageNo.rect.right(), 768);
    EXPECT_DOUBLE_EQ(pageNo.rect.top(), 1056 - 48 - 36 + 9);
    EXPECT_EQ(pageNo.alignment, Qt::AlignRight);
    EXPECT_EQ(pageNo.text, QStringLiteral("Page No: 1"));

    const QList<PlacedItem> headerFrames = framesOf(page, BandKind::PageHeader);
    ASSERT_EQ(headerFrames.size(), 2);
    EXPECT_EQ(headerFrames[0].rect, QRectF(48, 48, 720, 0));
    EXPECT_EQ(headerFrames[1].rect, QRectF(48, 48 + 65, 720, 0));
    const QList<PlacedItem> footerFrames = framesOf(page, BandKind::PageFooter);
    ASSERT_EQ(footerFrames.size(), 2);
    EXPECT_DOUBLE_EQ(footerFrames[0].rect.top(), 1056 - 48 - 36);
    EXPECT_DOUBLE_EQ(footerFrames[1].rect.top(), 1056 - 48);
    EXPECT_TRUE(framesOf(page, BandKind::Detail).isEmpty());
}

TEST_F(ReportLayoutTest, LandscapeTurnsThePaper)
{
    ReportDefinition def = sampleDefinition();
    def.page.orientation = PageOrientation::Landscape;
    const LaidOutReport report = LayoutReport(def, rows(50));
    EXPECT_EQ(report.paper, QSizeF(1056, 816));
    // Body: 816 - 96 - 65 - 36 = 619, room for 22 details.
    ASSERT_EQ(report.pages.size(), 3);
    EXPECT_EQ(itemsOf(report.pages[0], QStringLiteral("Cell")).size(), 22);
    EXPECT_DOUBLE_EQ(itemsOf(report.pages[0], QStringLiteral("PageNo"))[0].rect.right(), 1056 - 48);
    EXPECT_NEAR(itemsOf(report.pages[0], QStringLiteral("Title"))[0].rect.center().x(), 528, 0.01);
}

TEST_F(ReportLayoutTest, SystemValuesFollowPagesAndRows)
{
    ReportDefinition def = sampleDefinition();
    def.dateFormat = QStringLiteral("MM/dd/yyyy");
    def.timeFormat = QStringLiteral("HH:mm");
    def.pageFooter.elements.append(systemElement(QStringLiteral("Date"), SystemData::Date));
    def.pageFooter.elements.append(systemElement(QStringLiteral("Time"), SystemData::Time));
    LayoutOptions options;
    options.now = QDateTime(QDate(2024, 2, 29), QTime(7, 5));
    const LaidOutReport report = LayoutReport(def, rows(31), options);
    ASSERT_EQ(report.pages.size(), 2);
    EXPECT_EQ(itemsOf(report.pages[1], QStringLiteral("PageNo"))[0].text, QStringLiteral("Page No: 2"));
    EXPECT_EQ(itemsOf(report.pages[1], QStringLiteral("RowNo"))[0].text, QStringLiteral("31"))
        << "the detail number runs on across pages";
    EXPECT_EQ(itemsOf(report.pages[0], QStringLiteral("RowNo"))[29].text, QStringLiteral("30"));
    EXPECT_EQ(itemsOf(report.pages[0], QStringLiteral("Date"))[0].text, QStringLiteral("02/29/2024"));
    EXPECT_EQ(itemsOf(report.pages[1], QStringLiteral("Time"))[0].text, QStringLiteral("07:05"));
}

TEST_F(ReportLayoutTest, OnlyVisibleEnabledElementsPrint)
{
    struct Case
    {
        bool visible;
        bool enabled;
        bool prints;
    };
    for (const Case& c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false},
                          Case{false, false, false}}) {
        ReportDefinition def = sampleDefinition();
        def.findElement(QStringLiteral("Cell"))->visible = c.visible;
        def.findElement(QStringLiteral("Cell"))->enabled = c.enabled;
        def.findElement(QStringLiteral("Title"))->enabled = c.enabled;
        const LaidOutReport report = LayoutReport(def, rows(2));
        ASSERT_EQ(report.pages.size(), 1);
        EXPECT_EQ(itemsOf(report.pages[0], QStringLiteral("Cell")).size(), c.prints ? 2 : 0);
        bool titleLine = false;
        for (const PlacedItem& item : report.pages[0].items)
            titleLine = titleLine || item.element == QStringLiteral("Title");
        EXPECT_EQ(titleLine, c.enabled) << "a disabled element takes its frame line with it";
        EXPECT_EQ(itemsOf(report.pages[0], QStringLiteral("RowNo")).size(), 2);
    }
}

TEST_F(ReportLayoutTest, DataElementsFindTheirFieldByNameWhateverItsPlace)
{
    ReportDefinition def = sampleDefinition();
    def.detail.elements.append(dataElement(QStringLiteral("IdCell"), QStringLiteral("Id"), 200, 50));
    def.detail.elements.append(dataElement(QStringLiteral("Lost"), QStringLiteral("NOSUCH"), 300, 50));
    def.detail.elements.append(dataElement(QStringLiteral("Unbound"), QString(), 400, 50));
    const LaidOutReport report = LayoutReport(def, rows(2));
    const LaidOutPage& page = report.pages[0];
    EXPECT_EQ(itemsOf(page, QStringLiteral("IdCell"))[1].text, QStringLiteral("2"));
    EXPECT_EQ(itemsOf(page, QStringLiteral("Cell"))[1].text, QStringLiteral("row 2"));
    EXPECT_EQ(itemsOf(page, QStringLiteral("Lost"))[0].text, QString());
    EXPECT_EQ(itemsOf(page, QStringLiteral("Unbound"))[0].text, QString());
}

TEST_F(ReportLayoutTest, FontsAreSharedAndSizedTextIsMeasuredInThem)
{
    ReportDefinition def = sampleDefinition();
    QFont bold(QStringLiteral("Times New Roman"), 10);
    bold.setBold(true);
    def.findElement(QStringLiteral("Title"))->font = bold;
    def.findElement(QStringLiteral("PageNo"))->font = bold;
    const LaidOutReport report = LayoutReport(def, rows(1));
    EXPECT_EQ(report.fonts.size(), 2);
    const PlacedItem title = itemsOf(report.pages[0], QStringLiteral("Title"))[0];
    const PlacedItem pageNo = itemsOf(report.pages[0], QStringLiteral("PageNo"))[0];
    EXPECT_EQ(title.font, pageNo.font);
    EXPECT_EQ(report.fonts[title.font], bold);

    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(3780);
    device.setDotsPerMeterY(3780);
    EXPECT_NEAR(title.rect.width(), QFontMetricsF(bold, &device).horizontalAdvance(QStringLiteral("Sample")),
                0.01);
}

TEST_F(ReportLayoutTest, DetailsFlowThroughPageColumns)
{
    ReportDefinition def = sampleDefinition();
    def.page.columns = 2;
    def.page.columnSpace = 0.25; // 24 pixels: columns of (720 - 24) / 2 = 348
    const LaidOutReport report = LayoutReport(def, rows(70));
    ASSERT_EQ(report.pages.size(), 2);
    const QList<PlacedItem> cells = itemsOf(report.pages[0], QStringLiteral("Cell"));
    ASSERT_EQ(cells.size(), 60);
    EXPECT_DOUBLE_EQ(cells[29].rect.left(), 48 + 60);
    EXPECT_DOUBLE_EQ(cells[30].rect.left(), 48 + 348 + 24 + 60);
    EXPECT_DOUBLE_EQ(cells[30].rect.top(), 48 + 65 + 5);
    // Header and footer keep the whole width.
    EXPECT_DOUBLE_EQ(itemsOf(report.pages[0], QStringLiteral("PageNo"))[0].rect.right(), 768);
}

TEST_F(ReportLayoutTest, ADetailTallerThanThePageStillGetsAPageEach)
{
    ReportDefinition def = sampleDefinition();
    def.detail.height = 2000;
    const LaidOutReport report = LayoutReport(def, rows(3));
    ASSERT_EQ(report.pages.size(), 3);
    for (const LaidOutPage& page : report.pages)
        EXPECT_EQ(itemsOf(page, QStringLiteral("Cell")).size(), 1);
}

TEST_F(ReportLayoutTest, ProgressSeesTheWholeAndCanCancel)
{
    QList<QPair<int, int>> calls;
    LayoutOptions options;
    options.progress = [&](int done, int total) {
        calls.append({done, total});
        return true;
    };
    LaidOutReport report = LayoutReport(sampleDefinition(), rows(600), options);
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.first(), qMakePair(0, 600));
    EXPECT_EQ(calls.last(), qMakePair(600, 600));
    EXPECT_FALSE(report.cancelled);

    int asked = 0;
    options.progress = [&](int, int) { return ++asked < 2; };
    report = LayoutReport(sampleDefinition(), rows(600), options);
    EXPECT_TRUE(report.cancelled);
    EXPECT_TRUE(report.isEmpty());
    EXPECT_EQ(asked, 2);
}

} // namespace

namespace {

/// A font's advance in report pixels, measured at print resolution.
double printAdvance(const QFont& font, const QString& text)
{
    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(qRound(1200 / 0.0254));
    device.setDotsPerMeterY(qRound(1200 / 0.0254));
    return QFontMetricsF(font, &device).horizontalAdvance(text) * 96 / 1200;
}

TEST_F(ReportLayoutTest, FixedWidthTextKeepsTheWholeCharactersThatFit)
{
    ReportDefinition def = sampleDefinition();
    const QString accented = QStringLiteral("e\u0301").repeated(40); // e and a combining accent
    TableRowSource source({QStringLiteral("NAME")});
    source.addRow({QStringLiteral("short")});
    source.addRow({QStringLiteral("W").repeated(40)});
    source.addRow({accented});
    const LaidOutReport report = LayoutReport(def, source);
    const QList<PlacedItem> cells = itemsOf(report.pages[0], QStringLiteral("Cell"));
    ASSERT_EQ(cells.size(), 3);
    const QFont font = report.fonts.at(cells[0].font);

    EXPECT_EQ(cells[0].text, QStringLiteral("short"));
    const QString ws = cells[1].text;
    ASSERT_FALSE(ws.isEmpty());
    EXPECT_EQ(ws, QString(ws.size(), u'W'));
    EXPECT_LE(printAdvance(font, ws), 100);
    EXPECT_GT(printAdvance(font, ws + u'W'), 100) << "no whole letter more would fit";

    const QString cut = cells[2].text;
    ASSERT_FALSE(cut.isEmpty());
    EXPECT_TRUE(accented.startsWith(cut));
    EXPECT_EQ(cut.size() % 2, 0) << "never a letter without its accent";
    EXPECT_LT(cut.size(), accented.size());
}

} // namespace
