#include "query/FillParameters.h"

#include "connection/Query.h"
#include "platform/Desktop.h"
#include "query/Generic.h"

namespace {

const QString kCaption = QStringLiteral("Parameter Entry Form");
const QString kPrompt = QStringLiteral("Enter value for parameter: ");
constexpr int kMaxValueLength = 255;

} // namespace

void FillParameters(Desktop& desktop, Query& query, QStringList& paramList, const QString& mode,
                    QWidget* parent)
{
    const int count = query.paramCount();
    if (count == 0)
        return;
    const bool asking = mode == kIntoParamList;
    for (int k = 0; k < count; ++k) {
        if (!asking) {
            if (k < paramList.size())
                query.setParamAsString(k, paramList[k]);
            continue;
        }
        // The normal cursor while the box is up, whatever the caller shows.
        desktop.suspendBusy();
        const std::optional<QString> entry =
            desktop.inputBox(kCaption, kPrompt + query.paramName(k), QString(), kMaxValueLength, parent);
        desktop.resumeBusy();
        query.setParamAsString(k, entry.value_or(QString()));
        query.setParamAsString(k, UpperCaseLetters(query.paramAsText(k)));
        const QString value = query.paramAsText(k);
        if (k < paramList.size())
            paramList[k] = value;
        else
            paramList.append(value);
    }
}
