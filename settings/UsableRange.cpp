#include "settings/UsableRange.h"

#include <algorithm>

namespace UsableRange {

int FontPoints(int stored)
{
    return std::clamp(stored, kMinFontPoints, kMaxFontPoints);
}

int ColumnWidth(int stored)
{
    return std::clamp(stored, kMinColumnWidth, kMaxColumnWidth);
}

QRect WindowPlacement(int left, int top, int width, int height, const QRect& available)
{
    // In 64 bits: stored edges near the ends of the int range must not overflow on the way.
    const auto fit = [](long long value, long long low, long long high) {
        return int(std::clamp(value, low, std::max(low, high)));
    };
    const int w = fit(width, kMinWindowSize.width(), available.width());
    const int h = fit(height, kMinWindowSize.height(), available.height());
    // A window the user can still reach (its top edge on the area, a strip of it showing) stays
    // where it was put, partly off the area or not; any other is moved wholly onto the area.
    const long long x = left;
    const long long y = top;
    const bool reachable = x + w >= (long long)available.left() + kVisibleStrip &&
                           x <= (long long)available.right() - kVisibleStrip && y >= available.top() &&
                           y <= (long long)available.bottom() - kVisibleStrip;
    if (reachable)
        return {left, top, w, h};
    return {fit(x, available.left(), (long long)available.right() - w + 1),
            fit(y, available.top(), (long long)available.bottom() - h + 1), w, h};
}

} // namespace UsableRange
