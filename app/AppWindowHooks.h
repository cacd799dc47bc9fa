// The window's side of what the GPU operations and the tray ask of it:
// preset buttons, the application icon, the apply button's look, the curve
// editor's points and the background.
#pragma once

namespace vt {

// Hands the GPU operations the window's own routines (gpu/WindowHooks.h).
void installWindowHooks();

// The preset buttons show `preset` selected (image state 1) and the other
// two not; easySettings and the pending and shown presets follow.
void markPresetButtons(int preset);
// No preset button selected.
void releasePresetButtons();

// The curve editor's points where the current GPU's curve values put them.
void placeCurvePoints();

}  // namespace vt
