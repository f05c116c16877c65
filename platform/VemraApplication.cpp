#include "platform/VemraApplication.h"

#include "platform/Desktop.h"
#include "platform/GeneralError.h"

#include <QtDebug>

#include <csignal>
#include <exception>

VemraApplication::VemraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // A write past the file size limit (ulimit -f) then fails with EFBIG and is reported like a
    // full disk, instead of ending the program before anything is saved.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool VemraApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        report(GeneralErrorText(failure));
    } catch (...) {
        report(UnknownErrorText());
    }
    return false;
}

void VemraApplication::report(const QString& text)
{
    if (!m_desktop) {
        qWarning().noquote() << text;
        return;
    }
    // The box itself may fail (a handler inside its loop, say); that must not escape Qt's code.
    try {
        m_desktop->messageBox(BoxKind::Error, text, BoxButtons::Ok);
    } catch (...) {
        qWarning().noquote() << text;
    }
}

#include "moc_VemraApplication.cpp"
