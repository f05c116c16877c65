#pragma once

class QLineEdit;
class QString;

/// Makes a line edit a read-only field that shows its text from the start (a long text cut at
/// its end, never at its beginning: "1 mins 5 secs" must not read "5 secs"), at least as wide as
/// the longest text it is meant to hold, and with its whole text in its tooltip.
void MakeReadOnlyField(QLineEdit& field, const QString& longestText);
