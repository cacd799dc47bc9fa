// The driver's operation list: the enumeration, the names and the IDs all
// come from one list, and none of them may move (the cache slot of an
// operation is its position).
#include "driver/DriverOperations.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vt {
namespace {

// The table as the program has always asked for the operations.
constexpr OperationInfo Expected[] = {
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

TEST(DriverOperations, NamesAndIdsStandInTheirKnownOrder) {
    ASSERT_EQ(std::size(OperationTable), std::size(Expected));
    ASSERT_EQ(OperationCount, 41u);
    for (std::size_t i = 0; i < std::size(Expected); ++i) {
        EXPECT_EQ(OperationTable[i].name, Expected[i].name) << i;
        EXPECT_EQ(OperationTable[i].id, Expected[i].id) << Expected[i].name;
    }
}

TEST(DriverOperations, EachEnumeratorNamesItsOwnRowAndCacheSlot) {
    std::set<std::size_t> slots;
#define VT_CHECK_OPERATION(operation, id)                                   \
    EXPECT_EQ(operationInfo(Operation::operation).name, #operation);        \
    EXPECT_EQ(interfaceId(Operation::operation), std::uint32_t{id});        \
    EXPECT_LT(cacheSlot(Operation::operation), EntryCacheSlots) << #operation; \
    slots.insert(cacheSlot(Operation::operation));
    VT_DRIVER_OPERATIONS(VT_CHECK_OPERATION)
#undef VT_CHECK_OPERATION
    EXPECT_EQ(slots.size(), OperationCount);
}

TEST(DriverOperations, InterfaceIdsAreUnique) {
    std::set<std::uint32_t> ids;
    for (const OperationInfo& info : OperationTable) EXPECT_TRUE(ids.insert(info.id).second) << info.name;
}

}  // namespace
}  // namespace vt
