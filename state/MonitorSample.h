// What the monitoring thread learns from the driver once a second, besides
// the settings-record values it refreshes: clocks, temperature, load, the
// core-voltage range, the frame-rate bounds and the meters' inputs.
//
// Written by the monitoring thread only; the window thread reads it to paint.
#pragma once

#include <cstdint>

#include "platform/Shared.h"
#include "state/GpuInventory.h"

namespace vt {

struct GpuReadings {
    Shared<std::uint32_t> gpuClock;     // kHz, 0 when unread
    Shared<std::uint32_t> memClock;     // kHz
    Shared<std::int32_t> gpuTemperature;  // degrees C
    Shared<std::int32_t> gpuLoad;         // %
};

struct MonitorSample {
    GpuReadings gpu[MaxGpus];

    // Current GPU, microvolts.
    Shared<std::int32_t> voltageOffset, voltageOffsetMin, voltageOffsetMax;
    // Frame-rate bounds of the slider; 0 until the first pass.
    Shared<std::int32_t> fpsTargetMin, fpsTargetMax;

    // Meter inputs for the current GPU: clocks as a fraction of the base
    // clock (0..1), the rest in their own units.
    Shared<float> gpuClockRatio, memClockRatio;
    Shared<float> temperature, load, fanLevel, fan1Level, fan2Level;
    // The GPU (inventory index) whose readings the current-GPU values above
    // hold, written last in each pass; -1 before the first. After the user
    // chooses another GPU the window knows from it when that GPU's values
    // have arrived.
    Shared<std::int32_t> sampledGpu{-1};
};

extern MonitorSample monitor;

void resetMonitorSample(MonitorSample& sample = monitor);

}  // namespace vt
