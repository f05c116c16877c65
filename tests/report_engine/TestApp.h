#pragma once

#include <QApplication>

/// The one Qt application of a test program, made on first use (the offscreen platform is set
/// by ctest's environment).
inline QApplication& testApp()
{
    static int argc = 1;
    static char name[] = "vemra-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
