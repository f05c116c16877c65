#include "platform/Placement.h"

#include <algorithm>

namespace {

qint64 OverlapArea(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

/// The distance between two spans on one axis, 0 when they overlap.
qint64 Gap(int from, int to, int areaFrom, int areaTo)
{
    return std::max<qint64>({0, qint64(areaFrom) - to, qint64(from) - areaTo});
}

/// Shifts (and cuts) the frame into the area.
QRect Inside(QRect frame, const QRect& area)
{
    frame.setWidth(std::min(frame.width(), area.width()));
    frame.setHeight(std::min(frame.height(), area.height()));
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
    return frame;
}

/// The area the frame overlaps most; off every area, the nearest.
const QRect& BestArea(const QRect& frame, const QList<QRect>& availableAreas)
{
    const auto closeness = [&frame](const QRect& area) {
        if (const qint64 overlap = OverlapArea(frame, area))
            return overlap;
        return -(Gap(frame.left(), frame.right(), area.left(), area.right()) +
                 Gap(frame.top(), frame.bottom(), area.top(), area.bottom()));
    };
    const QRect* best = &availableAreas.front();
    for (const QRect& area : availableAreas) {
        if (closeness(area) > closeness(*best))
            best = &area;
    }
    return *best;
}

} // namespace

QRect WhollyOnScreen(const QRect& frame, const QList<QRect>& availableAreas)
{
    return availableAreas.isEmpty() ? frame : Inside(frame, BestArea(frame, availableAreas));
}

QRect PlaceBeside(const QRect& preferred, const QRect& keepVisible, const QRect& availableArea)
{
    const QRect start = Inside(preferred, availableArea);
    if (!start.intersects(keepVisible))
        return start;
    const QSize size = start.size();
    const QRect candidates[] = {
        QRect(QPoint(start.left(), keepVisible.bottom() + 1), size),
        QRect(QPoint(start.left(), keepVisible.top() - size.height()), size),
        QRect(QPoint(keepVisible.right() + 1, start.top()), size),
        QRect(QPoint(keepVisible.left() - size.width(), start.top()), size),
    };
    for (const QRect& candidate : candidates) {
        const QRect placed = Inside(candidate, availableArea);
        if (!placed.intersects(keepVisible))
            return placed;
    }
    return start;
}
