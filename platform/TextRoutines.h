#pragma once

#include <QChar>
#include <QString>

/// The text's characters in reverse order. A character outside the basic plane (a surrogate
/// pair) stays one character, so reversing twice gives the text back.
QString ReverseText(const QString& text);

/// The part of text before the last occurrence of character; the whole text when it does not
/// occur. "/home/a/q.SQL" with '/' gives "/home/a".
QString TextBeforeLast(const QString& text, QChar character);
