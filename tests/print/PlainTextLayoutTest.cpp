#include "print/PlainTextLayout.h"
#include "support/PaintApp.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

class PlainTextLayoutTest : public ::testing::Test
{
protected:
    PlainTextLayoutTest()
        : device(makeDevice()), metrics(QFont(QStringLiteral("Courier New"), 10), &device),
          w(metrics.horizontalAdvance(QStringLiteral("x"))), h(metrics.height()), advance(h + 2)
    {
    }

    static QImage makeDevice()
    {
        PaintApp();
        QImage image(1, 1, QImage::Format_Mono);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        return image;
    }

    /// A page ten line advances high and `columns` characters (and a half) wide.
    QSizeF page(double columns = 80) const { return QSizeF(w * columns + w / 2, advance * 10); }

    QImage device;
    QFontMetricsF metrics;
    double w;
    double h;
    double advance;
};

TEST_F(PlainTextLayoutTest, LinesGoDownByTheTextHeightPlusTwo)
{
    const QList<PlainTextPage> pages =
        LayoutPlainText({QStringLiteral("one"), QString(), QStringLiteral("two")}, metrics, page());
    ASSERT_EQ(pages.size(), 1);
    ASSERT_EQ(pages[0].runs.size(), 2);
    EXPECT_EQ(pages[0].runs[0].pos, QPointF(0, 0));
    EXPECT_EQ(pages[0].runs[0].text, QStringLiteral("one"));
    // An empty line advances by the character height alone.
    EXPECT_DOUBLE_EQ(pages[0].runs[1].pos.y(), advance + h);
}

TEST_F(PlainTextLayoutTest, TabsStopAtMultiplesOfEightAverageWidths)
{
    const double tab = 8 * metrics.averageCharWidth();
    struct Case
    {
        QString line;
        QString after;
        double x;
    };
    const QList<Case> cases = {
        {QStringLiteral("ab\tc"), QStringLiteral("c"), tab},
        {QStringLiteral("\tc"), QStringLiteral("c"), tab},
        {QStringLiteral("\t\tc"), QStringLiteral("c"), 2 * tab},
        {QStringLiteral("abcdefghi\tc"), QStringLiteral("c"), 2 * tab},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const QList<PlainTextPage> pages = LayoutPlainText({c.line}, metrics, page());
        ASSERT_FALSE(pages[0].runs.isEmpty());
        EXPECT_EQ(pages[0].runs.last().text, c.after);
        EXPECT_NEAR(pages[0].runs.last().pos.x(), c.x, 1e-9);
    }
}

TEST_F(PlainTextLayoutTest, FormFeedStartsAPageAndCarriageReturnDoesNothing)
{
    QList<PlainTextPage> pages =
        LayoutPlainText({QStringLiteral("ab\fcd"), QStringLiteral("e\rf")}, metrics, page());
    ASSERT_EQ(pages.size(), 2);
    ASSERT_EQ(pages[0].runs.size(), 1);
    EXPECT_EQ(pages[0].runs[0].text, QStringLiteral("ab"));
    ASSERT_EQ(pages[1].runs.size(), 2);
    EXPECT_EQ(pages[1].runs[0].pos, QPointF(0, 0));
    EXPECT_EQ(pages[1].runs[0].text, QStringLiteral("cd"));
    EXPECT_EQ(pages[1].runs[1].text, QStringLiteral("ef"));
    EXPECT_DOUBLE_EQ(pages[1].runs[1].pos.y(), advance);

    pages = LayoutPlainText({QStringLiteral("last\f")}, metrics, page());
    EXPECT_EQ(pages.size(), 2) << "a trailing form feed still asks for its page";
}

TEST_F(PlainTextLayoutTest, AWideLineBreaksAfterTheLastCharacterThatFits)
{
    const QList<PlainTextPage> pages =
        LayoutPlainText({QStringLiteral("abcdefghijklmnopqrstuvwxy")}, metrics, page(10));
    ASSERT_EQ(pages.size(), 1);
    ASSERT_EQ(pages[0].runs.size(), 3);
    EXPECT_EQ(pages[0].runs[0].text, QStringLiteral("abcdefghij"));
    EXPECT_EQ(pages[0].runs[1].text, QStringLiteral("klmnopqrst"));
    EXPECT_EQ(pages[0].runs[1].pos, QPointF(0, advance));
    EXPECT_EQ(pages[0].runs[2].text, QStringLiteral("uvwxy"));
}

TEST_F(PlainTextLayoutTest, ANewPageBeginsWhenLessThanTwoLinesRemain)
{
    // Page of 10 advances: after line k the position is k advances; more than 8 breaks, so a
    // page holds 9 lines.
    struct Case
    {
        int lines;
        QList<int> perPage;
    };
    for (const Case& c : {Case{1, {1}}, Case{8, {8}}, Case{9, {9}}, Case{10, {9, 1}}, Case{20, {9, 9, 2}}}) {
        SCOPED_TRACE(c.lines);
        QStringList lines;
        for (int i = 0; i < c.lines; ++i)
            lines.append(QStringLiteral("line %1").arg(i + 1));
        const QList<PlainTextPage> pages = LayoutPlainText(lines, metrics, page());
        ASSERT_EQ(pages.size(), c.perPage.size());
        for (int p = 0; p < pages.size(); ++p) {
            EXPECT_EQ(pages[p].runs.size(), c.perPage[p]);
            EXPECT_EQ(pages[p].runs.first().pos.y(), 0);
        }
    }
}

TEST_F(PlainTextLayoutTest, NoLinesGiveOneEmptyPage)
{
    const QList<PlainTextPage> pages = LayoutPlainText({}, metrics, page());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].runs.isEmpty());
}

} // namespace
