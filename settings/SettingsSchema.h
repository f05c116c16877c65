#pragma once

#include <QString>

#include <optional>
#include <vector>

/// Every section and fixed key of the settings store, in one place: where a key is, what the
/// first run writes into it and what a read gives when it is missing. Readers take both from
/// here (SettingsStore::Read), never a default of their own.
/// Keys built at run time (field names + "->NAME", field-set keys) are made by their one owner.
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

/// A fixed key of type T (QString, int or bool): its section and name, the value the first run
/// writes (none: not seeded) and the value a read gives when the entry is missing or does not
/// parse. It converts to its name for the store's plain operations.
template <typename T> struct Key
{
    QString section;
    QString name;
    std::optional<T> firstRun;
    T readDefault;

    operator const QString&() const { return name; }
};
using TextKey = Key<QString>;
using NumberKey = Key<int>;
using FlagKey = Key<bool>;

namespace General {
inline const NumberKey BackgroundColor{Section::General, QStringLiteral("BackgroundColor"), 16777215,
                                       16777215};
inline const TextKey FontName{Section::General, QStringLiteral("FontName"), QStringLiteral("Courier New"),
                              QStringLiteral("Courier New")};
inline const NumberKey FontSize{Section::General, QStringLiteral("FontSize"), 10, 10};
/// Black on the first run, but blue where a store holds no such entry.
inline const NumberKey FontColor{Section::General, QStringLiteral("FontColor"), 0, 16711680};
inline const FlagKey FontBold{Section::General, QStringLiteral("FontBold"), false, false};
inline const FlagKey FontItalic{Section::General, QStringLiteral("FontItalic"), false, false};
inline const FlagKey FontUnderline{Section::General, QStringLiteral("FontUnderline"), false, false};
inline const FlagKey FontStrikeOut{Section::General, QStringLiteral("FontStrikeOut"), false, false};
inline const FlagKey WordWrap{Section::General, QStringLiteral("WordWrap"), true, true};
inline const FlagKey ShowToolbar{Section::General, QStringLiteral("ShowToolbar"), true, true};
inline const NumberKey MaximumLoginRetries{Section::General, QStringLiteral("MaximumLoginRetries"), 3, 3};
inline const FlagKey ConfirmBeforeExit{Section::General, QStringLiteral("ConfirmBeforeExit"), true, true};
/// The editor's syntax colours (View menu); not seeded, on unless turned off.
inline const FlagKey SyntaxColors{Section::General, QStringLiteral("SyntaxColors"), std::nullopt, true};
} // namespace General

namespace System {
inline const NumberKey DateRefreshHours{Section::System, QStringLiteral("DateRefreshHours"), 0, 0};
inline const NumberKey DateRefreshMinutes{Section::System, QStringLiteral("DateRefreshMinutes"), 30, 30};
inline const NumberKey DateRefreshSeconds{Section::System, QStringLiteral("DateRefreshSeconds"), 0, 0};
inline const NumberKey TimeRefreshHours{Section::System, QStringLiteral("TimeRefreshHours"), 0, 0};
inline const NumberKey TimeRefreshMinutes{Section::System, QStringLiteral("TimeRefreshMinutes"), 1, 1};
inline const NumberKey TimeRefreshSeconds{Section::System, QStringLiteral("TimeRefreshSeconds"), 0, 0};
} // namespace System

namespace Login {
inline const TextKey DataSource{Section::Login, QStringLiteral("DATASOURCE"), std::nullopt, QString()};
inline const TextKey UserName{Section::Login, QStringLiteral("USERNAME"), std::nullopt, QString()};
} // namespace Login

/// The names of the placement keys, which "LOCATION" and "GRID" share.
namespace Placement {
inline const QString Maximized = QStringLiteral("MAXIMIZED");
inline const QString Top = QStringLiteral("TOP");
inline const QString Left = QStringLiteral("LEFT");
inline const QString Height = QStringLiteral("HEIGHT");
inline const QString Width = QStringLiteral("WIDTH");
/// "GRID" left and top read as this when the result window was never placed.
inline constexpr int kNeverPlaced = -699;
} // namespace Placement

/// The five keys of a window's placement in its section.
struct PlacementKeys
{
    const NumberKey& left;
    const NumberKey& top;
    const NumberKey& width;
    const NumberKey& height;
    const FlagKey& maximized;
};

/// The main window's placement, stored at a confirmed exit.
namespace Location {
inline const FlagKey Maximized{Section::Location, Placement::Maximized, std::nullopt, false};
inline const NumberKey Top{Section::Location, Placement::Top, std::nullopt, 0};
inline const NumberKey Left{Section::Location, Placement::Left, std::nullopt, 0};
inline const NumberKey Height{Section::Location, Placement::Height, std::nullopt, 480};
inline const NumberKey Width{Section::Location, Placement::Width, std::nullopt, 640};
inline const PlacementKeys Window{Left, Top, Width, Height, Maximized};
} // namespace Location

/// The result window's placement.
namespace Grid {
inline const FlagKey Maximized{Section::Grid, Placement::Maximized, false, false};
inline const NumberKey Width{Section::Grid, Placement::Width, 640, 640};
inline const NumberKey Height{Section::Grid, Placement::Height, 480, 480};
inline const NumberKey Left{Section::Grid, Placement::Left, std::nullopt, Placement::kNeverPlaced};
inline const NumberKey Top{Section::Grid, Placement::Top, std::nullopt, Placement::kNeverPlaced};
inline const PlacementKeys Window{Left, Top, Width, Height, Maximized};
} // namespace Grid

namespace Dialogs {
/// The two folders read as the program's folder when missing, which only the run knows: their
/// reader passes it (SettingsStore::ReadOr).
inline const TextKey OpenDialogPath{Section::Dialogs, QStringLiteral("OpenDialogPath"), std::nullopt,
                                    QString()};
inline const TextKey SaveDialogPath{Section::Dialogs, QStringLiteral("SaveDialogPath"), std::nullopt,
                                    QString()};
inline const TextKey FindDialogText{Section::Dialogs, QStringLiteral("FindDialogText"), std::nullopt,
                                    QString()};
inline const FlagKey FindDialogMatchCase{Section::Dialogs, QStringLiteral("FindDialogMatchCase"),
                                         std::nullopt, false};
inline const FlagKey FindDialogWholeWord{Section::Dialogs, QStringLiteral("FindDialogWholeWord"),
                                         std::nullopt, false};
inline const FlagKey FindDialogFromTop{Section::Dialogs, QStringLiteral("FindDialogFromTop"), std::nullopt,
                                       true};
inline const TextKey ReplaceDialogText{Section::Dialogs, QStringLiteral("ReplaceDialogText"), std::nullopt,
                                       QString()};
inline const FlagKey ReplaceDialogMatchCase{Section::Dialogs, QStringLiteral("ReplaceDialogMatchCase"),
                                            std::nullopt, false};
inline const FlagKey ReplaceDialogWholeWord{Section::Dialogs, QStringLiteral("ReplaceDialogWholeWord"),
                                            std::nullopt, false};
inline const FlagKey ReplaceDialogFromTop{Section::Dialogs, QStringLiteral("ReplaceDialogFromTop"),
                                          std::nullopt, true};
} // namespace Dialogs

namespace Search {
inline constexpr int kHistorySize = 5;
/// "History1" to "History5", most recent first.
inline TextKey History(int n)
{
    return {Section::Search, QStringLiteral("History%1").arg(n), std::nullopt, QString()};
}
inline const TextKey Directions{Section::Search, QStringLiteral("Directions"), std::nullopt, QString()};
inline const TextKey Origin{Section::Search, QStringLiteral("Origin"), std::nullopt, QString()};
inline const TextKey WholeWordsOnly{Section::Search, QStringLiteral("WholeWordsOnly"), std::nullopt,
                                    QString()};
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
inline const QString Portrait = QStringLiteral("poPortrait");
inline const QString Landscape = QStringLiteral("poLandscape");
/// Lengths are texts: decimal inches.
inline const QString kMargin = QStringLiteral("0.5");
inline const QString kSpace = QStringLiteral("0.1");
inline const TextKey D_LeftMargin{Section::Printer, QStringLiteral("D_LeftMargin"), kMargin, kMargin};
inline const TextKey D_RightMargin{Section::Printer, QStringLiteral("D_RightMargin"), kMargin, kMargin};
inline const TextKey D_TopMargin{Section::Printer, QStringLiteral("D_TopMargin"), kMargin, kMargin};
inline const TextKey D_BottomMargin{Section::Printer, QStringLiteral("D_BottomMargin"), kMargin, kMargin};
inline const TextKey D_SpaceBetweenColumns{Section::Printer, QStringLiteral("D_SpaceBetweenColumns"), kSpace,
                                           kSpace};
inline const FlagKey D_ShowPreview{Section::Printer, QStringLiteral("D_ShowPreview"), true, true};
inline const FlagKey D_ShowRowNumber{Section::Printer, QStringLiteral("D_ShowRowNumber"), true, true};
inline const TextKey D_Orientation{Section::Printer, QStringLiteral("D_Orientation"), Landscape, Landscape};
inline const NumberKey D_Copies{Section::Printer, QStringLiteral("D_Copies"), 1, 1};
inline const TextKey U_LeftMargin{Section::Printer, QStringLiteral("U_LeftMargin"), kMargin, kMargin};
inline const TextKey U_RightMargin{Section::Printer, QStringLiteral("U_RightMargin"), kMargin, kMargin};
inline const TextKey U_TopMargin{Section::Printer, QStringLiteral("U_TopMargin"), kMargin, kMargin};
inline const TextKey U_BottomMargin{Section::Printer, QStringLiteral("U_BottomMargin"), kMargin, kMargin};
inline const TextKey U_SpaceBetweenColumns{Section::Printer, QStringLiteral("U_SpaceBetweenColumns"), kSpace,
                                           kSpace};
inline const FlagKey U_ShowPreview{Section::Printer, QStringLiteral("U_ShowPreview"), true, true};
inline const FlagKey U_ShowRowNumber{Section::Printer, QStringLiteral("U_ShowRowNumber"), true, true};
inline const TextKey U_Orientation{Section::Printer, QStringLiteral("U_Orientation"), Landscape, Landscape};
inline const NumberKey U_Copies{Section::Printer, QStringLiteral("U_Copies"), 1, 1};
} // namespace Printer

/// One row of the schema table, values in their stored text form.
struct KeyRow
{
    enum class Type
    {
        Text,
        Number,
        Flag,
    };
    QString section;
    QString key;
    Type type;
    std::optional<QString> firstRun;
    QString readDefault;
};

/// Every fixed key: the seeded ones first, in the order the first run writes them, then the rest.
/// The five search history keys stand in it as one row each.
const std::vector<KeyRow>& Keys();

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
