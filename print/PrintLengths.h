#pragma once

#include <QString>

#include <optional>

/// A length in inches as the settings store keeps it: general format with 15 significant
/// digits, no trailing zeros, "." as decimal point (0.125 stays "0.125").
QString StoredLengthText(double pixels);

/// A length in inches as the dialog shows it: the stored text cut (not rounded) two characters
/// after the first "." (0.125 shows as "0.12"); text without "." whole.
QString DisplayLengthText(double pixels);

/// Inches as typed or stored ("." as decimal point, blanks around allowed) in report pixels;
/// nullopt for text that is not a finite number.
std::optional<double> ParseInchesToPixels(const QString& text);
