#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

/// Minimises every window of the program together, and brings them back together as soon as
/// any one of them is restored (by the window manager, a task bar or the program), the modal
/// window in front when one is open: the main window restored alone would sit blocked under a
/// modal window that is still minimised, and ignore every click.
class ApplicationMinimizer final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void minimize();
    /// True between a minimise and the restore that brings the windows back.
    bool isMinimized() const { return !m_windows.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restore(QWidget* restored);

    struct Entry
    {
        QPointer<QWidget> window;
        Qt::WindowStates state; ///< what it comes back to (maximised stays maximised)
    };
    QList<Entry> m_windows;
    bool m_busy = false;
};
