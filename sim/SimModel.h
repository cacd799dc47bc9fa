// How a simulated GPU behaves: which P-state it runs in, the clocks that
// follow from it and from the offsets, the power and thermal limits that hold
// the clock back, the heat it makes and the fans that answer it.
#pragma once

#include <cstdint>

#include "sim/SimGpu.h"

namespace vt::sim {

// The workload at `seconds` since the driver started: a fixed load, or a
// repeating minute of idle, a long heavy stretch, a medium one and idle again.
double workload(const SimGpu& gpu, double seconds);

// Moves the GPU forward by dt seconds to time `seconds`.
void step(SimGpu& gpu, double seconds, double dt);

std::uint32_t currentPstate(const SimGpu& gpu);
// The smallest listed P-state id at or above `pstate` (the last one when none is).
std::uint32_t listedPstateAtOrAbove(const SimGpu& gpu, std::uint32_t pstate);
std::uint32_t lastListedPstate(const SimGpu& gpu);

std::int32_t currentGraphicsClock(const SimGpu& gpu);
std::int32_t currentMemoryClock(const SimGpu& gpu);
std::int32_t baseGraphicsClock(const SimGpu& gpu);
std::int32_t boostGraphicsClock(const SimGpu& gpu);
std::int32_t baseMemoryClock(const SimGpu& gpu);
// Power drawn, in % of the default power target.
double powerDrawPercent(const SimGpu& gpu);

// The level the driver's own policy gives fan `fan` at the present temperature.
double automaticFanLevel(const SimGpu& gpu, std::size_t fan);
std::int32_t fanRpm(const SimFan& fan);

}  // namespace vt::sim
