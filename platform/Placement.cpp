#include "platform/Placement.h"

#include <algorithm>

namespace {

qint64 OverlapArea(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

/// How much of a frame stays on its screen at least, each way: enough to grab and move it back.
constexpr int kMinVisible = 100;

/// Shifts (and cuts) the frame into the area.
QRect Inside(QRect frame, const QRect& area)
{
    frame.setWidth(std::min(frame.width(), area.width()));
    frame.setHeight(std::min(frame.height(), area.height()));
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
    return frame;
}

} // namespace

QRect KeepOnScreen(const QRect& frame, const QList<QRect>& availableAreas)
{
    if (availableAreas.isEmpty())
        return frame;
    const QRect* best = &availableAreas.front();
    qint64 bestOverlap = 0;
    for (const QRect& area : availableAreas) {
        const qint64 overlap = OverlapArea(frame, area);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = &area;
        }
    }
    const QRect& area = *best;
    QRect kept = frame;
    kept.setWidth(std::min(frame.width(), area.width()));
    kept.setHeight(std::min(frame.height(), area.height()));
    // The title bar never above the screen's top; elsewhere a part may hang over an edge.
    const int across = std::min(kept.width(), kMinVisible);
    const int down = std::min(kept.height(), kMinVisible);
    kept.moveLeft(std::clamp(kept.left(), area.left() - (kept.width() - across), area.right() + 1 - across));
    kept.moveTop(std::clamp(kept.top(), area.top(), area.bottom() + 1 - down));
    return kept;
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
