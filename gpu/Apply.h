// Applying tuning values: what the window's apply button sends to the driver.
//
// In Advanced Mode it writes the values of the page shown and logs each
// write; in Easy Mode it writes the chosen preset's whole bundle and logs one
// summary line. While it runs and for one second after, it holds the driver
// gate, which keeps the monitoring thread off the driver. Runs on the window
// thread; the window decides when to apply and passes the values its panels
// hold.
#pragma once

#include <cstdint>

#include "gpu/FanControl.h"

namespace vt {

// What an Advanced Mode page applies, in the units the panels show.
struct PageValues {
    float gpuOffset = 0;    // MHz
    float memOffset = 0;    // MHz
    float powerTarget = 0;  // %
    float tempTarget = 0;   // degrees C
    double fpsTarget = 0;   // frames/s; negative: the limiter off
    float fanSpeed = 0;     // %, the single fan or fan 1
    float fan2Speed = 0;    // %
    // The fan-curve page applies only once the curve editor is enabled, with
    // its three inner points (degrees C and %; the driver values follow).
    bool curveEditorEnabled = false;
    CurvePoint curve[3];
};

// Takes the driver gate for the apply that begins: no monitoring pass runs
// from now until one second after its writes (the settle). Each apply below
// takes it too when it was not taken before.
void beginApply();
// An apply's gate is held: its settle has not ended.
bool applySettling();

// The page's values to the current GPU or, with SLI-SYNC, to every GPU,
// then the common end: the history record and the one-second settle.
void applyAdvancedPage(std::int32_t page, const PageValues& values);

// The preset's whole bundle, then the common end. A preset other than 0, 1
// or 2, or a current GPU without tuning flags, is refused: the gate is let go
// at once and false returned.
bool applyEasyPreset(std::int32_t preset);

// The stored performance state, once at start-up: forced when `pstate` is
// 0 or above, released otherwise.
void applyStoredPstate();

// Waits for the one-second settle of the last apply (shutdown, tests).
void finishApplySettle();

}  // namespace vt
