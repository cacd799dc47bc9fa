// Reset to defaults: every tunable value of the GPU(s) back to the driver's
// default, and one line that says how it went. The window asks the user
// first and calls this only once the user has confirmed.
#pragma once

namespace vt {

struct ResetOutcome {
    // The GPU's own fan curve is back: the curve editor has nothing left to apply.
    bool curveRestored = false;
};

// From the confirmation on: the reset-in-progress flag is set here and stays
// set until the panel has taken the reset values over, so that the
// monitoring thread pauses meanwhile.
ResetOutcome resetGpusToDefaults();

}  // namespace vt
