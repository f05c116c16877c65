#include "platform/ToolbarGlyphs.h"
#include "support/GuiApp.h"

#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

namespace {

class ToolbarGlyphsTest : public ::testing::Test
{
protected:
    void SetUp() override { GuiApp(); }
};

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

bool IsGrey(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() > 0 && (qAbs(c.red() - c.green()) > 2 || qAbs(c.green() - c.blue()) > 2))
                return false;
        }
    }
    return true;
}

/// The lowest lightness among the pixels that are mostly opaque.
int Darkest(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) > 160)
                darkest = qMin(darkest, qGray(pixel));
        }
    }
    return darkest;
}

bool HasColour(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() > 128 && c.hsvSaturation() > 80)
                return true;
        }
    }
    return false;
}

TEST_F(ToolbarGlyphsTest, EveryButtonHasANormalAndAGreyedPicture)
{
    const QStringList names = ToolbarGlyphNames();
    ASSERT_EQ(names, (QStringList{QStringLiteral("BBN_ClearScreen"), QStringLiteral("BBN_ChangeDataSource"),
                                  QStringLiteral("BBN_ExecuteSQL"), QStringLiteral("BBN_PrintSQL"),
                                  QStringLiteral("BBN_Options"), QStringLiteral("BBN_LoadSQL"),
                                  QStringLiteral("BBN_SaveSQL"), QStringLiteral("BBN_Close"),
                                  QStringLiteral("BBN_About"), QStringLiteral("BBN_Help")}));
    QSet<QByteArray> seen;
    for (const QString& name : names) {
        const QIcon icon = ToolbarGlyph(name);
        ASSERT_FALSE(icon.isNull()) << name.toStdString();
        const QImage normal = icon.pixmap(24, 24, QIcon::Normal).toImage();
        const QImage greyed = icon.pixmap(24, 24, QIcon::Disabled).toImage();
        EXPECT_EQ(normal.size(), QSize(24, 24));
        // A picture that fills a fair part of its square, with dark outlines; its greyed twin has no
        // colour and no dark lines.
        EXPECT_GT(OpaquePixels(normal), 24 * 24 / 6) << name.toStdString();
        EXPECT_LT(Darkest(normal), 80) << name.toStdString();
        EXPECT_GT(Darkest(greyed), 100) << name.toStdString();
        EXPECT_TRUE(IsGrey(greyed)) << name.toStdString();
        EXPECT_NE(normal, greyed);
        // Every button has a picture of its own.
        const QImage argb = normal.convertToFormat(QImage::Format_ARGB32);
        const QByteArray bytes(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes());
        EXPECT_FALSE(seen.contains(bytes)) << name.toStdString();
        seen.insert(bytes);
        // Drawn for the size asked, not scaled from one bitmap: the large one is no blown-up small one.
        const QImage large = icon.pixmap(48, 48).toImage();
        EXPECT_EQ(large.size(), QSize(48, 48));
        EXPECT_NE(large, normal.scaled(48, 48));
    }
}

TEST_F(ToolbarGlyphsTest, UnknownButtonsHaveNoGlyph)
{
    EXPECT_TRUE(ToolbarGlyph(QStringLiteral("BBN_Nothing")).isNull());
    EXPECT_TRUE(ToolbarGlyph(QStringLiteral("bbn_clearscreen")).isNull());
}

TEST_F(ToolbarGlyphsTest, GreyingKeepsShapeAndTransparency)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 0, 255, 0));
    const QImage grey = GreyedImage(image);
    EXPECT_EQ(qAlpha(grey.pixel(1, 0)), 0);
    EXPECT_GT(qAlpha(grey.pixel(0, 0)), 128);
    EXPECT_TRUE(IsGrey(grey));
    // Black comes out lighter than mid-grey's half: the greyed picture reads as inactive.
    QImage black(1, 1, QImage::Format_ARGB32);
    black.setPixel(0, 0, qRgba(0, 0, 0, 255));
    EXPECT_GE(qRed(GreyedImage(black).pixel(0, 0)), 100);
}

TEST_F(ToolbarGlyphsTest, ProgramIconAndLogo)
{
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48, 256})
        EXPECT_EQ(icon.pixmap(size, size).size(), QSize(size, size));
    const QPixmap logo = AboutLogo();
    EXPECT_EQ(logo.size(), QSize(85, 78));
    EXPECT_TRUE(HasColour(logo.toImage()));
}

} // namespace
