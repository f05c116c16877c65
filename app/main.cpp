#include "app/Startup.h"
#include "connection/Login.h"
#include "platform/AppContext.h"
#include "platform/AppPrinter.h"
#include "platform/QtDesktop.h"
#include "platform/TerminationSignals.h"
#include "platform/ToolbarGlyphs.h"
#include "platform/VemraApplication.h"
#include "settings/Settings.h"

int main(int argc, char** argv)
{
    VemraApplication app(argc, argv);
    // The login dialog is the main form: the program ends when it closes before the main window
    // was ever shown, or on an explicit end. Closing the main window alone never quits.
    app.setQuitOnLastWindowClosed(false);
    app.setWindowIcon(ProgramIcon());

    QtDesktop desktop;
    app.setDesktop(&desktop);
    const Settings settings(SettingsStore::defaultPath());
    AppContext ctx(desktop, AppPrinter(), settings);

    Startup startup(ctx);
    // Logout, shutdown and Ctrl+C end the run as the program's own end does, through the teardown
    // below that keeps the editor's text.
    const TerminationSignals termination([&desktop] { desktop.endApplication(); });
    startup.login().show();
    const int code = app.exec();
    app.setDesktop(nullptr);
    return code;
}
