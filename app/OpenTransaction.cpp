#include "app/OpenTransaction.h"

#include "app/StatusPanels.h"
#include "connection/Connection.h"
#include "connection/EngineError.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "query/EngineErrorBox.h"

#include <QLabel>

namespace {

const QString kQuestion =
    QStringLiteral("A transaction is open.\n\n"
                   "Yes: commit it.\nNo: roll it back.\nCancel: stay and keep it open.");

} // namespace

QLabel* AddTransactionPanel(StatusPanels& bar)
{
    auto* panel = new QLabel(QString::fromLatin1(kTransactionOpenText), &bar);
    panel->setObjectName(QStringLiteral("PNL_Transaction"));
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Bold red on the bar's own background: locks held for hours should not go unseen.
    panel->setStyleSheet(QStringLiteral("QLabel { color: #b00000; padding: 0 6px; }"));
    bar.addPermanentWidget(panel);
    panel->hide();
    return panel;
}

bool SettleOpenTransaction(AppContext& ctx, QWidget* parent)
{
    Connection* connection = ctx.connection;
    if (!connection || !connection->inTransaction())
        return true;
    const BoxAnswer answer =
        ctx.desktop.messageBox(BoxKind::Confirmation, kQuestion, BoxButtons::YesNoCancel, parent);
    if (answer != BoxAnswer::Yes && answer != BoxAnswer::No)
        return false;
    try {
        connection->endTransaction(answer == BoxAnswer::Yes);
    } catch (const EngineError& error) {
        ShowEngineError(ctx.desktop, error, parent);
        // A failed commit leaves it to the user; a failed rollback ends with the session anyway.
        return answer == BoxAnswer::No;
    }
    return true;
}
