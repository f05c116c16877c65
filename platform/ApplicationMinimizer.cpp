#include "platform/ApplicationMinimizer.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace {

bool TakesPart(const QWidget& window)
{
    const Qt::WindowType type = window.windowType();
    return window.isVisible() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen;
}

} // namespace

void ApplicationMinimizer::minimize()
{
    if (m_busy)
        return;
    m_busy = true;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (!TakesPart(*window))
            continue;
        const bool known = std::any_of(m_windows.cbegin(), m_windows.cend(),
                                       [window](const Entry& entry) { return entry.window == window; });
        if (!known)
            m_windows.append({window, window->windowState() & ~(Qt::WindowMinimized | Qt::WindowActive)});
        window->setWindowState((window->windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    }
    if (!m_windows.isEmpty())
        qApp->installEventFilter(this);
    m_busy = false;
}

bool ApplicationMinimizer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (!m_busy && (type == QEvent::WindowStateChange || type == QEvent::Show) && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        const bool ours = std::any_of(m_windows.cbegin(), m_windows.cend(),
                                      [window](const Entry& entry) { return entry.window == window; });
        if (ours && window->isVisible() && !(window->windowState() & Qt::WindowMinimized))
            restore(window);
    }
    return QObject::eventFilter(watched, event);
}

void ApplicationMinimizer::restore(QWidget* restored)
{
    m_busy = true;
    qApp->removeEventFilter(this);
    const QList<Entry> windows = std::exchange(m_windows, {});
    for (const Entry& entry : windows) {
        if (entry.window && entry.window->isVisible() && entry.window != restored)
            entry.window->setWindowState(entry.state);
    }
    // The window that takes input goes in front: a modal one when it is open.
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = restored;
    front->raise();
    front->activateWindow();
    m_busy = false;
}
