// The passes of the two worker threads that keep the program's picture of
// the GPU current (the threads themselves are gpu/Workers.h's).
//
// A monitoring pass samples the current GPU: clocks, temperature, load, fans,
// the fan curve and the ranges and present values of every tunable setting,
// and publishes the meters' inputs. It runs only through the driver gate,
// never while a writer holds it, and not while the window is in the tray. A
// fan-level pass holds the fans of GPUs on the older cooler interface above
// the floor that `fanLevel` asks for.
#pragma once

#include <cstdint>

#include "state/GpuInventory.h"

namespace vt {

// One pass of each. The monitoring pass opens the settings session on its
// first use.
void monitoringPass();
void fanLevelPass();
// The monitoring thread's end: its settings session is closed.
void endMonitoring();

// The ranges and present values of every tunable setting of a GPU, as one
// monitoring pass reads them: clock offsets and core voltage, power and
// temperature targets, and the frame-rate bounds.
void readSettingRanges(GpuSlot& gpu);

// What a check of the settings in force reads back of GPU `index`: the
// tuning values and fans exactly as a monitoring pass reads them, under the
// driver gate; the records then hold them.
void readTunedValues(int index);

// Fan floor of a fan level: 50 for levels 1 and 2, 70 for 3, none (0) otherwise.
std::int32_t fanFloor(std::int32_t fanLevel);

}  // namespace vt
