#include "support/PaintApp.h"

#include <QGuiApplication>

QGuiApplication& PaintApp()
{
    if (auto* existing = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "vemra-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed, like GuiApp(): Qt's own globals are gone before static objects would be.
    static QGuiApplication* const app = new QGuiApplication(argc, argv);
    return *app;
}
