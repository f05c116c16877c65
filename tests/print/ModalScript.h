#pragma once

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <functional>

/// Answers the modal windows that come up, in order, each with its action (which must close
/// it). Polls the event loop the modal windows run. An action given a window class waits for a
/// window of that class and lets others (a window that comes back to the top) pass.
class ModalScript final
{
public:
    ModalScript()
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start(20);
    }

    void then(std::function<void(QWidget*)> act) { m_actions.append({std::move(act), nullptr}); }
    template <typename Window> void thenOn(std::function<void(QWidget*)> act)
    {
        m_actions.append({std::move(act), &Window::staticMetaObject});
    }
    int pending() const { return int(m_actions.size()); }
    int answered() const { return m_answered; }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_current || m_actions.isEmpty())
            return;
        const QMetaObject* wanted = m_actions.first().window;
        if (wanted && !modal->metaObject()->inherits(wanted))
            return;
        m_current = modal;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            QObject::connect(
                dialog, &QDialog::finished, dialog, [this] { m_current = nullptr; },
                Qt::SingleShotConnection);
        }
        ++m_answered;
        m_actions.takeFirst().act(modal);
    }

    struct Action
    {
        std::function<void(QWidget*)> act;
        const QMetaObject* window;
    };

    QTimer m_poll;
    QList<Action> m_actions;
    QPointer<QWidget> m_current;
    int m_answered = 0;
};
