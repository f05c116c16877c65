#pragma once

#include <functional>

class QWidget;

/// Runs act on the next modal window that comes up (other than notThis), from the event loop of
/// that window. Reports a test failure when none comes within a few seconds.
void WhenModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr);
