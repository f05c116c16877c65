#include "report_engine/ProgressWindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {
constexpr int kShowAfterMs = 400;
constexpr int kEventsEveryMs = 40;
} // namespace

ProgressWindow::ProgressWindow(const QString& caption, QWidget* parent)
    : m_dialog(new QProgressDialog(parent))
{
    m_dialog->setObjectName(QStringLiteral("ReportProgress"));
    m_dialog->setWindowTitle(caption);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(kShowAfterMs);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
    m_sinceEvents.start();
}

ProgressWindow::~ProgressWindow()
{
    // The parent may outlive us by far; the window must go now, its memory at the next turn.
    if (m_dialog) {
        // reset() also stops the timer that would show the window after its delay, which a
        // deferred delete may not beat while a modal preview runs its own loop.
        m_dialog->reset();
        m_dialog->hide();
        m_dialog->deleteLater();
    }
}

ReportProgress ProgressWindow::callback(const QString& label)
{
    return [this, label](int done, int total) { return step(label, done, total); };
}

bool ProgressWindow::wasCanceled() const
{
    return m_dialog && m_dialog->wasCanceled();
}

bool ProgressWindow::step(const QString& label, int done, int total)
{
    if (!m_dialog)
        return false;
    QString text = label;
    if (text.contains(QLatin1String("%1")))
        text = text.arg(done).arg(total);
    if (m_dialog->labelText() != text)
        m_dialog->setLabelText(text);
    if (m_dialog->maximum() != total)
        m_dialog->setRange(0, std::max(total, 1));
    m_dialog->setValue(std::min(done, std::max(total, 1)));
    // setValue turns the event loop only for a modal window on a changed value; make sure the
    // program repaints and the Cancel button is heard however the steps fall.
    if (m_sinceEvents.elapsed() >= kEventsEveryMs) {
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    return !m_dialog->wasCanceled();
}
