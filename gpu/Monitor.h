// The two worker threads that keep the program's picture of the GPU current.
//
// The monitoring thread samples the current GPU once a second: clocks,
// temperature, load, fans, the fan curve and the ranges and present values of
// every tunable setting. It leaves the driver alone while any busy flag is
// set. The fan-level thread holds the fans of GPUs on the older cooler
// interface above the floor that `fanLevel` asks for. Both run while
// `lifecycle.running` is 1 and end within about a second after it becomes 0.
#pragma once

#include <cstdint>

#include "state/GpuInventory.h"

namespace vt {

// Starts the monitoring thread and then the fan-level thread.
void startWorkerThreads();
// Waits for both to end; call once `lifecycle.running` is 0.
void joinWorkerThreads();

// Cuts the monitoring thread's current wait short, so that its next pass
// (of the GPU then current) comes at once: the user has chosen another GPU.
void sampleSoon();

// One pass of each, for tests: the monitoring pass opens the settings
// session on its first use as the thread does at its start.
void monitoringPass();
void fanLevelPass();
// The monitoring thread's end: its settings session is closed.
void endMonitoring();

// The ranges and present values of every tunable setting of a GPU, as one
// monitoring pass reads them: clock offsets and core voltage, power and
// temperature targets, and the frame-rate bounds.
void readSettingRanges(GpuSlot& gpu);

// Fan floor of a fan level: 50 for levels 1 and 2, 70 for 3, none (0) otherwise.
std::int32_t fanFloor(std::int32_t fanLevel);

}  // namespace vt
