#include "support/GuiTest.h"

#include <QApplication>

QApplication& TestApplication()
{
    // Never destroyed: tearing Qt down during static destruction races its own globals.
    static int argc = 1;
    static char name[] = "vemra_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

GuiTest::GuiTest() = default;

GuiTest::~GuiTest() = default;
