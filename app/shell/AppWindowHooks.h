// The window's side of what the GPU operations ask of it while they run:
// the application icon, the curve editor's points, the tray tip, the
// background and a repaint.
#pragma once

namespace vt {

// Hands the GPU operations the window's own routines (gpu/WindowHooks.h).
void installWindowHooks();

}  // namespace vt
