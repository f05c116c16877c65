#pragma once

#include <QString>

#include <vector>

/// Every section and fixed key name of the settings store, in one place.
/// Keys built at run time (field names + "->NAME", field-set keys) are made by their users.
namespace Schema {

namespace Section {
inline const QString General = QStringLiteral("GENERAL");
inline const QString System = QStringLiteral("SYSTEM");
inline const QString Login = QStringLiteral("LOGIN");
inline const QString Location = QStringLiteral("LOCATION");
inline const QString Grid = QStringLiteral("GRID");
inline const QString Dialogs = QStringLiteral("DIALOGS");
inline const QString Search = QStringLiteral("SEARCH");
inline const QString QryFields = QStringLiteral("QRYFIELDS");
inline const QString QrySortOrder = QStringLiteral("QRY_SORT_ORDER");
inline const QString Printer = QStringLiteral("PRINTER");
} // namespace Section

namespace General {
inline const QString BackgroundColor = QStringLiteral("BackgroundColor");
// The main window reads the colour with this spelling; the store matches it to the one above.
inline const QString BackGroundColor = QStringLiteral("BackGroundColor");
inline const QString FontName = QStringLiteral("FontName");
inline const QString FontSize = QStringLiteral("FontSize");
inline const QString FontColor = QStringLiteral("FontColor");
inline const QString FontBold = QStringLiteral("FontBold");
inline const QString FontItalic = QStringLiteral("FontItalic");
inline const QString FontUnderline = QStringLiteral("FontUnderline");
inline const QString FontStrikeOut = QStringLiteral("FontStrikeOut");
inline const QString WordWrap = QStringLiteral("WordWrap");
inline const QString ShowToolbar = QStringLiteral("ShowToolbar");
inline const QString MaximumLoginRetries = QStringLiteral("MaximumLoginRetries");
inline const QString ConfirmBeforeExit = QStringLiteral("ConfirmBeforeExit");
} // namespace General

namespace System {
inline const QString DateRefreshHours = QStringLiteral("DateRefreshHours");
inline const QString DateRefreshMinutes = QStringLiteral("DateRefreshMinutes");
inline const QString DateRefreshSeconds = QStringLiteral("DateRefreshSeconds");
inline const QString TimeRefreshHours = QStringLiteral("TimeRefreshHours");
inline const QString TimeRefreshMinutes = QStringLiteral("TimeRefreshMinutes");
inline const QString TimeRefreshSeconds = QStringLiteral("TimeRefreshSeconds");
} // namespace System

namespace Login {
inline const QString DataSource = QStringLiteral("DATASOURCE");
inline const QString UserName = QStringLiteral("USERNAME");
} // namespace Login

/// Placement keys, shared by "LOCATION" and "GRID".
namespace Placement {
inline const QString Maximized = QStringLiteral("MAXIMIZED");
inline const QString Top = QStringLiteral("TOP");
inline const QString Left = QStringLiteral("LEFT");
inline const QString Height = QStringLiteral("HEIGHT");
inline const QString Width = QStringLiteral("WIDTH");
/// "GRID" left and top read as this when the result window was never placed.
inline constexpr int kNeverPlaced = -699;
} // namespace Placement

namespace Dialogs {
inline const QString OpenDialogPath = QStringLiteral("OpenDialogPath");
inline const QString SaveDialogPath = QStringLiteral("SaveDialogPath");
inline const QString FindDialogText = QStringLiteral("FindDialogText");
inline const QString FindDialogMatchCase = QStringLiteral("FindDialogMatchCase");
inline const QString FindDialogWholeWord = QStringLiteral("FindDialogWholeWord");
inline const QString FindDialogFromTop = QStringLiteral("FindDialogFromTop");
inline const QString ReplaceDialogText = QStringLiteral("ReplaceDialogText");
inline const QString ReplaceDialogMatchCase = QStringLiteral("ReplaceDialogMatchCase");
inline const QString ReplaceDialogWholeWord = QStringLiteral("ReplaceDialogWholeWord");
inline const QString ReplaceDialogFromTop = QStringLiteral("ReplaceDialogFromTop");
} // namespace Dialogs

namespace Search {
/// "History1" to "History5", most recent first.
inline QString History(int n)
{
    return QStringLiteral("History%1").arg(n);
}
inline constexpr int kHistorySize = 5;
inline const QString Directions = QStringLiteral("Directions");
inline const QString Origin = QStringLiteral("Origin");
inline const QString WholeWordsOnly = QStringLiteral("WholeWordsOnly");
} // namespace Search

namespace QryFields {
inline QString NameKey(const QString& fieldName)
{
    return fieldName + QStringLiteral("->NAME");
}
inline QString WidthKey(const QString& fieldName)
{
    return fieldName + QStringLiteral("->WIDTH");
}
} // namespace QryFields

namespace Printer {
inline const QString D_LeftMargin = QStringLiteral("D_LeftMargin");
inline const QString D_RightMargin = QStringLiteral("D_RightMargin");
inline const QString D_TopMargin = QStringLiteral("D_TopMargin");
inline const QString D_BottomMargin = QStringLiteral("D_BottomMargin");
inline const QString D_SpaceBetweenColumns = QStringLiteral("D_SpaceBetweenColumns");
inline const QString D_ShowPreview = QStringLiteral("D_ShowPreview");
inline const QString D_ShowRowNumber = QStringLiteral("D_ShowRowNumber");
inline const QString D_Orientation = QStringLiteral("D_Orientation");
inline const QString D_Copies = QStringLiteral("D_Copies");
inline const QString U_LeftMargin = QStringLiteral("U_LeftMargin");
inline const QString U_RightMargin = QStringLiteral("U_RightMargin");
inline const QString U_TopMargin = QStringLiteral("U_TopMargin");
inline const QString U_BottomMargin = QStringLiteral("U_BottomMargin");
inline const QString U_SpaceBetweenColumns = QStringLiteral("U_SpaceBetweenColumns");
inline const QString U_ShowPreview = QStringLiteral("U_ShowPreview");
inline const QString U_ShowRowNumber = QStringLiteral("U_ShowRowNumber");
inline const QString U_Orientation = QStringLiteral("U_Orientation");
inline const QString U_Copies = QStringLiteral("U_Copies");
inline const QString Portrait = QStringLiteral("poPortrait");
inline const QString Landscape = QStringLiteral("poLandscape");
} // namespace Printer

/// One first-run entry: the text stored for it (numbers and flags already in their text form).
struct SeedEntry
{
    QString section;
    QString key;
    QString value;
};

/// The first-run entries in the order they are written.
const std::vector<SeedEntry>& FirstRunEntries();

} // namespace Schema
