#pragma once

#include <QRect>

/// Ranges that keep the program usable whatever a hand-edited settings file holds: a stored
/// number outside its range is read as the nearest value inside. Values inside are kept as they
/// are, so every placement or size the program itself stores comes back unchanged.
namespace UsableRange {

inline constexpr int kMinFontPoints = 4;
inline constexpr int kMaxFontPoints = 72;
/// Narrow enough for any real column, wide enough to be seen and dragged wider.
inline constexpr int kMinColumnWidth = 20;
inline constexpr int kMaxColumnWidth = 8000;
inline constexpr QSize kMinWindowSize{160, 120};
/// How much of a window must show on the available area for it to stay where it was put.
inline constexpr int kVisibleStrip = 48;

int FontPoints(int stored);
int ColumnWidth(int stored);
/// A window's stored placement (position and size) made usable on the available area: no larger
/// than the area, no smaller than kMinWindowSize, and moved wholly onto the area when its top
/// edge is off the area or less than a strip of it shows.
QRect WindowPlacement(int left, int top, int width, int height, const QRect& available);

} // namespace UsableRange
