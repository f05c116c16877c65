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
    const int x = fit(left, available.left(), (long long)available.right() - w + 1);
    const int y = fit(top, available.top(), (long long)available.bottom() - h + 1);
    return {x, y, w, h};
}

} // namespace UsableRange
