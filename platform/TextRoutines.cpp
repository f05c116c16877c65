#include "platform/TextRoutines.h"

QString ReverseText(const QString& text)
{
    QString reversed;
    reversed.reserve(text.size());
    for (qsizetype i = text.size(); i > 0; --i) {
        const QChar c = text.at(i - 1);
        if (c.isLowSurrogate() && i >= 2 && text.at(i - 2).isHighSurrogate()) {
            reversed.append(text.at(i - 2));
            reversed.append(c);
            --i;
        } else {
            reversed.append(c);
        }
    }
    return reversed;
}

QString TextBeforeLast(const QString& text, QChar character)
{
    // Reverse, drop through the first occurrence, reverse back: the same as cutting at the last one.
    const QString reversed = ReverseText(text);
    const qsizetype found = reversed.indexOf(character);
    if (found < 0)
        return text;
    return ReverseText(reversed.mid(found + 1));
}
