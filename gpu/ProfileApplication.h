// Making a stored profile the program's and the driver's state: every key in
// a fixed order, each tuning value sent to the driver, and a log line for each
// change the driver accepted.
//
// Three variants share the steps: a .cfg file the user chose, one record of
// the settings history, and "profile/profile.cfg" at start-up (which logs
// nothing, stores the offsets it reads and takes SLI-SYNC last, so that all
// its values go to every GPU).
#pragma once

#include <string>

namespace vt {

void applyProfileFile(const std::string& path);

// Age 1 is the newest record. False when a required key cannot be read: the
// application stops there, and what was applied before stays applied.
bool applyHistoryRecord(const std::string& historyFile, int age);

void applyStartupProfile();

// The stored profile as the start-up applies it, with the stored performance
// state, but later and while the threads run: a safe start's user chose to
// apply it after all. Holds the driver gate and leaves the marker like any
// road that writes tuning values.
void applyStartupProfileNow();

}  // namespace vt
