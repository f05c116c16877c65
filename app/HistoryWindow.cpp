#include "app/HistoryWindow.h"

#include "platform/Desktop.h"
#include "query/SqlHistory.h"
#include "query/SqlHistoryModel.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("SQL History");

bool IsEnter(const QKeyEvent& key)
{
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && key.modifiers() == Qt::NoModifier;
}

} // namespace

HistoryWindow::HistoryWindow(Desktop& desktop, const SqlHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window), m_desktop(desktop), m_history(history), m_model(new SqlHistoryModel(this))
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(kTitle);
    resize(760, 420);

    EDT_Filter = new QLineEdit(this);
    EDT_Filter->setObjectName(QStringLiteral("EDT_Filter"));
    EDT_Filter->setPlaceholderText(QStringLiteral("Filter"));
    EDT_Filter->setClearButtonEnabled(true);
    EDT_Filter->installEventFilter(this);

    GRD_History = new QTableView(this);
    GRD_History->setObjectName(QStringLiteral("GRD_History"));
    GRD_History->setModel(m_model);
    GRD_History->setSelectionBehavior(QAbstractItemView::SelectRows);
    GRD_History->setSelectionMode(QAbstractItemView::SingleSelection);
    GRD_History->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GRD_History->setWordWrap(false);
    GRD_History->verticalHeader()->hide();
    // Fixed heights: sizing rows to their contents would read every row of a long history.
    GRD_History->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GRD_History->horizontalHeader()->setStretchLastSection(true);
    GRD_History->setColumnWidth(SqlHistoryModel::kStart, 140);
    GRD_History->setColumnWidth(SqlHistoryModel::kDuration, 70);
    GRD_History->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(EDT_Filter);
    layout->addWidget(GRD_History);

    connect(EDT_Filter, &QLineEdit::textChanged, m_model, &SqlHistoryModel::setFilter);
    connect(m_model, &QAbstractItemModel::modelReset, GRD_History, [this] {
        if (m_model->rowCount() > 0)
            GRD_History->setCurrentIndex(m_model->index(0, SqlHistoryModel::kStatement));
    });
    connect(GRD_History, &QAbstractItemView::doubleClicked, this, &HistoryWindow::chooseCurrent);
}

void HistoryWindow::refresh()
{
    if (isVisible())
        reload();
}

void HistoryWindow::showEvent(QShowEvent* event)
{
    reload();
    EDT_Filter->setFocus();
    QWidget::showEvent(event);
}

void HistoryWindow::reload()
{
    try {
        m_model->setEntries(m_history.newestFirst());
    } catch (const HistoryError& failure) {
        m_model->setEntries({});
        m_desktop.messageBox(BoxKind::Error, QString::fromUtf8(failure.what()), BoxButtons::Ok, this);
    }
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (IsEnter(key)) {
        chooseCurrent();
        return true;
    }
    // From the filter box straight into the list, as in any search field over a list.
    if (watched == EDT_Filter && (key.key() == Qt::Key_Down || key.key() == Qt::Key_Up)) {
        GRD_History->setFocus();
        QCoreApplication::sendEvent(GRD_History, event);
        return true;
    }
    if (key.key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void HistoryWindow::chooseCurrent()
{
    const QModelIndex current = GRD_History->currentIndex();
    if (!current.isValid())
        return;
    Q_EMIT statementChosen(m_model->data(current, SqlHistoryModel::kStatementRole).toString());
}
