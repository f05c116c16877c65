#include "settings/StoredPlacement.h"

#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

/// Far beyond any desktop, yet small enough that a rectangle's edges never overflow; the screen
/// rule brings whatever is stored within these limits onto a screen.
constexpr int kFarthest = 1 << 24;

} // namespace

Placement ReadPlacement(const SettingsStore& store, const QString& section, const Placement& defaults)
{
    namespace P = Schema::Placement;
    const QRect& d = defaults.frame;
    const auto position = [&](const QString& key, int fallback) {
        return std::clamp(store.ReadNumber(section, key, fallback), -kFarthest, kFarthest);
    };
    const auto length = [&](const QString& key, int fallback) {
        return std::clamp(store.ReadNumber(section, key, fallback), 1, kFarthest);
    };
    return {QRect(position(P::Left, d.x()), position(P::Top, d.y()), length(P::Width, d.width()),
                  length(P::Height, d.height())),
            store.ReadFlag(section, P::Maximized, defaults.maximized)};
}

void WritePlacement(SettingsStore& store, const QString& section, const Placement& placement)
{
    namespace P = Schema::Placement;
    store.WriteNumber(section, P::Left, placement.frame.x());
    store.WriteNumber(section, P::Top, placement.frame.y());
    store.WriteNumber(section, P::Width, placement.frame.width());
    store.WriteNumber(section, P::Height, placement.frame.height());
    store.WriteFlag(section, P::Maximized, placement.maximized);
}
