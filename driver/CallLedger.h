// What the driver answered to the calls one thread made to its GPUs, over
// a stretch the thread marks: a monitoring pass learns from it whether the
// driver has gone away (every GPU call failed as a driver that resets or is
// replaced fails) without any call of its own.
#pragma once

#include <cstdint>

#include "driver/DriverTypes.h"

namespace vt {

// The statuses of a driver that resets, is being replaced or has no device
// for the moment: handle invalidated, no NVIDIA device, not initialised, and
// the plain error.
inline constexpr DriverStatus DriverHandleInvalidated = -10;
inline constexpr DriverStatus DriverNoDevice = -6;
inline constexpr DriverStatus DriverNotInitialised = -4;
inline constexpr DriverStatus DriverError = -1;

constexpr bool meansDriverGone(DriverStatus status) {
    return status == DriverHandleInvalidated || status == DriverNoDevice || status == DriverNotInitialised ||
           status == DriverError;
}

struct CallLedger {
    std::int32_t gpuCalls = 0;
    std::int32_t goneAnswers = 0;  // of those, failed with a status that means the driver is gone
    bool driverGone() const { return gpuCalls > 0 && goneAnswers == gpuCalls; }
};

// While one is open on a thread, every GPU call of that thread is counted in it.
class OpenLedger {
public:
    explicit OpenLedger(CallLedger& ledger);
    ~OpenLedger();
    OpenLedger(const OpenLedger&) = delete;
    OpenLedger& operator=(const OpenLedger&) = delete;

private:
    CallLedger* previous_;
};

// The binder's note of a GPU call's status.
void noteGpuCall(DriverStatus status);

}  // namespace vt
