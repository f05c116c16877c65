#include "print/PrintSettings.h"

#include "print/GenericReport.h"
#include "print/PrintLengths.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

namespace {

double readLength(const SettingsStore& store, const Schema::TextKey& key, QList<BadStoredLength>* bad)
{
    const QString text = store.Read(key);
    if (const std::optional<double> pixels = ParseInchesToPixels(text))
        return *pixels;
    if (bad)
        bad->append({key.name, text, key.readDefault});
    return *ParseInchesToPixels(key.readDefault);
}

} // namespace

PrintSettingsValues ReadPrintSettings(const SettingsStore& store, PrintSettingsSet set,
                                      QList<BadStoredLength>* bad)
{
    namespace P = Schema::Printer;
    const bool user = set == PrintSettingsSet::User;
    PrintSettingsValues v;
    v.leftMargin = readLength(store, user ? P::U_LeftMargin : P::D_LeftMargin, bad);
    v.rightMargin = readLength(store, user ? P::U_RightMargin : P::D_RightMargin, bad);
    v.topMargin = readLength(store, user ? P::U_TopMargin : P::D_TopMargin, bad);
    v.bottomMargin = readLength(store, user ? P::U_BottomMargin : P::D_BottomMargin, bad);
    v.spaceBetweenColumns =
        readLength(store, user ? P::U_SpaceBetweenColumns : P::D_SpaceBetweenColumns, bad);
    const QString orientation = store.Read(user ? P::U_Orientation : P::D_Orientation);
    v.orientation = orientation == P::Portrait ? PageOrientation::Portrait : PageOrientation::Landscape;
    v.showPreview = store.Read(user ? P::U_ShowPreview : P::D_ShowPreview);
    v.showRowNumber = store.Read(user ? P::U_ShowRowNumber : P::D_ShowRowNumber);
    v.copies = store.Read(user ? P::U_Copies : P::D_Copies);
    return v;
}

void WriteUserPrintSettings(SettingsStore& store, const GenericReport& report)
{
    namespace P = Schema::Printer;
    const GenericPage& page = report.Page;
    store.Write(P::U_LeftMargin, StoredLengthText(page.LeftMargin));
    store.Write(P::U_RightMargin, StoredLengthText(page.RightMargin));
    store.Write(P::U_TopMargin, StoredLengthText(page.TopMargin));
    store.Write(P::U_BottomMargin, StoredLengthText(page.BottomMargin));
    store.Write(P::U_Orientation, page.Orientation == PageOrientation::Portrait ? P::Portrait : P::Landscape);
    store.Write(P::U_SpaceBetweenColumns, StoredLengthText(page.SpaceBetweenColumns));
    store.Write(P::U_ShowPreview, report.ShowPreview);
    store.Write(P::U_ShowRowNumber, report.ShowRowNumber);
    store.Write(P::U_Copies, report.Copies);
}

QString BadStoredLengthsMessage(const QList<BadStoredLength>& bad)
{
    QStringList lines;
    for (const BadStoredLength& b : bad) {
        lines.append(
            QStringLiteral("The stored print setting %1 (\"%2\") is not a number; %3 inches is used instead.")
                .arg(b.key, b.text, b.defaultText));
    }
    return lines.join(u'\n');
}
