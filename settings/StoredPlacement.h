#pragma once

#include "platform/Placement.h"

class QString;
class SettingsStore;

/// A window's placement in a section of the store ("LOCATION", "GRID"): "LEFT", "TOP", "WIDTH"
/// and "HEIGHT" hold the frame in the normal state, "MAXIMIZED" the state beside it, so that a
/// window left maximised comes back to a real normal size.
Placement ReadPlacement(const SettingsStore& store, const QString& section, const Placement& defaults);
void WritePlacement(SettingsStore& store, const QString& section, const Placement& placement);
