#include "settings/SettingsSchema.h"

#include <tuple>

namespace Schema {

const std::vector<SeedEntry>& FirstRunEntries()
{
    static const std::vector<SeedEntry> entries = [] {
        namespace P = Printer;
        namespace G = General;
        namespace S = System;
        const QString& printer = Section::Printer;
        std::vector<SeedEntry> e;
        // Defaults for the revert button, then the user's own settings, in the same order.
        for (const auto& [left, right, top, bottom, space, preview, rowNo, orientation, copies] :
             {std::tuple{P::D_LeftMargin, P::D_RightMargin, P::D_TopMargin, P::D_BottomMargin,
                         P::D_SpaceBetweenColumns, P::D_ShowPreview, P::D_ShowRowNumber, P::D_Orientation,
                         P::D_Copies},
              std::tuple{P::U_LeftMargin, P::U_RightMargin, P::U_TopMargin, P::U_BottomMargin,
                         P::U_SpaceBetweenColumns, P::U_ShowPreview, P::U_ShowRowNumber, P::U_Orientation,
                         P::U_Copies}}) {
            e.push_back({printer, left, QStringLiteral("0.5")});
            e.push_back({printer, right, QStringLiteral("0.5")});
            e.push_back({printer, top, QStringLiteral("0.5")});
            e.push_back({printer, bottom, QStringLiteral("0.5")});
            e.push_back({printer, space, QStringLiteral("0.1")});
            e.push_back({printer, preview, QStringLiteral("1")});
            e.push_back({printer, rowNo, QStringLiteral("1")});
            e.push_back({printer, orientation, P::Landscape});
            e.push_back({printer, copies, QStringLiteral("1")});
        }
        e.push_back({Section::System, S::DateRefreshHours, QStringLiteral("0")});
        e.push_back({Section::System, S::DateRefreshMinutes, QStringLiteral("30")});
        e.push_back({Section::System, S::DateRefreshSeconds, QStringLiteral("0")});
        e.push_back({Section::System, S::TimeRefreshHours, QStringLiteral("0")});
        e.push_back({Section::System, S::TimeRefreshMinutes, QStringLiteral("1")});
        e.push_back({Section::System, S::TimeRefreshSeconds, QStringLiteral("0")});
        const QString& general = Section::General;
        e.push_back({general, G::MaximumLoginRetries, QStringLiteral("3")});
        e.push_back({general, G::ConfirmBeforeExit, QStringLiteral("1")});
        e.push_back({general, G::BackgroundColor, QStringLiteral("16777215")});
        e.push_back({general, G::FontName, QStringLiteral("Courier New")});
        e.push_back({general, G::FontSize, QStringLiteral("10")});
        e.push_back({general, G::FontColor, QStringLiteral("0")});
        e.push_back({general, G::FontBold, QStringLiteral("0")});
        e.push_back({general, G::FontItalic, QStringLiteral("0")});
        e.push_back({general, G::FontUnderline, QStringLiteral("0")});
        e.push_back({general, G::FontStrikeOut, QStringLiteral("0")});
        e.push_back({general, G::WordWrap, QStringLiteral("1")});
        e.push_back({general, G::ShowToolbar, QStringLiteral("1")});
        e.push_back({Section::Grid, Placement::Width, QStringLiteral("640")});
        e.push_back({Section::Grid, Placement::Height, QStringLiteral("480")});
        e.push_back({Section::Grid, Placement::Maximized, QStringLiteral("0")});
        return e;
    }();
    return entries;
}

} // namespace Schema
