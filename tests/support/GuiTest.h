#pragma once

#include "platform/AppContext.h"
#include "settings/Settings.h"
#include "support/GuiApp.h"
#include "support/ScriptedDesktop.h"
#include "support/TestHome.h"

#include <QPrinter>

/// Fixture for tests that build real windows: its own home (settings store, data sources), a
/// scripted desktop that fails the test on unexpected boxes, an application printer and a
/// registry holding them. Forms built by the test go into ctx as the program would put them.
class GuiTest : public IsolatedTest
{
protected:
    GuiTest();
    ~GuiTest() override;

    QApplication& app = GuiApp(); // first: the printer below needs it
    ScriptedDesktop desktop;
    QPrinter printer;
    Settings settings{SettingsStore::defaultPath()};
    AppContext ctx{desktop, printer, settings};
};
