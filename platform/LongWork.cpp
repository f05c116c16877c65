#include "platform/LongWork.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString kCancel = QStringLiteral("Cancel");
const QString kCancelling = QStringLiteral("Cancelling...");

/// The long works alive now, innermost last.
std::vector<LongWork*>& Running()
{
    static std::vector<LongWork*> works;
    return works;
}

} // namespace

/// The window of a long work. Escape and closing it ask to cancel rather than hide it: it stays
/// until the work has stopped.
class LongWorkWindow final : public QDialog
{
public:
    LongWorkWindow(QWidget* parent, const QString& what, std::function<void()> onCancel)
        : QDialog(parent,
                  Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint),
          m_onCancel(std::move(onCancel))
    {
        setObjectName(QStringLiteral("FRM_Progress"));
        setWindowTitle(what);
        setWindowModality(Qt::ApplicationModal);
        LBL_What = new QLabel(what + QStringLiteral("..."), this);
        LBL_What->setObjectName(QStringLiteral("LBL_What"));
        LBL_Elapsed = new QLabel(this);
        LBL_Elapsed->setObjectName(QStringLiteral("LBL_Elapsed"));
        LBL_Rows = new QLabel(this);
        LBL_Rows->setObjectName(QStringLiteral("LBL_Rows"));
        BTN_Cancel = new QPushButton(kCancel, this);
        BTN_Cancel->setObjectName(QStringLiteral("BTN_Cancel"));
        // The user's hands are still on the keys that started the work: Return, Space or the
        // execute key pressed again must not stop it. Only Escape, a click or the title bar do.
        BTN_Cancel->setAutoDefault(false);
        BTN_Cancel->setDefault(false);
        BTN_Cancel->setFocusPolicy(Qt::NoFocus);
        QObject::connect(BTN_Cancel, &QPushButton::clicked, this, [this] { requestCancel(); });

        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(BTN_Cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(LBL_What);
        layout->addWidget(LBL_Elapsed);
        layout->addWidget(LBL_Rows);
        layout->addLayout(buttons);
        setMinimumWidth(320);
    }

    void showState(qint64 elapsedMs, const QString& rows)
    {
        LBL_Elapsed->setText(QStringLiteral("Elapsed: %1 s").arg(elapsedMs / 1000));
        LBL_Rows->setText(rows);
    }

    void reject() override { requestCancel(); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        requestCancel();
    }

private:
    void requestCancel()
    {
        if (!BTN_Cancel->isEnabled())
            return;
        BTN_Cancel->setEnabled(false);
        BTN_Cancel->setText(kCancelling);
        m_onCancel();
    }

    std::function<void()> m_onCancel;
    QLabel* LBL_What = nullptr;
    QLabel* LBL_Elapsed = nullptr;
    QLabel* LBL_Rows = nullptr;
    QPushButton* BTN_Cancel = nullptr;
};

LongWork::LongWork(QWidget* parent, const QString& what, const QString& rowsText)
    : m_parent(parent), m_what(what), m_rowsText(rowsText)
{
    m_clock.start();
    Running().push_back(this);
}

LongWork::~LongWork()
{
    std::erase(Running(), this);
    delete m_window;
}

void LongWork::CancelAll()
{
    const std::vector<LongWork*> works = Running();
    for (LongWork* work : works) {
        // Through the window where it shows, so that it says it is cancelling.
        if (work->m_window)
            work->m_window->reject();
        else
            work->cancel();
    }
}

QWidget* LongWork::window() const
{
    return m_window;
}

void LongWork::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    if (m_onCancel)
        m_onCancel();
}

bool LongWork::progress(qint64 rows)
{
    const qint64 elapsed = m_clock.elapsed();
    const QString rowsLine = rows < 0 ? QString() : m_rowsText.arg(QLocale().toString(rows));
    if (!m_window && elapsed >= kShowAfterMs) {
        m_window = new LongWorkWindow(m_parent, m_what, [this] { cancel(); });
        m_window->showState(elapsed, rowsLine);
        m_window->show();
        m_window->raise();
    }
    if (m_window) {
        m_window->showState(elapsed, rowsLine);
        // The window is modal: input reaches only it, so nothing else starts meanwhile.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } else {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return !m_cancelled;
}
