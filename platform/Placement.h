#pragma once

#include <QList>
#include <QRect>

/// Where a window was left: its frame (title bar and borders included) in the normal state, and
/// whether it was maximised. The frame is what a person sees and what the window manager reports,
/// so a placement stored from a window and applied to it again puts the window back unmoved.
struct Placement
{
    QRect frame;
    bool maximized = false;

    bool operator==(const Placement&) const = default;
};

/// Where a stored frame comes back, and where a new window opens: wholly on the screen whose
/// available area holds most of it (off every screen, the nearest; the first, the primary screen,
/// on a tie). It is cut to that area's size first, then moved as little as needed to lie inside
/// it, so that a window stored on a larger screen or on a monitor that is gone comes back with
/// its title bar and its buttons on the screen. With no screens it is returned unchanged.
QRect WhollyOnScreen(const QRect& frame, const QList<QRect>& availableAreas);

/// Where a window of the given frame size opens so that it does not cover the area to keep
/// visible (a selection): below it when there is room on that screen area, else above it, else
/// beside it; always inside the area. preferred is used when it covers nothing already.
QRect PlaceBeside(const QRect& preferred, const QRect& keepVisible, const QRect& availableArea);
