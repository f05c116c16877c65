#pragma once

#include "platform/Placement.h"
#include "settings/SettingsSchema.h"

class SettingsStore;

/// A window's placement in a section of the store ("LOCATION", "GRID"): "LEFT", "TOP", "WIDTH"
/// and "HEIGHT" hold the frame in the normal state, "MAXIMIZED" the state beside it, so that a
/// window left maximised comes back to a real normal size. A missing entry reads as its key's
/// read default.
Placement ReadPlacement(const SettingsStore& store, const Schema::PlacementKeys& keys);
void WritePlacement(SettingsStore& store, const Schema::PlacementKeys& keys, const Placement& placement);
