#include "query/SyntaxPalette.h"

#include <gtest/gtest.h>

namespace {

struct Background
{
    const char* name;
    QColor background;
    QColor text;
    bool distinct; ///< the roles must differ from each other (not so on backgrounds where
                   ///< only the extreme reads)
};

// clang-format off
const Background kBackgrounds[] = {
    {"white, black text (first run)", Qt::white, Qt::black, true},
    {"white, blue text", Qt::white, QColor(0, 0, 255), true},
    {"black, white text", Qt::black, Qt::white, true},
    {"navy, yellow text", QColor(0, 0, 128), Qt::yellow, true},
    {"dark grey, light grey text", QColor(40, 40, 40), QColor(200, 200, 200), true},
    {"light yellow, black text", QColor(255, 255, 192), Qt::black, true},
    {"mid grey, black text", QColor(128, 128, 128), Qt::black, false},
    {"the grey where black and white read alike", QColor(118, 118, 118), Qt::white, false},
    {"pure red, white text", Qt::red, Qt::white, false},
    {"text as dark as the background", Qt::black, QColor(10, 10, 10), true},
    {"text as light as the background", Qt::white, QColor(250, 250, 250), true},
};
// clang-format on

TEST(SyntaxPalette, EveryRoleReadsOnAnyBackground)
{
    for (const Background& row : kBackgrounds) {
        SCOPED_TRACE(row.name);
        const SyntaxPalette palette = SyntaxPalette::derive(row.background, row.text);
        const bool darkBackground = SyntaxPalette::contrast(row.background, Qt::white) >
                                    SyntaxPalette::contrast(row.background, Qt::black);
        for (int role = 0; role < SyntaxPalette::kRoleCount; ++role) {
            SCOPED_TRACE(role);
            const QColor color = palette.colors[role];
            EXPECT_GE(SyntaxPalette::contrast(color, row.background), SyntaxPalette::kMinimumContrast)
                << color.name().toStdString();
            // A dark background gets light colours, a light one dark colours.
            EXPECT_EQ(color.lightnessF() > row.background.lightnessF(), darkBackground)
                << color.name().toStdString();
            for (int other = 0; row.distinct && other < role; ++other)
                EXPECT_NE(color, palette.colors[other]) << "roles " << other << " and " << role;
        }
    }
}

TEST(SyntaxPalette, ContrastRunsFromOneToTwentyOne)
{
    EXPECT_DOUBLE_EQ(SyntaxPalette::contrast(Qt::white, Qt::white), 1.0);
    EXPECT_NEAR(SyntaxPalette::contrast(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_DOUBLE_EQ(SyntaxPalette::contrast(Qt::red, Qt::black),
                     SyntaxPalette::contrast(Qt::black, Qt::red));
    EXPECT_NEAR(SyntaxPalette::contrast(QColor(118, 118, 118), Qt::white), 4.54, 0.01);
}

} // namespace
