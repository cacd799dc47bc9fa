// The fan requests that apply, reset, profile loads and the fan-level
// thread share: a fixed level on the older cooler interface, fans handed back
// on the per-fan interface, and fan curves built from three points.
#pragma once

#include <cstdint>

#include "driver/DriverStructs.h"
#include "driver/DriverTypes.h"
#include "state/GpuInventory.h"

namespace vt {

// A fixed level under manual policy on cooler 0; a refused request is tried
// once more with the older structure.
DriverStatus setCoolerLevel(GpuSlot& gpu, std::int32_t levelPercent);

// Fan entries the per-fan request carries: one, or two on a GPU with two or more fans.
int fanEntries(const GpuSlot& gpu);

// Every fan of the per-fan interface back under the driver's control.
DriverStatus handFansToDriver(GpuSlot& gpu);

// A curve point in the program's units: degrees C, % and the driver's value.
struct CurvePoint {
    std::int32_t temperature = 0;
    std::int32_t level = 0;
    std::int32_t driverValue = 0;
};

// A point with the driver value that goes with its level: the stored curve's
// value for that point, scaled by the new level.
CurvePoint withDriverValue(CurvePoint point, std::int32_t storedDriverValue);

// A curve request of `entries` entries, each holding the same three points.
FanCurve curveRequest(const CurvePoint (&points)[3], int entries);
// The GPU's own curve as read at start-up.
FanCurve storedCurveRequest(const StoredCurve& stored);

}  // namespace vt
