// Reset to defaults: after the user confirms, every tunable value of the
// GPU(s) goes back to the driver's default, and one line says how it went.
#pragma once

namespace vt {

// The reset button's clickable rectangle, window pixels, edges included.
inline constexpr int ResetButtonLeft = 343;
inline constexpr int ResetButtonTop = 596;
inline constexpr int ResetButtonRight = 443;
inline constexpr int ResetButtonBottom = 629;

// Called by the panel pass on every pass. buttonActive: the reset button is
// enabled, pressed and fully opaque. Returns true when it acted (asked).
bool resetPass(int x, int y, bool buttonActive);

// From the confirmation dialog on; true when the user confirmed.
bool resetToDefaults();

}  // namespace vt
