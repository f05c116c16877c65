#include "platform/ClockText.h"
#include "support/GuiTest.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(ClockText, LongTimeFormatHasNoZone)
{
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        const QString format = LongTimeFormat(locale);
        EXPECT_FALSE(format.contains(u't')) << format.toStdString();
        EXPECT_TRUE(format.contains(QStringLiteral("ss"))) << format.toStdString();
        EXPECT_FALSE(format.endsWith(u' ')) << format.toStdString();
    }
    EXPECT_EQ(LongTimeText(QTime(13, 5, 9), QLocale::c()), QStringLiteral("13:05:09"));
    EXPECT_EQ(LongTimeText(QTime(13, 5, 9), QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("1:05:09 PM"));
}

TEST(ClockText, ShortDateUsesTheProgramFormat)
{
    EXPECT_EQ(ShortDateText(QDate(2024, 2, 9), QStringLiteral("MM/dd/yyyy"), QLocale::c()),
              QStringLiteral("02/09/2024"));
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ShortDateText(QDate(2024, 2, 9), QString(), us),
              us.toString(QDate(2024, 2, 9), QLocale::ShortFormat));
}

TEST(ClockText, RefreshInterval)
{
    struct Case
    {
        int hours, minutes, seconds, expected;
    };
    const Case cases[] = {
        {0, 1, 0, 60'000},     // the clock's default
        {0, 30, 0, 1'800'000}, // the date's default
        {0, 0, 0, 0},          // stopped
        {1, 2, 3, 3'723'000},
        {0, 0, -5, 0},          // nothing below zero
        {1'000, 0, 0, INT_MAX}, // more than a timer holds
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RefreshInterval(c.hours, c.minutes, c.seconds), c.expected)
            << c.hours << ":" << c.minutes << ":" << c.seconds;
}

TEST(ClockText, ZeroIntervalStopsTheTimer)
{
    GuiApp();
    QTimer timer;
    SetRefreshInterval(timer, 60'000);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 60'000);
    SetRefreshInterval(timer, 0);
    EXPECT_FALSE(timer.isActive());
    SetRefreshInterval(timer, 5);
    EXPECT_TRUE(timer.isActive());
}

} // namespace
