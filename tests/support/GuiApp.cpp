#include "support/GuiApp.h"

#include "platform/VemraApplication.h"

QApplication& GuiApp()
{
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "vemra-test";
    static char* argv[] = {name, nullptr};
    static VemraApplication app(argc, argv);
    return app;
}
