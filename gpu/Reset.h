// Reset to defaults: every tunable value of the GPU(s) back to the driver's
// default, and one line that says how it went. The window asks the user
// first and calls this only once the user has confirmed.
#pragma once

namespace vt {

struct ResetOutcome {
    // The GPU's own fan curve is back: the curve editor has nothing left to apply.
    bool curveRestored = false;
};

// From the confirmation on. The reset holds the driver gate from its first
// write until the panels have taken its values over (resetTakenOver), so that
// the monitoring thread pauses meanwhile.
ResetOutcome resetGpusToDefaults();

// The panels show the reset's values: the monitoring thread may go on.
void resetTakenOver();
// A reset's values still wait for the panels.
bool resetPending();

}  // namespace vt
