// nvapi_QueryInterface: the interface ID of every operation the simulated
// driver offers, and the function it hands out for it.
#include <string_view>

#include "sim/SimDriver.h"
#include "sim/SimOperations.h"

namespace vt::sim {
namespace {

struct Entry {
    std::uint32_t id;
    std::string_view name;
    void* function;
};

template <class Function>
void* entry(Function function) {
    return reinterpret_cast<void*>(function);
}

const Entry* entries(std::size_t& count) {
    static const Entry table[] = {
        {0x0150E828, "NvAPI_Initialize", entry(&ops::initialize)},
        {0xAD298D3F, "InitializeWithFlags", entry(&ops::initializeWithFlags)},
        {0xE5AC921F, "NvAPI_EnumPhysicalGPUs", entry(&ops::enumPhysicalGpus)},
        {0xD9930B07, "EnumComputeGpus", entry(&ops::enumComputeGpus)},
        {0xE3E89B6F, "GetActiveOutputMask", entry(&ops::getActiveOutputMask)},
        {0xCEEE8E9F, "NvAPI_GPU_GetFullName", entry(&ops::getFullName)},
        {0x2DDFB66E, "NvAPI_GPU_GetPCIIdentifiers", entry(&ops::getPciIdentifiers)},
        {0xDCB616C3, "NvAPI_GPU_GetAllClockFrequencies", entry(&ops::getAllClockFrequencies)},
        {0xE3640A56, "NvAPI_GPU_GetThermalSettings", entry(&ops::getThermalSettings)},
        {0x6FF81213, "NvAPI_GPU_GetPstates20", entry(&ops::getPstates20)},
        {0x0F4DAE6B, "SetPstates20", entry(&ops::setPstates20)},
        {0x927DA4F6, "GetCurrentPstate", entry(&ops::getCurrentPstate)},
        {0xFA579A0F, "EnableDynamicPstates", entry(&ops::enableDynamicPstates)},
        {0xFDFC7D49, "SetPstateClientLimit", entry(&ops::setPstateClientLimit)},
        {0x34206D86, "GetPowerPolicyInfo", entry(&ops::getPowerPolicyInfo)},
        {0x70916171, "GetPowerPolicyStatus", entry(&ops::getPowerPolicyStatus)},
        {0xAD95F5ED, "SetPowerPolicyStatus", entry(&ops::setPowerPolicyStatus)},
        {0x0D258BB5, "GetThermalPolicyInfo", entry(&ops::getThermalPolicyInfo)},
        {0xE9C425A1, "GetThermalPolicyLimit", entry(&ops::getThermalPolicyLimit)},
        {0x34C0B13D, "SetThermalPolicyLimit", entry(&ops::setThermalPolicyLimit)},
        {0xDA141340, "GetCoolerSettings", entry(&ops::getCoolerSettings)},
        {0x891FA0AE, "SetCoolerLevels", entry(&ops::setCoolerLevels)},
        {0x8F6ED0FB, "RestoreCoolerSettings", entry(&ops::restoreCoolerSettings)},
        {0x35AED5E8, "GetFanCoolerStatus", entry(&ops::getFanCoolerStatus)},
        {0xA58971A5, "SetFanCoolerControl", entry(&ops::setFanCoolerControl)},
        {0x52B76D12, "GetFanCurveInfo", entry(&ops::getFanCurveInfo)},
        {0xE543C540, "GetFanCurve", entry(&ops::getFanCurve)},
        {0xC181947A, "SetFanCurve", entry(&ops::setFanCurve)},
        {0x07F9B368, "GetMemoryInfo", entry(&ops::getMemoryInfo)},
        {0x53DABBCA, "GetChipsetInfo", entry(&ops::getChipsetInfo)},
        {0x189A1FDF, "GetGpuUsages", entry(&ops::getGpuUsages)},
        {0x0694D52E, "NvAPI_DRS_CreateSession", entry(&ops::drsCreateSession)},
        {0xDAD9CFF8, "NvAPI_DRS_DestroySession", entry(&ops::drsDestroySession)},
        {0x375DBD6B, "NvAPI_DRS_LoadSettings", entry(&ops::drsLoadSettings)},
        {0xFCBC7E14, "NvAPI_DRS_SaveSettings", entry(&ops::drsSaveSettings)},
        {0xDA8466A0, "NvAPI_DRS_GetBaseProfile", entry(&ops::drsGetBaseProfile)},
        {0x577DD202, "NvAPI_DRS_SetSetting", entry(&ops::drsSetSetting)},
        {0x73BF8338, "NvAPI_DRS_GetSetting", entry(&ops::drsGetSetting)},
        {0x53F0381E, "NvAPI_DRS_RestoreProfileDefaultSetting", entry(&ops::drsRestoreProfileDefaultSetting)},
        // Offered only when the configuration asks for them.
        {0x33C7358C, "CallEnterHook", entry(&ops::enterHook)},
        {0x593E8644, "CallLeaveHook", entry(&ops::leaveHook)},
    };
    count = std::size(table);
    return table;
}

void* VT_DRIVER_CALL queryInterface(std::uint32_t id) { return Simulator::instance().queryInterface(id); }

}  // namespace

void* Simulator::queryInterface(std::uint32_t id) const {
    std::size_t count = 0;
    const Entry* table = entries(count);
    SimDriver& driver = simDriver();
    std::lock_guard guard(driver.lock);
    for (std::size_t i = 0; i < count; ++i) {
        const Entry& candidate = table[i];
        if (candidate.id != id) continue;
        const bool hook = candidate.name == "CallEnterHook" || candidate.name == "CallLeaveHook";
        if ((hook && !driver.config.hooks) || driver.config.missing.count(std::string(candidate.name)) > 0) {
            return nullptr;
        }
        return candidate.function;
    }
    return nullptr;
}

SimQueryInterface queryInterfaceEntry() { return &queryInterface; }

}  // namespace vt::sim
