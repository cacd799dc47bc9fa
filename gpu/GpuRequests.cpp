#include "gpu/GpuRequests.h"

#include <algorithm>
#include <limits>

#include "driver/DriverApi.h"
#include "gpu/InventoryBuilder.h"

namespace vt {

GpuSlot& currentGpu() { return inventory.slots[currentGpuIndex()]; }

DriverStatus setClockDelta(GpuSlot& gpu, std::uint32_t domain, std::int32_t kHz) {
    Pstates20 request(gpu.versions.pstates20);
    request.requestClockDelta(domain, kHz);
    return DriverApi::setPstates20(gpu.handle, request);
}

DriverStatus setPowerLimit(GpuSlot& gpu, std::uint32_t limit) {
    PowerPolicyStatus request(gpu.versions.powerPolicyStatus);
    request.requestLimit(limit);
    return DriverApi::setPowerPolicyStatus(gpu.handle, request);
}

DriverStatus setTemperatureLimit(GpuSlot& gpu, std::int32_t degrees) {
    ThermalPolicyLimit request(gpu.versions.thermalPolicyLimit);
    request.requestLimit(driverTemperature(degrees));
    return DriverApi::setThermalPolicyLimit(gpu.handle, request);
}

std::int32_t driverTemperature(std::int32_t degrees) {
    const std::int64_t raw = std::int64_t{degrees} * 256;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(raw, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

DriverStatus releasePstate(GpuSlot& gpu) {
    DriverApi::enableDynamicPstates(gpu.handle, 1);
    return DriverApi::setPstateClientLimit(gpu.handle, PstateClientLimitKind, 0);
}

}  // namespace vt
