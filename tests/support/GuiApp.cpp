#include "support/GuiApp.h"

#include "platform/VemraApplication.h"

QApplication& GuiApp()
{
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "vemra-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at the end of the program Qt's own globals are gone before static objects
    // would be, and the application must outlive everything that uses it.
    static VemraApplication* const app = new VemraApplication(argc, argv);
    return *app;
}
