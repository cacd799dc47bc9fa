// The easy panel: three preset buttons ("highperformance", "default", "eco"),
// the overlays that show what a preset does, and the apply and reset buttons
// as Easy Mode offers them.
//
// Pressing a preset button makes it the pending preset, which the apply
// button then applies. Resting the pointer on another button previews it:
// its overlays fade in while the pending one's fade out. A GPU without any
// tuning capability has no presets: the buttons are dimmed and take no
// clicks.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace vt {

// Enabling of the five buttons, preset selection, preview and hand cursor.
// Does nothing in Advanced Mode or while an apply is in progress.
void easyPresetPass();

// One step of the overlays' fade, on every frame tick: each preset's level
// (0..10) moves by one towards 10 for the preset shown, towards 0 for the
// others, and its overlays take opacity level / 10. In Advanced Mode the
// levels are set at once instead.
void presetIndicatorStep();
// Whether the next step would change a level: a fade is under way.
bool presetFadePending();

// The overlays of `preset` fully shown at once and every other one gone, with
// no fade (a preset other than 0, 1 or 2 shows none): the easy panel as it
// comes back from Advanced Mode.
void showPresetOverlaysAtOnce(std::int32_t preset);

// Hover help and hand cursor of the apply and reset buttons, in either mode;
// a dimmed button shows neither.
void actionButtonHoverPass(Point cursor);

// Back to the start: every overlay faded out.
void resetEasyPanel();

}  // namespace vt
