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
    if (const QMargins own = ShownMargins(window); !own.isNull())
        return own;
    if (!IsFramedKind(window))
        return {};
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !IsFramedKind(*other))
            continue;
        if (const QMargins margins = ShownMargins(*other); !margins.isNull())
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
    const QRect frame = KeepOnScreen(placement.frame, AvailableAreas());
    m_normal = m_beforeNormal = frame;
    m_wanted = frame;
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
    QRect frame = normalNow || !m_normal.isValid() ? Frame(m_window) : m_normal;
    return {frame, bool(state & Qt::WindowMaximized)};
}

void WindowPlacement::follow()
{
    if (!m_window.isVisible() || (m_window.windowState() & kNotNormal))
        return;
    const QRect frame = Frame(m_window);
    if (m_wanted.isValid()) {
        // Until the window manager has framed the window its frame is not known.
        if (ShownMargins(m_window).isNull())
            return;
        // Framed now, with its own margins known: put right once what the expected ones missed.
        // Only once, so that a move by the user is never undone.
        if (const QRect wanted = std::exchange(m_wanted, QRect()); frame != wanted) {
            SetFrame(m_window, wanted);
            return;
        }
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
