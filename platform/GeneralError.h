#pragma once
// Temporary stand-in until the platform branch is merged.
#include "platform/Desktop.h"
#include <exception>
inline void ShowGeneralError(Desktop& desktop, const std::exception& e)
{
    desktop.messageBox(BoxKind::Error, QString::fromUtf8(e.what()), BoxButtons::Ok);
}
