// Every driver operation the program asks for, with its 32-bit interface ID.
//
// The driver hands out its functions only by these IDs. Each operation owns
// one slot of the binder's entry-point cache, its position in this list, so
// the list's order is the cache layout and never needs to be stable across
// builds, only unique.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vt {

enum class Operation : std::uint16_t {
    NvAPI_Initialize,
    InitializeWithFlags,
    CallEnterHook,
    CallLeaveHook,
    NvAPI_EnumPhysicalGPUs,
    EnumComputeGpus,
    GetActiveOutputMask,
    NvAPI_GPU_GetFullName,
    NvAPI_GPU_GetPCIIdentifiers,
    NvAPI_GPU_GetAllClockFrequencies,
    NvAPI_GPU_GetThermalSettings,
    NvAPI_GPU_GetPstates20,
    SetPstates20,
    GetCurrentPstate,
    EnableDynamicPstates,
    SetPstateClientLimit,
    GetPowerPolicyInfo,
    GetPowerPolicyStatus,
    SetPowerPolicyStatus,
    GetThermalPolicyInfo,
    GetThermalPolicyLimit,
    SetThermalPolicyLimit,
    GetCoolerSettings,
    SetCoolerLevels,
    RestoreCoolerSettings,
    GetFanCoolerStatus,
    SetFanCoolerControl,
    GetFanCurveInfo,
    GetFanCurve,
    SetFanCurve,
    GetMemoryInfo,
    GetChipsetInfo,
    NvAPI_DRS_CreateSession,
    NvAPI_DRS_DestroySession,
    NvAPI_DRS_LoadSettings,
    NvAPI_DRS_SaveSettings,
    NvAPI_DRS_GetBaseProfile,
    NvAPI_DRS_SetSetting,
    NvAPI_DRS_GetSetting,
    NvAPI_DRS_RestoreProfileDefaultSetting,
    GetGpuUsages,
    Count
};

struct OperationInfo {
    std::string_view name;
    std::uint32_t id;
};

// In the order of Operation.
inline constexpr OperationInfo OperationTable[] = {
    {"NvAPI_Initialize", 0x0150E828},
    {"InitializeWithFlags", 0xAD298D3F},
    {"CallEnterHook", 0x33C7358C},
    {"CallLeaveHook", 0x593E8644},
    {"NvAPI_EnumPhysicalGPUs", 0xE5AC921F},
    {"EnumComputeGpus", 0xD9930B07},
    {"GetActiveOutputMask", 0xE3E89B6F},
    {"NvAPI_GPU_GetFullName", 0xCEEE8E9F},
    {"NvAPI_GPU_GetPCIIdentifiers", 0x2DDFB66E},
    {"NvAPI_GPU_GetAllClockFrequencies", 0xDCB616C3},
    {"NvAPI_GPU_GetThermalSettings", 0xE3640A56},
    {"NvAPI_GPU_GetPstates20", 0x6FF81213},
    {"SetPstates20", 0x0F4DAE6B},
    {"GetCurrentPstate", 0x927DA4F6},
    {"EnableDynamicPstates", 0xFA579A0F},
    {"SetPstateClientLimit", 0xFDFC7D49},
    {"GetPowerPolicyInfo", 0x34206D86},
    {"GetPowerPolicyStatus", 0x70916171},
    {"SetPowerPolicyStatus", 0xAD95F5ED},
    {"GetThermalPolicyInfo", 0x0D258BB5},
    {"GetThermalPolicyLimit", 0xE9C425A1},
    {"SetThermalPolicyLimit", 0x34C0B13D},
    {"GetCoolerSettings", 0xDA141340},
    {"SetCoolerLevels", 0x891FA0AE},
    {"RestoreCoolerSettings", 0x8F6ED0FB},
    {"GetFanCoolerStatus", 0x35AED5E8},
    {"SetFanCoolerControl", 0xA58971A5},
    {"GetFanCurveInfo", 0x52B76D12},
    {"GetFanCurve", 0xE543C540},
    {"SetFanCurve", 0xC181947A},
    {"GetMemoryInfo", 0x07F9B368},
    {"GetChipsetInfo", 0x53DABBCA},
    {"NvAPI_DRS_CreateSession", 0x0694D52E},
    {"NvAPI_DRS_DestroySession", 0xDAD9CFF8},
    {"NvAPI_DRS_LoadSettings", 0x375DBD6B},
    {"NvAPI_DRS_SaveSettings", 0xFCBC7E14},
    {"NvAPI_DRS_GetBaseProfile", 0xDA8466A0},
    {"NvAPI_DRS_SetSetting", 0x577DD202},
    {"NvAPI_DRS_GetSetting", 0x73BF8338},
    {"NvAPI_DRS_RestoreProfileDefaultSetting", 0x53F0381E},
    {"GetGpuUsages", 0x189A1FDF},
};

inline constexpr std::size_t OperationCount = static_cast<std::size_t>(Operation::Count);
static_assert(std::size(OperationTable) == OperationCount, "one table row per operation");

// The binder's cache has room for every operation the driver offers, far
// more than the program uses.
inline constexpr std::size_t EntryCacheSlots = 729;
static_assert(OperationCount <= EntryCacheSlots);

constexpr const OperationInfo& operationInfo(Operation operation) {
    return OperationTable[static_cast<std::size_t>(operation)];
}
constexpr std::uint32_t interfaceId(Operation operation) { return operationInfo(operation).id; }
constexpr std::size_t cacheSlot(Operation operation) { return static_cast<std::size_t>(operation); }

// The frame-rate limiter, the only driver setting the program touches.
inline constexpr std::uint32_t FrameRateLimiterSetting = 0x10835002;

}  // namespace vt
