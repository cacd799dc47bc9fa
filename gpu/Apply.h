// Applying tuning values: the operation behind the window's apply button.
//
// In Advanced Mode it writes the values of the page shown and logs each
// write; in Easy Mode it writes the chosen preset's whole bundle and logs one
// summary line. While it runs and for one second after, the busy flags keep
// the monitoring thread off the driver. Runs on the window thread.
#pragma once

#include <cstdint>

namespace vt {

// The apply button's clickable rectangle, window pixels, edges included.
inline constexpr int ApplyButtonLeft = 221;
inline constexpr int ApplyButtonTop = 596;
inline constexpr int ApplyButtonRight = 321;
inline constexpr int ApplyButtonBottom = 629;

// Called by the panel pass on every pass with the cursor in client pixels;
// acts on the pass of a press on the visible apply button, or at once when a
// preset apply was requested (the tray menu). Returns true when it acted.
bool applyPass(int x, int y, bool applyButtonVisible);

// The two paths, for the panel pass and tests. Both assume the busy flags
// are set and end with the common end (or clear them when they refuse).
void applyAdvancedPage(std::int32_t page);
void applyEasyPreset();

// The stored performance state, once at start-up: forced when `pstate` is
// 0 or above, released otherwise.
void applyStoredPstate();

// Waits for the one-second settle of the last apply (shutdown, tests).
void finishApplySettle();

}  // namespace vt
