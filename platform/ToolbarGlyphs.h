#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

/// The pictures of the program: the tool bar glyphs, the program icon and the about box's logo.
/// Drawn, not loaded, so they stay sharp at every size.

/// The glyph of a tool bar button by the button's name (BBN_ClearScreen, BBN_ExecuteSQL, ...):
/// a normal picture and a greyed one (QIcon::Disabled) at several sizes. A null icon for a name
/// that has no glyph.
QIcon ToolbarGlyph(const QString& buttonName);

/// The names ToolbarGlyph knows, in tool bar order.
QStringList ToolbarGlyphNames();

/// The greyed form of a picture: its lightness kept in grey, lighter, the same transparency.
QImage GreyedImage(const QImage& image);

/// The program's icon (for the windows and the about box).
QIcon ProgramIcon();

/// The about box's logo picture, drawn at the given size.
QPixmap AboutLogo(const QSize& size = QSize(85, 78));
