// Reading the current GPU's clock offsets, their ranges and the core-voltage
// range back from the driver's P-state table, as the monitoring thread does
// once a second and a profile load does before it sends offsets.
#pragma once

#include "state/GpuInventory.h"

namespace vt {

// A GPU with a tuning flag reports its offsets as they are, within the
// program's limits; any other GPU reports them relative to the driver's
// maximum. A failed read leaves everything at 0.
void refreshClockRanges(GpuSlot& gpu);

}  // namespace vt
