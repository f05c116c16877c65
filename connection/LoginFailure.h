#pragma once

#include <QString>

#include <exception>

/// Why a connection attempt failed, in the engine's own words, for the login dialog's boxes: the
/// messages of an engine error's entries one a line (another failure's own message), with every
/// occurrence of the password typed replaced by as many "*" as the password field shows.
QString LoginFailureReason(const std::exception& failure, const QString& password);

/// A login box's fixed text, with the reason below it after a blank line (when there is one).
QString LoginFailureText(const QString& text, const QString& reason);
