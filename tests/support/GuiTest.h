#pragma once

#include "app/AppContext.h"
#include "support/ScriptedDesktop.h"
#include "support/TestHome.h"

#include <QPrinter>

class QApplication;

/// The one QApplication of a test program, created on first use on Qt's current platform
/// (offscreen under ctest) and kept until the process ends.
QApplication& TestApplication();

/// Fixture for tests that build real windows: its own home (settings store, data sources), a
/// scripted desktop that fails the test on unexpected boxes, an application printer and a
/// registry holding them. Forms built by the test go into ctx as the program would put them.
class GuiTest : public IsolatedTest
{
protected:
    GuiTest();
    ~GuiTest() override;

    QApplication& app = TestApplication(); // first: the printer below needs it
    ScriptedDesktop desktop;
    QPrinter printer;
    AppContext ctx{desktop, printer};
};
