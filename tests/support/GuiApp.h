#pragma once

class QApplication;

/// The application object of a test program that shows widgets: the one already made, or a
/// VemraApplication made now (and kept to the end of the program).
QApplication& GuiApp();
