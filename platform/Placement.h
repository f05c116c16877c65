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

/// The frame kept on a screen that exists: the one whose available area it overlaps most, or
/// when it is off every screen the nearest (the first, the primary screen, on a tie). It is cut to that area's size and moved as little as
/// needed for its title bar to be below the area's top and for at least 100 pixels of it (or
/// all of it, when smaller) to be on the area each way. With no screens it is returned unchanged.
QRect KeepOnScreen(const QRect& frame, const QList<QRect>& availableAreas);

/// The frame, cut where it is larger, moved wholly inside the available area of the screen
/// KeepOnScreen would choose: where a new window opens.
QRect WhollyOnScreen(const QRect& frame, const QList<QRect>& availableAreas);

/// Where a window of the given frame size opens so that it does not cover the area to keep
/// visible (a selection): below it when there is room on that screen area, else above it, else
/// beside it; always inside the area. preferred is used when it covers nothing already.
QRect PlaceBeside(const QRect& preferred, const QRect& keepVisible, const QRect& availableArea);
