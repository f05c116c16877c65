#include "support/ModalAnswer.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

void Poll(std::shared_ptr<std::function<void(QWidget*)>> act, QPointer<QWidget> notThis, bool excludeSet,
          int tries)
{
    QWidget* modal = QApplication::activeModalWidget();
    const bool excluded = excludeSet && modal == notThis.data();
    if (modal && modal->isVisible() && !excluded) {
        (*act)(modal);
        return;
    }
    if (tries >= 500) {
        ADD_FAILURE() << "no modal window came up";
        return;
    }
    QTimer::singleShot(10, [act, notThis, excludeSet, tries] { Poll(act, notThis, excludeSet, tries + 1); });
}

} // namespace

void WhenModal(std::function<void(QWidget*)> act, QWidget* notThis)
{
    auto shared = std::make_shared<std::function<void(QWidget*)>>(std::move(act));
    QPointer<QWidget> guard(notThis);
    const bool excludeSet = notThis != nullptr;
    QTimer::singleShot(0, [shared, guard, excludeSet] { Poll(shared, guard, excludeSet, 0); });
}
