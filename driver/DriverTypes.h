// The few driver-level types that callers of the driver access layer share.
//
// The driver is reached only through function pointers that its query entry
// hands out; these are the words that cross that boundary: the status every
// operation returns, the opaque handles the driver produces and the calling
// convention its functions use.
#pragma once

#include <array>
#include <cstdint>

// The driver's functions use the C calling convention. On 32-bit Windows that
// has to be said explicitly, so that a compiler set to another default still
// calls them correctly; elsewhere there is only one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define VT_DRIVER_CALL __cdecl
#else
#define VT_DRIVER_CALL
#endif

namespace vt {

// Signed 32-bit status of every driver operation: 0 success; -1, -2, -3 from
// the access layer; any other value is the driver's own (negative) status.
using DriverStatus = std::int32_t;

inline constexpr DriverStatus DriverOk = 0;
inline constexpr DriverStatus DriverNotReady = -1;        // not ready in time, entry missing, bad mode
inline constexpr DriverStatus DriverLibraryMissing = -2;  // the library cannot be loaded
inline constexpr DriverStatus DriverNoSuchOperation = -3; // not provided, or mode neither 0 nor 1
// The driver's answer to a structure version word it does not accept. The
// layer gives it too, without calling the driver, for a word that claims more
// bytes than the structure's buffer holds.
inline constexpr DriverStatus DriverIncompatibleVersion = -9;

// Opaque handles produced by the driver; the program never interprets them.
using GpuHandle = struct OpaqueGpuHandle*;
using DrsSession = struct OpaqueDrsSession*;
using DrsProfile = struct OpaqueDrsProfile*;

// The driver fills at most this many handles per enumeration.
inline constexpr std::size_t MaxDriverGpus = 64;
using GpuHandleList = std::array<GpuHandle, MaxDriverGpus>;

}  // namespace vt
