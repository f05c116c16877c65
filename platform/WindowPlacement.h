#pragma once

#include "platform/Placement.h"

#include <QMargins>
#include <QObject>
#include <QTimer>

class QWidget;

/// Places one top-level window by its frame and reports where it was left, for every window that
/// stores a placement. A child of the window: it follows the window's normal frame as the window
/// manager moves and resizes it, so that a window left maximised or minimised still reports the
/// normal frame it will come back to.
///
/// Qt moves a window by its inside until the window manager has framed it, which made windows
/// creep by the title bar's height at every start. Here a window not yet framed is placed with
/// the frame margins of the program's framed windows, and put right once its own are known.
class WindowPlacement final : public QObject
{
    Q_OBJECT

public:
    explicit WindowPlacement(QWidget& window);

    /// Puts the window, hidden or shown, at the placement, wholly on a screen that exists.
    void apply(const Placement& placement);
    /// The placement to store: the normal frame and whether the window is maximised.
    Placement current() const;

    /// The available areas of the screens that exist, the primary screen first.
    static QList<QRect> AvailableAreas();
    /// The frame margins the window has, or is to expect when the window manager has not yet
    /// framed it: those it had when shown last, else those of another framed window.
    static QMargins FrameMargins(const QWidget& window);
    /// Moves and sizes a window so that its frame is the given rectangle.
    static void SetFrame(QWidget& window, const QRect& frame);
    /// The window's frame as the window manager shows it (its inside where there is no frame).
    static QRect Frame(const QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    /// Looks at the window until the window manager has framed it.
    void watchFraming();

    QWidget& m_window;
    /// The normal frame last seen, and the distinct one before it: the window manager may report
    /// a maximised size a moment before it reports the maximised state.
    QRect m_normal;
    QRect m_beforeNormal;
    /// The frame being applied, until the window manager has framed the window (in the normal
    /// state: a window shown maximised gets it when first restored).
    QRect m_wanted;
    int m_corrections = 0;
    /// The frame margins last seen in the normal state while framing, and whether the window was
    /// maximised or minimised since it was placed (its margins are then trusted once steady).
    QMargins m_margins;
    bool m_leftNormal = false;
    QTimer m_framing;
    int m_framingPolls = 0;
};
