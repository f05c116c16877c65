#pragma once

#include <exception>

#include <QString>

class Desktop;

/// The text the general error box shows for a failure: its own message (UTF-8), or a fixed
/// sentence when the failure carries none.
QString GeneralErrorText(const std::exception& failure);
/// The text for a failure that is no std::exception.
QString UnknownErrorText();
/// The general error box for a failure that is no std::exception.
void ShowUnknownError(Desktop& desktop);

/// The application's general error box: the failure's own message in an error box with OK.
/// Handlers that catch a failure only to report it route it here, as the application object does
/// for every failure that no handler catches.
void ShowGeneralError(Desktop& desktop, const std::exception& failure);

/// Runs a handler's work, showing any failure it throws in the general error box. Event
/// handlers and slots guard themselves with it: a failure left to unwind through the toolkit's
/// own code (which is not built for it) leaks and can leave a widget half-updated, a button
/// stuck down say. Returns false when the work failed.
template <typename Work> bool RunGuarded(Desktop& desktop, Work&& work)
{
    try {
        work();
        return true;
    } catch (const std::exception& failure) {
        ShowGeneralError(desktop, failure);
    } catch (...) {
        ShowUnknownError(desktop);
    }
    return false;
}
