#pragma once
// Temporary stand-in until the platform branch is merged.
#include <QIcon>
#include <QString>
inline QIcon ToolbarGlyph(const QString&) { return QIcon(); }
inline QIcon ProgramIcon() { return QIcon(); }
