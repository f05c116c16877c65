#pragma once

class Desktop;
class QWidget;
class Settings;

/// Run once as the program starts, before anything reads a setting. When the settings store is
/// damaged (FindSettingsDamage), the run keeps its settings in memory from then on, and one box
/// says which file it is and offers to move it aside: Yes renames it (nothing is deleted) and the
/// run goes on with a new, empty store file; No keeps the run in memory and the file as it is.
void RescueDamagedSettings(const Settings& settings, Desktop& desktop, QWidget* parent);
