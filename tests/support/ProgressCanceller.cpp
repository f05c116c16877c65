#include "support/ProgressCanceller.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

ProgressCanceller::ProgressCanceller()
{
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (m_cancelled || w->objectName() != u"FRM_Progress" || !w->isVisible())
                continue;
            if (auto* button = w->findChild<QPushButton*>(QStringLiteral("BTN_Cancel"))) {
                m_title = w->windowTitle();
                m_cancelled = true;
                button->click();
            }
        }
    });
    m_poll.start(20);
}
