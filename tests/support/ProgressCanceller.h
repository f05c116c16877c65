#pragma once

#include <QString>
#include <QTimer>

/// Watches for the progress window of a long call and presses its Cancel once, as soon as it
/// shows. Works from the event loop the long call keeps turning.
class ProgressCanceller final
{
public:
    ProgressCanceller();

    /// Whether the window came up and Cancel was pressed.
    bool cancelled() const { return m_cancelled; }
    /// The window's title when it was seen.
    QString title() const { return m_title; }

private:
    QTimer m_poll;
    bool m_cancelled = false;
    QString m_title;
};
