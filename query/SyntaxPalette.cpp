#include "query/SyntaxPalette.h"

#include <algorithm>
#include <cmath>

namespace {

double channel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

/// Hue (degrees) and saturation of each role, in the order of SyntaxPalette::Role.
struct Tint
{
    int hue;
    double saturation;
};
constexpr Tint kTints[SyntaxPalette::kRoleCount] = {
    {220, 0.80}, // keywords: blue
    {0, 0.75},   // literals: red
    {285, 0.55}, // quoted names: purple
    {120, 0.45}, // comments: muted green
    {30, 0.90},  // numbers: orange
    {180, 0.85}, // parameters: teal
};

} // namespace

double SyntaxPalette::contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

SyntaxPalette SyntaxPalette::derive(const QColor& background, const QColor& text)
{
    // Light colours where white reads better than black on this background, dark ones otherwise.
    const bool dark = contrast(background, Qt::white) > contrast(background, Qt::black);
    // The user's text sets how far from the background the colours start: text that stands out
    // little gets colours that stand out little, as long as they stay readable.
    const double textLightness = text.toHsl().lightnessF();
    const double start =
        dark ? std::max(0.62, std::min(textLightness, 0.75)) : std::min(0.40, std::max(textLightness, 0.28));
    SyntaxPalette palette;
    for (int role = 0; role < kRoleCount; ++role) {
        const Tint tint = kTints[role];
        QColor color;
        // Away from the background in small steps until the colour reads; the extreme (white or
        // black) always does, since it is the better of the two.
        for (double lightness = start;; lightness += dark ? 0.01 : -0.01) {
            const double l = std::clamp(lightness, 0.0, 1.0);
            color = QColor::fromHslF(tint.hue / 360.0, tint.saturation, l);
            if (contrast(color, background) >= kMinimumContrast || l <= 0.0 || l >= 1.0)
                break;
        }
        palette.colors[role] = color.toRgb();
    }
    return palette;
}
