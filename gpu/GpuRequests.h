// The small driver requests and capability tests that apply, reset and
// profile loads all make, each with the GPU's own structure version.
#pragma once

#include <cstdint>

#include "driver/DriverTypes.h"
#include "state/GpuInventory.h"

namespace vt {

// The GPU every single-GPU step acts on.
GpuSlot& currentGpu();


// P-state 0's offset of one clock domain, in kHz.
DriverStatus setClockDelta(GpuSlot& gpu, std::uint32_t domain, std::int32_t kHz);
// The power limit in 1/1000 %.
DriverStatus setPowerLimit(GpuSlot& gpu, std::uint32_t limit);
// The temperature limit in whole degrees C.
DriverStatus setTemperatureLimit(GpuSlot& gpu, std::int32_t degrees);
// Whole degrees as the driver's 1/256 degree word, held inside its range: a
// profile or the driver itself may name any temperature.
std::int32_t driverTemperature(std::int32_t degrees);
// The driver chooses P-states again, with no cap; the cap's status counts.
DriverStatus releasePstate(GpuSlot& gpu);

}  // namespace vt
