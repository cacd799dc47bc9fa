// Loading a stored profile into the running window: the GPU operations make
// it the driver's state (gpu/ProfileApplication.h), then the easy panel is
// brought in line with the preset the profile named, as at start-up, and the
// sliders are told to take the new values over.
#pragma once

#include <string>

namespace vt {

// A .cfg file the user chose.
void loadProfileFile(const std::string& path);
// Record `age` of the settings history (1 is the newest); false when a key
// the record needs is missing, with what was applied before kept.
bool loadHistoryRecord(int age);

// The pending preset follows the stored one, and its button shows selected
// when it is one of the three presets.
void followStoredPreset();

}  // namespace vt
