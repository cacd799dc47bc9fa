// Building the GPU inventory at start-up: bring the driver up, find and name
// the GPUs, learn which structure versions each one's driver accepts, and
// match each against the supported-device table.
#pragma once

#include <cstdint>

#include "driver/DriverTypes.h"

namespace vt {

// The program handles this many GPUs; more are cut off with a notice.
inline constexpr int GpuLimit = 4;
inline constexpr DriverStatus NoGpuFound = -1000;

struct InventoryResult {
    enum Failure {
        None,
        DriverInit,  // initialisation or enumeration: status holds the code to show
        GpuName,     // a GPU's name could not be read
        DeviceId,    // a GPU's PCI identifiers could not be read
    };
    Failure failure = None;
    DriverStatus status = DriverOk;
    bool tooManyGpus = false;  // five or more: the first four are used
};

// Fills `inventory`; on a failure the inventory is incomplete and start-up ends.
InventoryResult buildInventory();

// The GPU the user has selected, by the rule that makes position 0 of the
// user's list the GPU that drives the display. Taken as it comes, so it may
// lie outside the inventory (a negative selection from a profile gives -1):
// start-up checks it once.
int activeGpuIndex();
// The same, kept inside the inventory, for every per-GPU access.
int currentGpuIndex();

}  // namespace vt
