#pragma once

class QGuiApplication;

/// The application object of a test program that lays out text but shows no widget: the one
/// already made, or a QGuiApplication made now (and kept to the end of the program).
QGuiApplication& PaintApp();
