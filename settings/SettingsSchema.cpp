#include "settings/SettingsSchema.h"

namespace Schema {

namespace {

QString text(const QString& value)
{
    return value;
}
QString text(int value)
{
    return QString::number(value);
}
QString text(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

KeyRow::Type typeOf(const TextKey&)
{
    return KeyRow::Type::Text;
}
KeyRow::Type typeOf(const NumberKey&)
{
    return KeyRow::Type::Number;
}
KeyRow::Type typeOf(const FlagKey&)
{
    return KeyRow::Type::Flag;
}

template <typename T> KeyRow row(const Key<T>& key)
{
    return {key.section, key.name, typeOf(key),
            key.firstRun ? std::optional<QString>(text(*key.firstRun)) : std::nullopt, text(key.readDefault)};
}

} // namespace

const std::vector<KeyRow>& Keys()
{
    static const std::vector<KeyRow> keys = [] {
        namespace P = Printer;
        namespace G = General;
        namespace S = System;
        namespace D = Dialogs;
        // The first run writes the defaults for the revert button, then the user's own settings in
        // the same order; the clock intervals; the editor and general behaviour; the result window.
        return std::vector<KeyRow>{
            row(P::D_LeftMargin),
            row(P::D_RightMargin),
            row(P::D_TopMargin),
            row(P::D_BottomMargin),
            row(P::D_SpaceBetweenColumns),
            row(P::D_ShowPreview),
            row(P::D_ShowRowNumber),
            row(P::D_Orientation),
            row(P::D_Copies),
            row(P::U_LeftMargin),
            row(P::U_RightMargin),
            row(P::U_TopMargin),
            row(P::U_BottomMargin),
            row(P::U_SpaceBetweenColumns),
            row(P::U_ShowPreview),
            row(P::U_ShowRowNumber),
            row(P::U_Orientation),
            row(P::U_Copies),
            row(S::DateRefreshHours),
            row(S::DateRefreshMinutes),
            row(S::DateRefreshSeconds),
            row(S::TimeRefreshHours),
            row(S::TimeRefreshMinutes),
            row(S::TimeRefreshSeconds),
            row(G::MaximumLoginRetries),
            row(G::ConfirmBeforeExit),
            row(G::BackgroundColor),
            row(G::FontName),
            row(G::FontSize),
            row(G::FontColor),
            row(G::FontBold),
            row(G::FontItalic),
            row(G::FontUnderline),
            row(G::FontStrikeOut),
            row(G::WordWrap),
            row(G::ShowToolbar),
            row(Grid::Width),
            row(Grid::Height),
            row(Grid::Maximized),
            row(Grid::Left),
            row(Grid::Top),
            row(Login::DataSource),
            row(Login::UserName),
            row(Location::Maximized),
            row(Location::Top),
            row(Location::Left),
            row(Location::Height),
            row(Location::Width),
            row(D::OpenDialogPath),
            row(D::SaveDialogPath),
            row(D::FindDialogText),
            row(D::FindDialogMatchCase),
            row(D::FindDialogWholeWord),
            row(D::FindDialogFromTop),
            row(D::ReplaceDialogText),
            row(D::ReplaceDialogMatchCase),
            row(D::ReplaceDialogWholeWord),
            row(D::ReplaceDialogFromTop),
            row(Search::History(1)),
            row(Search::History(2)),
            row(Search::History(3)),
            row(Search::History(4)),
            row(Search::History(5)),
            row(Search::Directions),
            row(Search::Origin),
            row(Search::WholeWordsOnly),
            row(G::SyntaxColors),
        };
    }();
    return keys;
}

const std::vector<SeedEntry>& FirstRunEntries()
{
    static const std::vector<SeedEntry> entries = [] {
        std::vector<SeedEntry> e;
        for (const KeyRow& key : Keys()) {
            if (key.firstRun)
                e.push_back({key.section, key.key, *key.firstRun});
        }
        return e;
    }();
    return entries;
}

} // namespace Schema
