#include "platform/GeneralError.h"

#include "platform/Desktop.h"

QString GeneralErrorText(const std::exception& failure)
{
    const QString text = QString::fromUtf8(failure.what());
    return text.isEmpty() ? UnknownErrorText() : text;
}

QString UnknownErrorText()
{
    return QStringLiteral("An unexpected error occurred.");
}

void ShowGeneralError(Desktop& desktop, const std::exception& failure)
{
    desktop.messageBox(BoxKind::Error, GeneralErrorText(failure), BoxButtons::Ok);
}

void ShowUnknownError(Desktop& desktop)
{
    desktop.messageBox(BoxKind::Error, UnknownErrorText(), BoxButtons::Ok);
}
