// The per-GPU operations: identity, clocks, P-states, policies, fans.
#include <algorithm>
#include <cmath>
#include <string>

#include "sim/SimDriver.h"
#include "sim/SimModel.h"
#include "sim/SimOperations.h"

namespace vt::sim::ops {
namespace {

constexpr std::uint32_t AllSensors = 15;
constexpr std::uint32_t AllCoolers = 7;
constexpr std::uint32_t PolicyManual = 1;
constexpr std::uint32_t PolicyDefault = 0x20;
constexpr std::uint32_t ClientLimitKind = 3;
constexpr std::int32_t HottestCurvePoint = 127 * 256;

std::int32_t rounded(double value) { return std::int32_t(std::lround(value)); }

std::string kv(const char* key, std::int64_t value) { return std::string(key) + "=" + std::to_string(value); }
std::string version(const Buffer& buffer) { return "version=" + hexWord(buffer.version()); }

// Null, or a version word this GPU's driver does not take: the call stops here.
bool refuseStructure(DriverCall& call, void* data, std::string_view versionsOf, std::int32_t& status) {
    if (data == nullptr) {
        status = call.finish(StatusInvalidArgument, "null structure");
        return true;
    }
    const Buffer buffer(data);
    if (!call.accepts(versionsOf, buffer.version())) {
        status = call.finish(StatusIncompatibleStructVersion, version(buffer));
        return true;
    }
    return false;
}

bool listed(const SimGpu& gpu, std::uint32_t pstate) {
    return std::find(gpu.pstates.begin(), gpu.pstates.end(), pstate) != gpu.pstates.end();
}

}  // namespace

std::int32_t VT_DRIVER_CALL getActiveOutputMask(GpuHandle gpu, std::uint32_t* mask) {
    DriverCall call("GetActiveOutputMask", gpu);
    if (call.refused()) return call.status();
    if (mask == nullptr) return call.finish(StatusInvalidArgument);
    *mask = call.gpu().outputMask;
    return call.finish(StatusOk, "mask=" + hexWord(*mask));
}

std::int32_t VT_DRIVER_CALL getFullName(GpuHandle gpu, char* name) {
    DriverCall call("NvAPI_GPU_GetFullName", gpu);
    if (call.refused()) return call.status();
    if (name == nullptr) return call.finish(StatusInvalidArgument);
    const std::string& text = call.gpu().name;
    const std::size_t length = std::min<std::size_t>(text.size(), 63);
    std::copy_n(text.data(), length, name);
    name[length] = '\0';
    return call.finish(StatusOk);
}

std::int32_t VT_DRIVER_CALL getPciIdentifiers(GpuHandle gpu, std::uint32_t* device, std::uint32_t* subsystem,
                                              std::uint32_t* revision, std::uint32_t* extDevice) {
    DriverCall call("NvAPI_GPU_GetPCIIdentifiers", gpu);
    if (call.refused()) return call.status();
    if (!device || !subsystem || !revision || !extDevice) return call.finish(StatusInvalidArgument);
    const SimGpu& card = call.gpu();
    *device = card.deviceId;
    *subsystem = card.subsystemId;
    *revision = card.revisionId;
    *extDevice = card.extDeviceId;
    return call.finish(StatusOk, "device=" + hexWord(card.deviceId));
}

std::int32_t VT_DRIVER_CALL getAllClockFrequencies(GpuHandle gpu, void* data) {
    DriverCall call("NvAPI_GPU_GetAllClockFrequencies", gpu);
    if (call.refused()) return call.status();
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "NvAPI_GPU_GetAllClockFrequencies", status)) return status;
    Buffer clocks(data);
    // Version 1 has no clock type and always answers the current clocks.
    const std::uint32_t type = clocks.versionNumber() >= 2 ? clocks.u32(4) & 0xF : 0;
    if (type > 2) return call.finish(StatusInvalidArgument, version(clocks) + " " + kv("type", type));
    const SimGpu& card = call.gpu();
    const std::int32_t graphics =
        type == 0 ? currentGraphicsClock(card) : type == 1 ? baseGraphicsClock(card) : boostGraphicsClock(card);
    const std::int32_t memory = type == 0 ? currentMemoryClock(card) : baseMemoryClock(card);
    clocks.clear(8, clocks.size());
    clocks.put32(8, 1);
    clocks.putI32(12, graphics);
    clocks.put32(40, 1);
    clocks.putI32(44, memory);
    return call.finish(StatusOk, version(clocks) + " " + kv("type", type));
}

std::int32_t VT_DRIVER_CALL getThermalSettings(GpuHandle gpu, std::uint32_t sensor, void* data) {
    DriverCall call("NvAPI_GPU_GetThermalSettings", gpu);
    if (call.refused()) return call.status();
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "NvAPI_GPU_GetThermalSettings", status)) return status;
    Buffer settings(data);
    if (sensor != 0 && sensor != AllSensors) {
        return call.finish(StatusInvalidArgument, version(settings) + " " + kv("sensor", sensor));
    }
    settings.clear(4, settings.size());
    settings.put32(4, 1);                                   // one sensor
    settings.put32(8, 1);                                   // controller: the GPU's own
    settings.putI32(16, 127);                               // default maximum
    settings.putI32(20, rounded(call.gpu().temperature));   // current
    settings.put32(24, 1);                                  // target: the GPU
    return call.finish(StatusOk, version(settings) + " " + kv("sensor", sensor));
}

std::int32_t VT_DRIVER_CALL getGpuUsages(GpuHandle gpu, void* data) {
    DriverCall call("GetGpuUsages", gpu);
    if (call.refused()) return call.status();
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetGpuUsages", status)) return status;
    Buffer usages(data);
    usages.clear(4, usages.size());
    usages.put32(4, 1);
    usages.put32(8, 1);
    usages.putI32(12, rounded(call.gpu().load));
    usages.put32(16, 1);
    usages.putI32(20, rounded(call.gpu().load * 0.6));
    return call.finish(StatusOk, version(usages));
}

std::int32_t VT_DRIVER_CALL getMemoryInfo(GpuHandle gpu, void* data) {
    DriverCall call("GetMemoryInfo", gpu);
    if (call.refused()) return call.status();
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetMemoryInfo", status)) return status;
    Buffer info(data);
    const std::uint32_t kib = call.gpu().memoryKiB;
    info.clear(4, info.size());
    info.put32(4, kib);             // dedicated
    info.put32(8, kib);             // available dedicated
    info.put32(12, 0);              // system
    info.put32(16, 4 * 1024 * 1024);  // shared
    info.put32(20, kib - kib / 10);   // free now (version 2 on)
    return call.finish(StatusOk, version(info));
}

// --- P-states ---------------------------------------------------------------------

std::int32_t VT_DRIVER_CALL getPstates20(GpuHandle gpu, void* data) {
    DriverCall call("NvAPI_GPU_GetPstates20", gpu);
    if (call.refused()) return call.status();
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "NvAPI_GPU_GetPstates20", status)) return status;
    Buffer table(data);
    const SimGpu& card = call.gpu();
    table.clear(4, table.size());
    table.put32(4, 1);  // the table can be edited
    table.put32(8, std::uint32_t(card.pstates.size()));
    table.put32(12, 2);
    table.put32(16, 0);
    for (std::size_t i = 0; i < card.pstates.size(); ++i) {
        const std::size_t at = 20 + 456 * i;
        const bool top = i == 0;
        table.put32(at, card.pstates[i]);
        table.put32(at + 4, top);
        const std::int32_t clocks[2][4] = {
            {0, top ? card.graphicsDelta : 0, top ? card.graphicsDeltaMin : 0, top ? card.graphicsDeltaMax : 0},
            {4, top ? card.memoryDelta : 0, top ? card.memoryDeltaMin : 0, top ? card.memoryDeltaMax : 0}};
        for (std::size_t c = 0; c < 2; ++c) {
            const std::size_t clock = at + 8 + 44 * c;
            table.putI32(clock, clocks[c][0]);
            table.put32(clock + 4, 0);  // a single frequency
            table.put32(clock + 8, top);
            table.putI32(clock + 12, clocks[c][1]);
            table.putI32(clock + 16, clocks[c][2]);
            table.putI32(clock + 20, clocks[c][3]);
            table.putI32(clock + 24, c == 0 ? (top ? boostGraphicsClock(card) : card.graphicsBase * 3 / 4)
                                            : baseMemoryClock(card));
        }
    }
    // The over-voltage entries came with version 2.
    if (table.versionNumber() >= 2 && card.voltageControl) {
        table.put32(7316, 1);
        table.put32(7320, 0);
        table.put32(7324, 1);
        table.putI32(7328, card.coreVoltage + card.voltageDelta);
        table.putI32(7332, card.voltageDelta);
        table.putI32(7336, card.voltageDeltaMin);
        table.putI32(7340, card.voltageDeltaMax);
    }
    return call.finish(StatusOk, version(table));
}

// Checks the whole request before it changes anything, as the driver does.
std::int32_t VT_DRIVER_CALL setPstates20(GpuHandle gpu, void* data) {
    DriverCall call("SetPstates20", gpu);
    if (call.refused()) return call.status();
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "NvAPI_GPU_GetPstates20", status)) return status;
    const Buffer request(data);
    SimGpu& card = call.gpu();
    const std::uint32_t pstates = request.u32(8), clocks = request.u32(12), baseVoltages = request.u32(16);
    const std::uint32_t voltages = request.versionNumber() >= 2 ? request.u32(7316) : 0;
    std::string values = version(request);
    if (pstates > 16 || clocks > 8 || baseVoltages > 4 || voltages > 4) {
        return call.finishSet(StatusInvalidArgument, values + " bad counts");
    }
    std::int32_t graphics = card.graphicsDelta, memory = card.memoryDelta, voltage = card.voltageDelta;
    for (std::uint32_t p = 0; p < pstates; ++p) {
        const std::uint32_t id = request.u32(20 + 456 * p);
        values += " " + kv("pstate", id);
        // Only P-state 0 can be edited, and its base voltages never.
        if (!listed(card, id) || id != card.pstates.front() || (baseVoltages > 0)) {
            return call.finishSet(StatusInvalidArgument, values);
        }
        for (std::uint32_t c = 0; c < clocks; ++c) {
            const std::size_t at = 28 + 456 * p + 44 * c;
            const std::uint32_t domain = request.u32(at);
            const std::int32_t delta = request.i32(at + 12);
            values += " " + kv("domain", domain) + " " + kv("delta", delta);
            if (domain == 0 && delta >= card.graphicsDeltaMin && delta <= card.graphicsDeltaMax) {
                graphics = delta;
            } else if (domain == 4 && delta >= card.memoryDeltaMin && delta <= card.memoryDeltaMax) {
                memory = delta;
            } else {
                return call.finishSet(StatusInvalidArgument, values);
            }
        }
    }
    for (std::uint32_t v = 0; v < voltages; ++v) {
        const std::size_t at = 7320 + 24 * v;
        const std::int32_t delta = request.i32(at + 12);
        values += " " + kv("voltageDomain", request.u32(at)) + " " + kv("voltage", delta);
        if (!card.voltageControl) return call.finishSet(StatusNotSupported, values);
        if (request.u32(at) != 0 || delta < card.voltageDeltaMin || delta > card.voltageDeltaMax) {
            return call.finishSet(StatusInvalidArgument, values);
        }
        voltage = delta;
    }
    card.graphicsDelta = graphics;
    card.memoryDelta = memory;
    card.voltageDelta = voltage;
    return call.finishSet(StatusOk, values);
}

std::int32_t VT_DRIVER_CALL getCurrentPstate(GpuHandle gpu, std::uint32_t* pstate) {
    DriverCall call("GetCurrentPstate", gpu);
    if (call.refused()) return call.status();
    if (pstate == nullptr) return call.finish(StatusInvalidArgument);
    *pstate = currentPstate(call.gpu());
    return call.finish(StatusOk, kv("pstate", *pstate));
}

std::int32_t VT_DRIVER_CALL enableDynamicPstates(GpuHandle gpu, std::uint32_t enable) {
    DriverCall call("EnableDynamicPstates", gpu);
    if (call.refused()) return call.status();
    if (enable > 1) return call.finishSet(StatusInvalidArgument, kv("enable", enable));
    call.gpu().dynamicPstates = enable == 1;
    return call.finishSet(StatusOk, kv("enable", enable));
}

std::int32_t VT_DRIVER_CALL setPstateClientLimit(GpuHandle gpu, std::uint32_t kind, std::uint32_t pstate) {
    DriverCall call("SetPstateClientLimit", gpu);
    if (call.refused()) return call.status();
    const std::string values = kv("kind", kind) + " " + kv("pstate", pstate);
    if (kind != ClientLimitKind || pstate > lastListedPstate(call.gpu())) {
        return call.finishSet(StatusInvalidArgument, values);
    }
    call.gpu().pstateLimit = pstate;
    return call.finishSet(StatusOk, values);
}

// --- power and thermal policies -----------------------------------------------------
//
// The older version words have layouts of their own: entries of 44 (power
// info), 16 (power status), 24 (thermal info) and 12 bytes (thermal limit)
// from +8, without the newest layouts' flag and padding words.

namespace {

constexpr std::uint32_t PowerInfoV1 = 0x100B8;
constexpr std::uint32_t PowerStatusV1 = 0x10048;
constexpr std::uint32_t ThermalInfoV2 = 0x20068;
constexpr std::uint32_t ThermalLimitV2 = 0x20038;

// Where a power status answers and is read: the count's width, the limit.
struct PowerStatusAt {
    bool byteCount;
    std::size_t limit;
};
PowerStatusAt powerStatusAt(const Buffer& buffer) {
    return buffer.version() == PowerStatusV1 ? PowerStatusAt{false, 16} : PowerStatusAt{true, 20};
}

struct ThermalLimitAt {
    bool byteCount;
    std::size_t limit;
};
ThermalLimitAt thermalLimitAt(const Buffer& buffer) {
    return buffer.version() == ThermalLimitV2 ? ThermalLimitAt{false, 12} : ThermalLimitAt{true, 16};
}

std::uint32_t countAt4(const Buffer& buffer, bool byteCount) { return byteCount ? buffer.u8(4) : buffer.u32(4); }

}  // namespace

std::int32_t VT_DRIVER_CALL getPowerPolicyInfo(GpuHandle gpu, void* data) {
    DriverCall call("GetPowerPolicyInfo", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().powerPolicy) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetPowerPolicyInfo", status)) return status;
    Buffer info(data);
    const SimGpu& card = call.gpu();
    info.clear(4, info.size());
    info.put8(4, 1);  // valid
    info.put8(5, 1);  // one policy
    info.put32(8, 0);
    const bool v1 = info.version() == PowerInfoV1;
    info.put32(v1 ? 20 : 24, card.powerMin);
    info.put32(v1 ? 32 : 36, card.powerDefault);
    info.put32(v1 ? 44 : 48, card.powerMax);
    return call.finish(StatusOk, version(info));
}

std::int32_t VT_DRIVER_CALL getPowerPolicyStatus(GpuHandle gpu, void* data) {
    DriverCall call("GetPowerPolicyStatus", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().powerPolicy) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetPowerPolicyStatus", status)) return status;
    Buffer policy(data);
    const PowerStatusAt at = powerStatusAt(policy);
    policy.clear(4, policy.size());
    if (at.byteCount) {
        policy.put8(4, 1);
    } else {
        policy.put32(4, 1);
    }
    policy.put32(8, 0);
    policy.put32(at.limit, call.gpu().powerLimit);
    return call.finish(StatusOk, version(policy));
}

std::int32_t VT_DRIVER_CALL setPowerPolicyStatus(GpuHandle gpu, void* data) {
    DriverCall call("SetPowerPolicyStatus", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().powerPolicy) return call.finishSet(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetPowerPolicyStatus", status)) return status;
    const Buffer request(data);
    const PowerStatusAt at = powerStatusAt(request);
    SimGpu& card = call.gpu();
    const std::uint32_t count = countAt4(request, at.byteCount);
    const std::uint32_t limit = request.u32(at.limit);
    const std::string values = version(request) + " " + kv("count", count) + " " + kv("policy", request.u32(8)) +
                               " " + kv("limit", limit);
    if (count != 1 || request.u32(8) != 0 || limit < card.powerMin || limit > card.powerMax) {
        return call.finishSet(StatusInvalidArgument, values);
    }
    card.powerLimit = limit;
    return call.finishSet(StatusOk, values);
}

std::int32_t VT_DRIVER_CALL getThermalPolicyInfo(GpuHandle gpu, void* data) {
    DriverCall call("GetThermalPolicyInfo", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().thermalPolicy) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetThermalPolicyInfo", status)) return status;
    Buffer info(data);
    const SimGpu& card = call.gpu();
    info.clear(4, info.size());
    const bool v2 = info.version() == ThermalInfoV2;
    if (v2) {
        info.put8(4, card.thermalValid ? 1 : 0);  // the count says valid; +5 holds flags, none
    } else {
        info.put8(4, card.thermalValid);
        info.put8(5, 1);
    }
    info.put32(8, 1);  // controller: the GPU
    if (card.thermalValid) {
        info.putI32(v2 ? 16 : 20, card.thermalMin);
        info.putI32(v2 ? 20 : 24, card.thermalDefault);
        info.putI32(v2 ? 24 : 28, card.thermalMax);
    }
    return call.finish(StatusOk, version(info));
}

namespace {

// The limit structures name the policy: a count and the GPU's controller.
bool namesThePolicy(const Buffer& request) {
    return countAt4(request, thermalLimitAt(request).byteCount) >= 1 && request.u32(8) == 1;
}

std::string limitValues(const Buffer& request) {
    return version(request) + " " + kv("count", countAt4(request, thermalLimitAt(request).byteCount)) + " " +
           kv("controller", request.u32(8));
}

}  // namespace

std::int32_t VT_DRIVER_CALL getThermalPolicyLimit(GpuHandle gpu, void* data) {
    DriverCall call("GetThermalPolicyLimit", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().thermalPolicy || !call.gpu().thermalValid) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetThermalPolicyLimit", status)) return status;
    Buffer limit(data);
    const std::string values = limitValues(limit);
    if (!namesThePolicy(limit)) return call.finish(StatusInvalidArgument, values);
    limit.putI32(thermalLimitAt(limit).limit, call.gpu().thermalLimit);
    return call.finish(StatusOk, values);
}

std::int32_t VT_DRIVER_CALL setThermalPolicyLimit(GpuHandle gpu, void* data) {
    DriverCall call("SetThermalPolicyLimit", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().thermalPolicy || !call.gpu().thermalValid) return call.finishSet(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetThermalPolicyLimit", status)) return status;
    const Buffer request(data);
    SimGpu& card = call.gpu();
    const std::int32_t limit = request.i32(thermalLimitAt(request).limit);
    const std::string values = limitValues(request) + " " + kv("limit", limit);
    if (!namesThePolicy(request) || limit < card.thermalMin || limit > card.thermalMax) {
        return call.finishSet(StatusInvalidArgument, values);
    }
    card.thermalLimit = limit;
    return call.finishSet(StatusOk, values);
}

// --- the older cooler interface -----------------------------------------------------

std::int32_t VT_DRIVER_CALL getCoolerSettings(GpuHandle gpu, std::uint32_t cooler, void* data) {
    DriverCall call("GetCoolerSettings", gpu);
    if (call.refused()) return call.status();
    if (call.gpu().cooling != Cooling::Cooler) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetCoolerSettings", status)) return status;
    Buffer settings(data);
    const std::string values = version(settings) + " " + kv("cooler", cooler);
    if (cooler != 0 && cooler != AllCoolers) return call.finish(StatusInvalidArgument, values);
    const SimGpu& card = call.gpu();
    const SimFan& fan = card.fans.front();
    settings.clear(4, settings.size());
    settings.put32(4, 1);
    settings.put32(8, 1);   // a fan
    settings.put32(12, 2);  // on the GPU's own controller
    settings.putI32(16, fan.minLevel);
    settings.putI32(20, fan.maxLevel);
    settings.putI32(24, fan.minLevel);
    settings.putI32(28, fan.maxLevel);
    settings.putI32(32, rounded(fan.level));
    settings.put32(36, PolicyDefault);
    settings.put32(40, fan.manual ? PolicyManual : PolicyDefault);
    settings.put32(44, 1);
    settings.put32(48, 1);
    settings.put32(52, 1);
    // Only versions 3 and 4 carry the speed reading.
    if (settings.versionNumber() >= 3 && card.coolerRpmByte) {
        settings.putI32(56, fanRpm(fan));
        settings.put8(60, 1);
    }
    return call.finish(StatusOk, values);
}

std::int32_t VT_DRIVER_CALL setCoolerLevels(GpuHandle gpu, std::uint32_t cooler, void* data) {
    DriverCall call("SetCoolerLevels", gpu);
    if (call.refused()) return call.status();
    if (call.gpu().cooling != Cooling::Cooler) return call.finishSet(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "SetCoolerLevels", status)) return status;
    const Buffer request(data);
    SimFan& fan = call.gpu().fans.front();
    const std::int32_t level = request.i32(4);
    const std::uint32_t policy = request.u32(8);
    const std::string values =
        version(request) + " " + kv("cooler", cooler) + " " + kv("level", level) + " " + kv("policy", policy);
    if (cooler != 0 && cooler != AllCoolers) return call.finishSet(StatusInvalidArgument, values);
    if (policy == PolicyManual && level >= fan.minLevel && level <= fan.maxLevel) {
        fan.manual = true;
        fan.manualLevel = level;
        fan.level = level;
    } else if (policy == PolicyDefault) {
        fan.manual = false;
    } else {
        return call.finishSet(StatusInvalidArgument, values);
    }
    return call.finishSet(StatusOk, values);
}

// Any card's fans go back to the driver's own policy this way, whichever
// interface set them.
std::int32_t VT_DRIVER_CALL restoreCoolerSettings(GpuHandle gpu, std::uint32_t* coolers, std::uint32_t count) {
    DriverCall call("RestoreCoolerSettings", gpu);
    if (call.refused()) return call.status();
    std::string values = kv("count", count);
    SimGpu& card = call.gpu();
    if (count > 0 && coolers == nullptr) return call.finishSet(StatusInvalidArgument, values);
    for (std::uint32_t i = 0; i < count; ++i) {
        values += " " + kv("cooler", coolers[i]);
        if (coolers[i] >= card.fans.size()) return call.finishSet(StatusInvalidArgument, values);
    }
    for (std::size_t f = 0; f < card.fans.size(); ++f) {
        if (count == 0 || std::find(coolers, coolers + count, std::uint32_t(f)) != coolers + count) {
            card.fans[f].manual = false;
        }
    }
    return call.finishSet(StatusOk, values);
}

// --- the per-fan interface and the fan curve -----------------------------------------

std::int32_t VT_DRIVER_CALL getFanCoolerStatus(GpuHandle gpu, void* data) {
    DriverCall call("GetFanCoolerStatus", gpu);
    if (call.refused()) return call.status();
    if (call.gpu().cooling != Cooling::Fans) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetFanCoolerStatus", status)) return status;
    Buffer fans(data);
    const SimGpu& card = call.gpu();
    fans.clear(4, fans.size());
    fans.put8(4, std::uint8_t(card.fans.size()));
    for (std::size_t f = 0; f < card.fans.size(); ++f) {
        const SimFan& fan = card.fans[f];
        const std::size_t at = 40 + 52 * f;
        fans.put32(at, fan.coolerId);
        fans.putI32(at + 4, fanRpm(fan));
        fans.putI32(at + 8, fan.minLevel);
        fans.putI32(at + 12, fan.maxLevel);
        fans.putI32(at + 16, rounded(fan.level));
    }
    return call.finish(StatusOk, version(fans));
}

// An entry with cooler id 0 is empty and leaves its fan alone.
std::int32_t VT_DRIVER_CALL setFanCoolerControl(GpuHandle gpu, void* data) {
    DriverCall call("SetFanCoolerControl", gpu);
    if (call.refused()) return call.status();
    if (call.gpu().cooling != Cooling::Fans) return call.finishSet(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "SetFanCoolerControl", status)) return status;
    const Buffer request(data);
    SimGpu& card = call.gpu();
    const std::uint32_t count = request.u8(8);
    std::string values = version(request) + " " + kv("count", count);
    if (count < 1 || count > card.fans.size()) return call.finishSet(StatusInvalidArgument, values);
    std::vector<SimFan> fans = card.fans;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = 44 + 44 * i;
        const std::uint32_t id = request.u32(at);
        const std::int32_t level = request.i32(at + 4);
        const bool manual = (request.u32(at + 8) & 1) != 0;
        values += " " + kv("cooler", id) + " " + kv("level", level) + " " + kv("manual", manual);
        if (id == 0) continue;
        if (id > fans.size()) return call.finishSet(StatusInvalidArgument, values);
        SimFan& fan = fans[id - 1];
        if (manual && (level < fan.minLevel || level > fan.maxLevel)) {
            return call.finishSet(StatusInvalidArgument, values);
        }
        fan.manual = manual;
        if (manual) fan.manualLevel = level, fan.level = level;
    }
    card.fans = std::move(fans);
    return call.finishSet(StatusOk, values);
}

std::int32_t VT_DRIVER_CALL getFanCurveInfo(GpuHandle gpu, void* data) {
    DriverCall call("GetFanCurveInfo", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().fanCurve) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetFanCurveInfo", status)) return status;
    Buffer info(data);
    info.clear(4, info.size());
    info.put8(4, std::uint8_t(call.gpu().curve.size()));
    info.put32(8, 3);           // points per entry
    info.putI32(12, 0);         // coolest point
    info.putI32(16, HottestCurvePoint);
    return call.finish(StatusOk, version(info));
}

std::int32_t VT_DRIVER_CALL getFanCurve(GpuHandle gpu, void* data) {
    DriverCall call("GetFanCurve", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().fanCurve) return call.finish(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetFanCurve", status)) return status;
    Buffer curve(data);
    // Bit 0 of the last word asks for the driver's own curve.
    const bool defaults = (curve.u32(216) & 1) != 0;
    const std::vector<SimCurveEntry>& entries = defaults ? call.gpu().defaultCurve : call.gpu().curve;
    curve.clear(4, 216);
    curve.put8(4, std::uint8_t(entries.size()));
    for (std::size_t e = 0; e < entries.size(); ++e) {
        curve.put8(20 + 52 * e, entries[e].index);
        for (std::size_t p = 0; p < 3; ++p) {
            const std::size_t at = 24 + 52 * e + 12 * p;
            curve.putI32(at, entries[e].points[p].temperature);
            curve.put32(at + 4, entries[e].points[p].level);
            curve.putI32(at + 8, entries[e].points[p].driverValue);
        }
    }
    return call.finish(StatusOk, version(curve) + " " + kv("default", defaults));
}

std::int32_t VT_DRIVER_CALL setFanCurve(GpuHandle gpu, void* data) {
    DriverCall call("SetFanCurve", gpu);
    if (call.refused()) return call.status();
    if (!call.gpu().fanCurve) return call.finishSet(StatusNotSupported);
    std::int32_t status = StatusOk;
    if (refuseStructure(call, data, "GetFanCurve", status)) return status;
    const Buffer request(data);
    SimGpu& card = call.gpu();
    const std::uint32_t count = request.u8(4);
    std::string values = version(request) + " " + kv("count", count);
    if (count < 1 || count > card.curve.size()) return call.finishSet(StatusInvalidArgument, values);
    std::vector<SimCurveEntry> curve = card.curve;
    for (std::uint32_t e = 0; e < count; ++e) {
        SimCurveEntry entry;
        entry.index = request.u8(20 + 52 * e);
        values += " " + kv("entry", entry.index);
        for (std::size_t p = 0; p < 3; ++p) {
            const std::size_t at = 24 + 52 * e + 12 * p;
            SimCurvePoint& point = entry.points[p];
            point = {request.i32(at), request.u32(at + 4), request.i32(at + 8)};
            values += " " + std::to_string(point.temperature) + ":" + std::to_string(point.level) + ":" +
                      std::to_string(point.driverValue);
            const bool rising = p == 0 || point.temperature >= entry.points[p - 1].temperature;
            if (point.temperature < 0 || point.temperature > HottestCurvePoint || point.level > 65536 || !rising) {
                return call.finishSet(StatusInvalidArgument, values);
            }
        }
        if (entry.index >= curve.size()) return call.finishSet(StatusInvalidArgument, values);
        curve[entry.index] = entry;
    }
    card.curve = std::move(curve);
    return call.finishSet(StatusOk, values);
}

}  // namespace vt::sim::ops
