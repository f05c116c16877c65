#pragma once

#include <exception>

#include <QString>

class Desktop;

/// The text the general error box shows for a failure: its own message (UTF-8), or a fixed
/// sentence when the failure carries none.
QString GeneralErrorText(const std::exception& failure);
/// The text for a failure that is no std::exception.
QString UnknownErrorText();

/// The application's general error box: the failure's own message in an error box with OK.
/// Handlers that catch a failure only to report it route it here, as the application object does
/// for every failure that no handler catches.
void ShowGeneralError(Desktop& desktop, const std::exception& failure);
