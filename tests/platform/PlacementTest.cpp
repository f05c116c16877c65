#include "platform/Placement.h"

#include <gtest/gtest.h>

namespace {

const QRect kLeftScreen(0, 0, 1280, 1024);
const QRect kRightScreen(1280, 0, 1920, 1080); // a second screen beside the first

const QRect kSmallScreen(0, 0, 800, 600);

struct KeepCase
{
    const char* what;
    QRect stored;
    QRect kept;
    QList<QRect> screens{kLeftScreen, kRightScreen};
};

class KeepOnScreenCases : public ::testing::TestWithParam<KeepCase>
{
};

TEST_P(KeepOnScreenCases, ComesBackWhollyOnTheScreenThatHoldsMostOfIt)
{
    const KeepCase& c = GetParam();
    EXPECT_EQ(WhollyOnScreen(c.stored, c.screens), c.kept) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Placement, KeepOnScreenCases,
    ::testing::Values(
        KeepCase{"the top-left corner is a place like any other", {0, 0, 640, 480}, {0, 0, 640, 480}},
        KeepCase{"wholly on the second screen", {1400, 50, 800, 600}, {1400, 50, 800, 600}},
        KeepCase{
            "across both screens, onto the one it is most on", {1000, 100, 600, 400}, {1280, 100, 600, 400}},
        KeepCase{"title bar above the top comes down", {100, -30, 640, 480}, {100, 0, 640, 480}},
        KeepCase{
            "hanging over the right edge comes wholly back", {3000, 100, 300, 200}, {2900, 100, 300, 200}},
        KeepCase{"beyond the last screen comes wholly back", {3500, 100, 300, 200}, {2900, 100, 300, 200}},
        KeepCase{"below the bottom comes back up", {100, 5000, 640, 480}, {100, 544, 640, 480}},
        KeepCase{"left of the first screen comes back", {-900, 10, 640, 480}, {0, 10, 640, 480}},
        KeepCase{"larger than its screen is cut to it", {10, 0, 2000, 1500}, {0, 0, 1280, 1024}},
        KeepCase{"on a screen that is gone goes to the nearest", {-5000, -4000, 640, 480}, {0, 0, 640, 480}},
        KeepCase{"a small window across two screens goes onto the one it is most on",
                 {1275, 1020, 50, 40},
                 {1280, 1020, 50, 40}},
        KeepCase{
            "a small window past the edge comes wholly back", {3300, 5000, 50, 40}, {3150, 1040, 50, 40}},
        KeepCase{"stored on 1600x1200, back on 800x600: cut, then moved",
                 {700, 500, 1200, 900},
                 {0, 0, 800, 600},
                 {kSmallScreen}},
        KeepCase{"only its corner was on the smaller screen",
                 {700, 500, 640, 480},
                 {160, 120, 640, 480},
                 {kSmallScreen}},
        KeepCase{"the second monitor is gone", {1900, 100, 800, 500}, {0, 100, 800, 500}, {kSmallScreen}},
        KeepCase{
            "taller than the screen, wide enough", {100, 50, 400, 900}, {100, 0, 400, 600}, {kSmallScreen}}));

TEST(KeepOnScreen, WithoutScreensTheFrameIsKept)
{
    EXPECT_EQ(WhollyOnScreen({5000, 5000, 10, 10}, {}), QRect(5000, 5000, 10, 10));
}

TEST(WhollyOnScreen, ANewWindowLiesInsideTheScreenItIsMostOn)
{
    const QList<QRect> screens{kLeftScreen, kRightScreen};
    EXPECT_EQ(WhollyOnScreen({210, 700, 860, 625}, screens), QRect(210, 399, 860, 625)) << "below the bottom";
    EXPECT_EQ(WhollyOnScreen({1000, 10, 600, 400}, screens), QRect(1280, 10, 600, 400))
        << "across two screens";
    EXPECT_EQ(WhollyOnScreen({-50, -20, 2000, 1500}, screens), kLeftScreen) << "larger than the screen";
    EXPECT_EQ(WhollyOnScreen({5, 5, 10, 10}, {}), QRect(5, 5, 10, 10));
}

struct BesideCase
{
    const char* what;
    QRect preferred;
    QRect selection;
    QRect placed;
};

class PlaceBesideCases : public ::testing::TestWithParam<BesideCase>
{
};

TEST_P(PlaceBesideCases, LeavesTheSelectionVisibleAndStaysOnTheScreen)
{
    const BesideCase& c = GetParam();
    const QRect placed = PlaceBeside(c.preferred, c.selection, kLeftScreen);
    EXPECT_EQ(placed, c.placed) << c.what;
    EXPECT_FALSE(placed.intersects(c.selection)) << c.what;
    EXPECT_TRUE(kLeftScreen.contains(placed)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Placement, PlaceBesideCases,
                         ::testing::Values(BesideCase{"covering nothing, it stays",
                                                      {400, 300, 300, 150},
                                                      {0, 100, 200, 16},
                                                      {400, 300, 300, 150}},
                                           BesideCase{"over the selection, it goes below it",
                                                      {400, 300, 300, 150},
                                                      {350, 350, 200, 16},
                                                      {400, 366, 300, 150}},
                                           BesideCase{"no room below, it goes above",
                                                      {400, 900, 300, 150},
                                                      {350, 950, 200, 16},
                                                      {400, 800, 300, 150}},
                                           BesideCase{"a selection as tall as the screen: beside it",
                                                      {100, 300, 300, 150},
                                                      {0, 0, 200, 1024},
                                                      {200, 300, 300, 150}},
                                           BesideCase{"partly off the screen, it comes on",
                                                      {1200, 1000, 300, 150},
                                                      {0, 0, 10, 10},
                                                      {980, 874, 300, 150}}));

} // namespace
