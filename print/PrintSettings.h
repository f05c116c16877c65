#pragma once

#include "report_engine/ReportPageSetup.h"

#include <QList>
#include <QString>

class SettingsStore;
struct GenericReport;

/// Which of the two sets of section "PRINTER": the user's ("U_") or the defaults ("D_").
enum class PrintSettingsSet
{
    User,
    Defaults,
};

/// The persisted print settings, lengths in report pixels.
struct PrintSettingsValues
{
    double leftMargin = 0;
    double rightMargin = 0;
    double topMargin = 0;
    double bottomMargin = 0;
    double spaceBetweenColumns = 0;
    PageOrientation orientation = PageOrientation::Landscape;
    bool showPreview = true;
    bool showRowNumber = true;
    int copies = 1;
};

/// A stored length whose text is not a number: the default took its place.
struct BadStoredLength
{
    QString key;
    QString text;
    QString defaultText;
};

/// Reads one set; missing keys give the first-run values. A length that is not a number gives
/// its default and is reported in bad (when given).
PrintSettingsValues ReadPrintSettings(const SettingsStore& store, PrintSettingsSet set,
                                      QList<BadStoredLength>* bad = nullptr);

/// Writes the user's set from the record, in the order U_LeftMargin, U_RightMargin, U_TopMargin,
/// U_BottomMargin, U_Orientation, U_SpaceBetweenColumns, U_ShowPreview, U_ShowRowNumber,
/// U_Copies. The title is never stored.
void WriteUserPrintSettings(SettingsStore& store, const GenericReport& report);

/// The message for stored lengths that are not numbers; empty when there are none.
QString BadStoredLengthsMessage(const QList<BadStoredLength>& bad);
