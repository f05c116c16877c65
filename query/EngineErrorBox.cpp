#include "query/EngineErrorBox.h"

#include "platform/Desktop.h"
#include "query/Generic.h"

void ShowEngineError(Desktop& desktop, const EngineError& error, QWidget* parent)
{
    desktop.messageBox(BoxKind::Error, EngineErrorText(error), BoxButtons::Ok, parent);
}
