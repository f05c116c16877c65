#pragma once

#include <QColor>

/// The colours of the editor's syntax roles, derived from the user's own background and text
/// colours: each keeps its hue but takes a lightness that reads on that background (light colours
/// on a dark background, dark ones on a light background).
struct SyntaxPalette
{
    enum class Role
    {
        Keyword,
        Literal,
        QuotedName,
        Comment,
        Number,
        Parameter,
    };
    static constexpr int kRoleCount = 6;

    QColor colors[kRoleCount];

    QColor color(Role role) const { return colors[static_cast<int>(role)]; }

    /// The palette for text on background. Every role reaches kMinimumContrast against the
    /// background whatever the background is.
    static SyntaxPalette derive(const QColor& background, const QColor& text);

    /// Contrast of two colours as the accessibility guidelines measure it: 1 (equal) to 21.
    static double contrast(const QColor& a, const QColor& b);
    static constexpr double kMinimumContrast = 4.5;
};
