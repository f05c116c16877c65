#include "print/PrintSettings.h"

#include "print/GenericReport.h"
#include "print/PrintLengths.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

namespace {

const QString kDefaultMargin = QStringLiteral("0.5");
const QString kDefaultSpace = QStringLiteral("0.1");

double readLength(const SettingsStore& store, const QString& key, const QString& defaultText,
                  QList<BadStoredLength>* bad)
{
    const QString text = store.ReadText(Schema::Section::Printer, key, defaultText);
    if (const std::optional<double> pixels = ParseInchesToPixels(text))
        return *pixels;
    if (bad)
        bad->append({key, text, defaultText});
    return *ParseInchesToPixels(defaultText);
}

} // namespace

PrintSettingsValues ReadPrintSettings(const SettingsStore& store, PrintSettingsSet set,
                                      QList<BadStoredLength>* bad)
{
    namespace P = Schema::Printer;
    const bool user = set == PrintSettingsSet::User;
    PrintSettingsValues v;
    v.leftMargin = readLength(store, user ? P::U_LeftMargin : P::D_LeftMargin, kDefaultMargin, bad);
    v.rightMargin = readLength(store, user ? P::U_RightMargin : P::D_RightMargin, kDefaultMargin, bad);
    v.topMargin = readLength(store, user ? P::U_TopMargin : P::D_TopMargin, kDefaultMargin, bad);
    v.bottomMargin = readLength(store, user ? P::U_BottomMargin : P::D_BottomMargin, kDefaultMargin, bad);
    v.spaceBetweenColumns =
        readLength(store, user ? P::U_SpaceBetweenColumns : P::D_SpaceBetweenColumns, kDefaultSpace, bad);
    const QString orientation =
        store.ReadText(Schema::Section::Printer, user ? P::U_Orientation : P::D_Orientation, P::Landscape);
    v.orientation = orientation == P::Portrait ? PageOrientation::Portrait : PageOrientation::Landscape;
    v.showPreview =
        store.ReadFlag(Schema::Section::Printer, user ? P::U_ShowPreview : P::D_ShowPreview, true);
    v.showRowNumber =
        store.ReadFlag(Schema::Section::Printer, user ? P::U_ShowRowNumber : P::D_ShowRowNumber, true);
    v.copies = store.ReadNumber(Schema::Section::Printer, user ? P::U_Copies : P::D_Copies, 1);
    return v;
}

void WriteUserPrintSettings(SettingsStore& store, const GenericReport& report)
{
    namespace P = Schema::Printer;
    const GenericPage& page = report.Page;
    store.WriteText(Schema::Section::Printer, P::U_LeftMargin, StoredLengthText(page.LeftMargin));
    store.WriteText(Schema::Section::Printer, P::U_RightMargin, StoredLengthText(page.RightMargin));
    store.WriteText(Schema::Section::Printer, P::U_TopMargin, StoredLengthText(page.TopMargin));
    store.WriteText(Schema::Section::Printer, P::U_BottomMargin, StoredLengthText(page.BottomMargin));
    store.WriteText(Schema::Section::Printer, P::U_Orientation,
                    page.Orientation == PageOrientation::Portrait ? P::Portrait : P::Landscape);
    store.WriteText(Schema::Section::Printer, P::U_SpaceBetweenColumns,
                    StoredLengthText(page.SpaceBetweenColumns));
    store.WriteFlag(Schema::Section::Printer, P::U_ShowPreview, report.ShowPreview);
    store.WriteFlag(Schema::Section::Printer, P::U_ShowRowNumber, report.ShowRowNumber);
    store.WriteNumber(Schema::Section::Printer, P::U_Copies, report.Copies);
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
