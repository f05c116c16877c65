#include "platform/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

/// How often, and how many times, a window just shown is looked at until it is framed.
constexpr std::chrono::milliseconds kFramingPoll{50};
constexpr int kFramingPolls = 200;
/// The window manager may refuse a place; trying for ever would fight it.
constexpr int kMaxCorrections = 3;

constexpr Qt::WindowStates kNotNormal = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;

bool IsFramedKind(const QWidget& window)
{
    const Qt::WindowType type = window.windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen &&
           !(window.windowFlags() & Qt::FramelessWindowHint);
}

QMargins ShownMargins(const QWidget& window)
{
    if (!window.isVisible() || !window.windowHandle())
        return {};
    return window.windowHandle()->frameMargins();
}

/// Margins of a frame the window manager has finished: while it builds one, the frame can be
/// smaller than the window inside it.
bool Finished(const QMargins& margins)
{
    return !margins.isNull() && margins.left() >= 0 && margins.top() >= 0 && margins.right() >= 0 &&
           margins.bottom() >= 0;
}

} // namespace

WindowPlacement::WindowPlacement(QWidget& window) : QObject(&window), m_window(window)
{
    m_window.installEventFilter(this);
    // Framing a window where it asked to be moves nothing, so no event says that it happened.
    m_framing.setInterval(kFramingPoll);
    connect(&m_framing, &QTimer::timeout, this, [this] {
        follow();
        if (!m_wanted.isValid() || ++m_framingPolls > kFramingPolls)
            m_framing.stop();
    });
}

QList<QRect> WindowPlacement::AvailableAreas()
{
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas.append(screen->availableGeometry());
    }
    return areas;
}

QMargins WindowPlacement::FrameMargins(const QWidget& window)
{
    if (const QMargins own = ShownMargins(window); Finished(own))
        return own;
    if (!IsFramedKind(window))
        return {};
    // A maximised window's frame has no borders; a normal one's is what a window opening gets.
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !IsFramedKind(*other) || (other->windowState() & kNotNormal))
            continue;
        if (const QMargins margins = ShownMargins(*other); Finished(margins))
            return margins;
    }
    return {};
}

QRect WindowPlacement::Frame(const QWidget& window)
{
    return window.geometry().marginsAdded(ShownMargins(window));
}

void WindowPlacement::SetFrame(QWidget& window, const QRect& frame)
{
    // The inside is what Qt moves; placed by it, the window lands where the frame is wanted.
    window.setGeometry(frame.marginsRemoved(FrameMargins(window)));
}

void WindowPlacement::apply(const Placement& placement)
{
    const QRect frame = WhollyOnScreen(placement.frame, AvailableAreas());
    m_normal = m_beforeNormal = frame;
    m_wanted = frame;
    m_corrections = 0;
    m_leftNormal = false;
    m_window.setWindowState(m_window.windowState() & ~kNotNormal);
    SetFrame(m_window, frame);
    if (placement.maximized)
        m_window.setWindowState(m_window.windowState() | Qt::WindowMaximized);
    if (m_window.isVisible())
        watchFraming();
}

void WindowPlacement::watchFraming()
{
    m_framingPolls = 0;
    m_framing.start();
}

Placement WindowPlacement::current() const
{
    const Qt::WindowStates state = m_window.windowState();
    const bool normalNow = m_window.isVisible() && !(state & kNotNormal);
    const QRect frame = normalNow || !m_normal.isValid() ? Frame(m_window) : m_normal;
    return {frame, bool(state & Qt::WindowMaximized)};
}

void WindowPlacement::follow()
{
    if (!m_window.isVisible())
        return;
    if (m_window.windowState() & kNotNormal) {
        m_leftNormal = true;
        m_margins = QMargins();
        return;
    }
    const QRect frame = Frame(m_window);
    if (m_wanted.isValid()) {
        // Until the window manager has framed the window in the normal state the frame is not
        // known: margins are null before, negative while the frame is still being built, and
        // change in steps as the window leaves the maximised state.
        const QMargins margins = ShownMargins(m_window);
        const QMargins before = std::exchange(m_margins, margins);
        if (!Finished(margins) || (m_leftNormal && margins != before))
            return;
        if (frame != m_wanted && m_corrections < kMaxCorrections) {
            ++m_corrections;
            SetFrame(m_window, m_wanted);
            return;
        }
        // There, or the window manager will not have it there: a move from now on is the user's.
        m_wanted = QRect();
    }
    if (frame != m_normal) {
        m_beforeNormal = m_normal;
        m_normal = frame;
    }
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::Show:
            if (m_wanted.isValid())
                watchFraming();
            follow();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            follow();
            break;
        case QEvent::WindowStateChange:
            // Restored from maximised: framed anew, with the margins of the normal state.
            if (m_wanted.isValid() && !(m_window.windowState() & kNotNormal))
                watchFraming();
            // Taken for the normal frame, the maximised one came before the state that explains it.
            if ((m_window.windowState() & Qt::WindowMaximized) && Frame(m_window) == m_normal &&
                m_window.screen() && m_normal.contains(m_window.screen()->availableGeometry()))
                m_normal = m_beforeNormal;
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
