#pragma once

#include <QColor>

/// Stored colours are integers with red in bits 0-7, green in 8-15 and blue in 16-23
/// (16711680 is pure blue); higher bits are ignored.
inline QColor ColorFromValue(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

inline int ColorValue(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}
