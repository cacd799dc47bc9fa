// The apply and reset buttons: when a press on them acts, and what the
// window does around the GPU operations behind them (gpu/Apply.h,
// gpu/Reset.h): the values its panels hold go in, the preset buttons and the
// apply button's look follow.
#pragma once

#include "gpu/Apply.h"
#include "platform/Types.h"

namespace vt {

// The buttons' clickable rectangles, window pixels, edges included.
inline constexpr Rect ApplyButtonArea{221, 596, 321, 629};
inline constexpr Rect ResetButtonArea{343, 596, 443, 629};

// Called by the panel pass on every pass with the cursor in client pixels;
// acts on the pass of a press on the visible apply button, or at once when a
// preset apply was requested (the tray menu). Returns true when it acted.
bool applyPass(int x, int y, bool applyButtonVisible);

// Called by the panel pass on every pass. buttonActive: the reset button is
// enabled, pressed and fully opaque. Returns true when it acted (asked).
bool resetPass(int x, int y, bool buttonActive);
// Asks the user (dialog 139) and, once confirmed, resets; true when confirmed.
bool resetToDefaults();
// A reset asked for from outside the window (the command line): what follows
// the user's confirmation, without the question. False when there is nothing
// to reset or a reset's values still wait for the panels.
bool resetWithoutAsking();

// A preset asked for from outside the window (the command line, a hotkey):
// the tray menu's choice, applied at once instead of on the next pass. False
// when the preset was refused (a GPU without tuning).
bool applyPresetNow(int preset);

// What the Advanced Mode page applies: the panels' working values and the
// curve editor's inner points.
PageValues panelPageValues();

}  // namespace vt
