#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;
class LongWorkWindow;

/// Long work the user can watch and stop. Nothing shows for the first half second; then a small
/// modal window over parent says what runs, the seconds elapsed and the rows so far, with a Cancel
/// button (Escape and the title bar's close too; Return and Space never press it). While the work reports,
/// the program keeps painting; before the window shows, user input waits so nothing else starts meanwhile.
class LongWork final
{
public:
    static constexpr int kShowAfterMs = 500;

    /// rowsText names the counted rows, "%1" standing for their number.
    LongWork(QWidget* parent, const QString& what,
             const QString& rowsText = QStringLiteral("Rows fetched: %1"));
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    /// Called by the work at least every 100 ms: rows so far, or -1 when none is counted yet.
    /// False once the user asked to stop.
    bool progress(qint64 rows);
    bool cancelled() const { return m_cancelled; }
    /// What pressing Cancel does besides; called at most once.
    void setOnCancel(std::function<void()> onCancel) { m_onCancel = std::move(onCancel); }

    /// The window while it is shown, for tests and for boxes that must sit above it.
    QWidget* window() const;

    /// Asks every long work running now to stop, as its Cancel would: the end of the run must
    /// not wait for them.
    static void CancelAll();

private:
    void cancel();

    QPointer<QWidget> m_parent;
    QString m_what;
    QString m_rowsText;
    QElapsedTimer m_clock;
    LongWorkWindow* m_window = nullptr;
    std::function<void()> m_onCancel;
    bool m_cancelled = false;
};
