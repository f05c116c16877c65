#include "settings/StoredPlacement.h"

#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

/// Far beyond any desktop, yet small enough that a rectangle's edges never overflow; the screen
/// rule brings whatever is stored within these limits onto a screen.
constexpr int kFarthest = 1 << 24;

} // namespace

Placement ReadPlacement(const SettingsStore& store, const Schema::PlacementKeys& keys)
{
    const auto position = [&](const Schema::NumberKey& key) {
        return std::clamp(store.Read(key), -kFarthest, kFarthest);
    };
    const auto length = [&](const Schema::NumberKey& key) {
        return std::clamp(store.Read(key), 1, kFarthest);
    };
    return {QRect(position(keys.left), position(keys.top), length(keys.width), length(keys.height)),
            store.Read(keys.maximized)};
}

void WritePlacement(SettingsStore& store, const Schema::PlacementKeys& keys, const Placement& placement)
{
    store.Write(keys.left, placement.frame.x());
    store.Write(keys.top, placement.frame.y());
    store.Write(keys.width, placement.frame.width());
    store.Write(keys.height, placement.frame.height());
    store.Write(keys.maximized, placement.maximized);
}
