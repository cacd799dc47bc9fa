// The few driver-level types that callers of the driver access layer share.
#pragma once

#include <cstdint>

namespace vt {

// Signed 32-bit status of every driver operation: 0 success; -1, -2, -3 from
// the access layer; any other value is the driver's own (negative) status.
using DriverStatus = std::int32_t;

inline constexpr DriverStatus DriverOk = 0;
inline constexpr DriverStatus DriverNotReady = -1;        // not ready in time, entry missing, bad mode
inline constexpr DriverStatus DriverLibraryMissing = -2;  // the library cannot be loaded
inline constexpr DriverStatus DriverNoSuchOperation = -3; // not provided, or mode neither 0 nor 1

// Opaque handles produced by the driver; the program never interprets them.
using GpuHandle = struct OpaqueGpuHandle*;
using DrsSession = struct OpaqueDrsSession*;
using DrsProfile = struct OpaqueDrsProfile*;

}  // namespace vt
