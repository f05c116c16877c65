#pragma once

#include "report_engine/ReportLayout.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

/// A cancelable progress window for long report work. It appears only when the work takes a
/// while, and keeps the program repainting by handing the event loop a turn at intervals.
class ProgressWindow final
{
public:
    ProgressWindow(const QString& caption, QWidget* parent = nullptr);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    /// A progress callback showing `label` (with %1 and %2 for done and total when present).
    ReportProgress callback(const QString& label);
    bool wasCanceled() const;

private:
    bool step(const QString& label, int done, int total);

    QPointer<QProgressDialog> m_dialog;
    QElapsedTimer m_sinceEvents;
};
