// The two mode buttons: Easy Mode with its one-click presets, Advanced Mode
// with its pages of sliders and the fan-curve editor. Advanced Mode is
// entered only after the user has agreed to its warning; Easy Mode is one
// press away. Each button shows its help while hovered.
#pragma once

#include "platform/Types.h"

namespace vt {

// The mode buttons, and in Advanced Mode the apply and reset buttons as the
// page shown allows; once per panel pass.
void modeSwitchPass(Point cursor);

// What the buttons do once a switch is decided.
void enterAdvancedMode();
void enterEasyMode();

void resetModeSwitch();

}  // namespace vt
