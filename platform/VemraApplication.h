#pragma once

#include <QApplication>

class Desktop;

/// The application object. A failure thrown by any event handler or slot and caught by nobody
/// ends that handler only: it is shown in the general error box and the program keeps running.
class VemraApplication : public QApplication
{
    Q_OBJECT

public:
    VemraApplication(int& argc, char** argv);

    /// Where the general error box is shown; without one a failure is only logged.
    void setDesktop(Desktop* desktop) { m_desktop = desktop; }
    Desktop* desktop() const { return m_desktop; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void report(const QString& text);

    Desktop* m_desktop = nullptr;
};
