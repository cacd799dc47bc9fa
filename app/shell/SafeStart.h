// A start that found settings which had not proven themselves (the marker
// profile/pending): nothing was applied, and once the window is up the user
// chooses: apply them now, keep the driver's defaults, or apply the last
// settings that did prove themselves.
//
// Until the user has chosen to apply something, the shutdown leaves
// profile/profile.cfg as it was: its values were never on the card this run.
#pragma once

#include "gpu/SafetyNet.h"

namespace vt {

// Start-up: what it decided and whether the notice is due once the window shows.
void noteStartDecision(const StartDecision& decision);
bool safeStartNoticeDue();
// WM_SAFE_START: the notice and what the user chose.
void offerSafeStartChoice();
// The shutdown writes no profile.
bool storedProfileKept();
void resetSafeStart();
// The window shows what a profile just put on the card: the preset, the
// sliders, the curve points, the background and the icon.
void showAppliedSettings();

}  // namespace vt
