// Every driver operation the program asks for, with its 32-bit interface ID.
//
// The driver hands out its functions only by these IDs. The one list below
// makes both the enumeration and the table of names and IDs, so the two
// cannot drift apart in count or order. Each operation owns one slot of the
// binder's entry-point cache, its position in the list: the list's order is
// the cache layout and never needs to be stable across builds, only unique.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vt {

// X(operation, interface ID), in cache order.
#define VT_DRIVER_OPERATIONS(X) \
    X(NvAPI_Initialize,                       0x0150E828) \
    X(InitializeWithFlags,                    0xAD298D3F) \
    X(CallEnterHook,                          0x33C7358C) \
    X(CallLeaveHook,                          0x593E8644) \
    X(NvAPI_EnumPhysicalGPUs,                 0xE5AC921F) \
    X(EnumComputeGpus,                        0xD9930B07) \
    X(GetActiveOutputMask,                    0xE3E89B6F) \
    X(NvAPI_GPU_GetFullName,                  0xCEEE8E9F) \
    X(NvAPI_GPU_GetPCIIdentifiers,            0x2DDFB66E) \
    X(NvAPI_GPU_GetAllClockFrequencies,       0xDCB616C3) \
    X(NvAPI_GPU_GetThermalSettings,           0xE3640A56) \
    X(NvAPI_GPU_GetPstates20,                 0x6FF81213) \
    X(SetPstates20,                           0x0F4DAE6B) \
    X(GetCurrentPstate,                       0x927DA4F6) \
    X(EnableDynamicPstates,                   0xFA579A0F) \
    X(SetPstateClientLimit,                   0xFDFC7D49) \
    X(GetPowerPolicyInfo,                     0x34206D86) \
    X(GetPowerPolicyStatus,                   0x70916171) \
    X(SetPowerPolicyStatus,                   0xAD95F5ED) \
    X(GetThermalPolicyInfo,                   0x0D258BB5) \
    X(GetThermalPolicyLimit,                  0xE9C425A1) \
    X(SetThermalPolicyLimit,                  0x34C0B13D) \
    X(GetCoolerSettings,                      0xDA141340) \
    X(SetCoolerLevels,                        0x891FA0AE) \
    X(RestoreCoolerSettings,                  0x8F6ED0FB) \
    X(GetFanCoolerStatus,                     0x35AED5E8) \
    X(SetFanCoolerControl,                    0xA58971A5) \
    X(GetFanCurveInfo,                        0x52B76D12) \
    X(GetFanCurve,                            0xE543C540) \
    X(SetFanCurve,                            0xC181947A) \
    X(GetMemoryInfo,                          0x07F9B368) \
    X(GetChipsetInfo,                         0x53DABBCA) \
    X(NvAPI_DRS_CreateSession,                0x0694D52E) \
    X(NvAPI_DRS_DestroySession,               0xDAD9CFF8) \
    X(NvAPI_DRS_LoadSettings,                 0x375DBD6B) \
    X(NvAPI_DRS_SaveSettings,                 0xFCBC7E14) \
    X(NvAPI_DRS_GetBaseProfile,               0xDA8466A0) \
    X(NvAPI_DRS_SetSetting,                   0x577DD202) \
    X(NvAPI_DRS_GetSetting,                   0x73BF8338) \
    X(NvAPI_DRS_RestoreProfileDefaultSetting, 0x53F0381E) \
    X(GetGpuUsages,                           0x189A1FDF)

enum class Operation : std::uint16_t {
#define VT_OPERATION_NAME(operation, id) operation,
    VT_DRIVER_OPERATIONS(VT_OPERATION_NAME)
#undef VT_OPERATION_NAME
    Count
};

struct OperationInfo {
    std::string_view name;
    std::uint32_t id;
};

// In the order of Operation.
inline constexpr OperationInfo OperationTable[] = {
#define VT_OPERATION_ROW(operation, id) {#operation, id},
    VT_DRIVER_OPERATIONS(VT_OPERATION_ROW)
#undef VT_OPERATION_ROW
};

inline constexpr std::size_t OperationCount = static_cast<std::size_t>(Operation::Count);

// One cache slot per operation the program asks for.
inline constexpr std::size_t EntryCacheSlots = OperationCount;

constexpr const OperationInfo& operationInfo(Operation operation) {
    return OperationTable[static_cast<std::size_t>(operation)];
}
constexpr std::uint32_t interfaceId(Operation operation) { return operationInfo(operation).id; }
constexpr std::size_t cacheSlot(Operation operation) { return static_cast<std::size_t>(operation); }

// The frame-rate limiter, the only driver setting the program touches.
inline constexpr std::uint32_t FrameRateLimiterSetting = 0x10835002;

}  // namespace vt
