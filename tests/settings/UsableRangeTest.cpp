#include "settings/UsableRange.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct PlacementCase
{
    const char* name;
    int left, top, width, height; ///< as stored: a QRect could not hold the extremes
    QRect usable;
};

TEST(UsableRange, WindowPlacement)
{
    const QRect area(0, 0, 1280, 1024);
    const PlacementCase cases[] = {
        {"inside: kept", 50, 60, 700, 500, {50, 60, 700, 500}},
        {"at the far corner: kept", 580, 524, 700, 500, {580, 524, 700, 500}},
        {"partly past the right: kept", 1000, 10, 640, 480, {1000, 10, 640, 480}},
        {"partly past the left: kept", -400, 10, 640, 480, {-400, 10, 640, 480}},
        {"all but a sliver past the right: moved on", 1270, 10, 640, 480, {640, 10, 640, 480}},
        {"title bar above the area: moved on", 100, -30, 640, 480, {100, 0, 640, 480}},
        {"far left and above", INT_MIN, INT_MIN, 640, 480, {0, 0, 640, 480}},
        {"far right and below", INT_MAX, INT_MAX, 640, 480, {640, 544, 640, 480}},
        {"larger than the area", 0, 0, 100000, INT_MAX, {0, 0, 1280, 1024}},
        {"no size", 10, 10, 0, -5, {10, 10, 160, 120}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UsableRange::WindowPlacement(c.left, c.top, c.width, c.height, area), c.usable);
    }
    // An area away from the origin, as a second screen on the left gives.
    EXPECT_EQ(UsableRange::WindowPlacement(-5000, 0, 640, 480, QRect(-1920, 0, 3200, 1080)),
              QRect(-1920, 0, 640, 480));
}

TEST(UsableRange, FontSizeAndColumnWidth)
{
    EXPECT_EQ(UsableRange::FontPoints(10), 10);
    EXPECT_EQ(UsableRange::FontPoints(100000), UsableRange::kMaxFontPoints);
    EXPECT_EQ(UsableRange::FontPoints(0), UsableRange::kMinFontPoints);
    EXPECT_EQ(UsableRange::ColumnWidth(120), 120);
    EXPECT_EQ(UsableRange::ColumnWidth(-100), UsableRange::kMinColumnWidth);
    EXPECT_EQ(UsableRange::ColumnWidth(INT_MAX), UsableRange::kMaxColumnWidth);
}

} // namespace
