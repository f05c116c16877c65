#pragma once

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTimer>

#include <functional>

/// Answers the modal windows that come up, in order, each with its action (which must close
/// it). Polls the event loop the modal windows run.
class ModalScript final
{
public:
    ModalScript()
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start(20);
    }

    void then(std::function<void(QWidget*)> act) { m_actions.append(std::move(act)); }
    int pending() const { return int(m_actions.size()); }
    int answered() const { return m_answered; }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_current || m_actions.isEmpty())
            return;
        m_current = modal;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            QObject::connect(dialog, &QDialog::finished, dialog, [this] { m_current = nullptr; },
                             Qt::SingleShotConnection);
        }
        ++m_answered;
        m_actions.takeFirst()(modal);
    }

    QTimer m_poll;
    QList<std::function<void(QWidget*)>> m_actions;
    QPointer<QWidget> m_current;
    int m_answered = 0;
};
