#include "driver/DriverApi.h"

#include "driver/DriverBinder.h"

namespace vt {
namespace {

using binder::callOperation;

// A version word larger than the buffer would let the driver write past it.
template <class Structure, class... Args>
DriverStatus callWith(Structure& structure, Operation operation, Args... arguments) {
    if (!structure.versionFits()) return DriverIncompatibleVersion;
    return callOperation(operation, arguments..., structure.data());
}

// Refused writes of this thread: the window thread's requests compare the
// count before and after, whatever other threads write meanwhile.
thread_local std::uint32_t refusedWrites = 0;

DriverStatus counted(DriverStatus status) {
    if (status != DriverOk) ++refusedWrites;
    return status;
}

}  // namespace

std::uint32_t DriverApi::refusedWritesOnThisThread() { return refusedWrites; }

DriverStatus DriverApi::initialize() { return binder::initialize(); }

DriverStatus DriverApi::initializeAgain() { return binder::initializeAgain(); }

DriverStatus DriverApi::enumPhysicalGpus(GpuHandleList& handles, std::uint32_t& count) {
    return callOperation(Operation::NvAPI_EnumPhysicalGPUs, handles.data(), &count);
}

DriverStatus DriverApi::enumComputeGpus(GpuHandleList& handles, std::uint32_t& count) {
    return callOperation(Operation::EnumComputeGpus, handles.data(), &count);
}

DriverStatus DriverApi::getActiveOutputMask(GpuHandle gpu, std::uint32_t& mask) {
    return callOperation(Operation::GetActiveOutputMask, gpu, &mask);
}

DriverStatus DriverApi::getFullName(GpuHandle gpu, GpuFullName& name) {
    return callOperation(Operation::NvAPI_GPU_GetFullName, gpu, static_cast<char*>(name.text));
}

DriverStatus DriverApi::getPciIdentifiers(GpuHandle gpu, PciIdentifiers& ids) {
    return callOperation(Operation::NvAPI_GPU_GetPCIIdentifiers, gpu, &ids.deviceId, &ids.subsystemId,
                         &ids.revisionId, &ids.extDeviceId);
}

DriverStatus DriverApi::getMemoryInfo(GpuHandle gpu, MemoryInfo& info) {
    return callWith(info, Operation::GetMemoryInfo, gpu);
}

DriverStatus DriverApi::getChipsetInfo(ChipsetInfo& info) { return callWith(info, Operation::GetChipsetInfo); }

DriverStatus DriverApi::getAllClockFrequencies(GpuHandle gpu, ClockFrequencies& clocks) {
    return callWith(clocks, Operation::NvAPI_GPU_GetAllClockFrequencies, gpu);
}

DriverStatus DriverApi::getThermalSettings(GpuHandle gpu, std::uint32_t sensorIndex, ThermalSettings& settings) {
    return callWith(settings, Operation::NvAPI_GPU_GetThermalSettings, gpu, sensorIndex);
}

DriverStatus DriverApi::getPstates20(GpuHandle gpu, Pstates20& pstates) {
    return callWith(pstates, Operation::NvAPI_GPU_GetPstates20, gpu);
}

DriverStatus DriverApi::setPstates20(GpuHandle gpu, Pstates20& request) {
    return counted(callWith(request, Operation::SetPstates20, gpu));
}

DriverStatus DriverApi::getCurrentPstate(GpuHandle gpu, std::uint32_t& pstate) {
    return callOperation(Operation::GetCurrentPstate, gpu, &pstate);
}

DriverStatus DriverApi::enableDynamicPstates(GpuHandle gpu, std::uint32_t enable) {
    return callOperation(Operation::EnableDynamicPstates, gpu, enable);
}

DriverStatus DriverApi::setPstateClientLimit(GpuHandle gpu, std::uint32_t limitKind, std::uint32_t pstate) {
    return counted(callOperation(Operation::SetPstateClientLimit, gpu, limitKind, pstate));
}

DriverStatus DriverApi::getPowerPolicyInfo(GpuHandle gpu, PowerPolicyInfo& info) {
    return callWith(info, Operation::GetPowerPolicyInfo, gpu);
}

DriverStatus DriverApi::getPowerPolicyStatus(GpuHandle gpu, PowerPolicyStatus& status) {
    return callWith(status, Operation::GetPowerPolicyStatus, gpu);
}

DriverStatus DriverApi::setPowerPolicyStatus(GpuHandle gpu, PowerPolicyStatus& request) {
    return counted(callWith(request, Operation::SetPowerPolicyStatus, gpu));
}

DriverStatus DriverApi::getThermalPolicyInfo(GpuHandle gpu, ThermalPolicyInfo& info) {
    return callWith(info, Operation::GetThermalPolicyInfo, gpu);
}

DriverStatus DriverApi::getThermalPolicyLimit(GpuHandle gpu, ThermalPolicyLimit& limit) {
    return callWith(limit, Operation::GetThermalPolicyLimit, gpu);
}

DriverStatus DriverApi::setThermalPolicyLimit(GpuHandle gpu, ThermalPolicyLimit& request) {
    return counted(callWith(request, Operation::SetThermalPolicyLimit, gpu));
}

DriverStatus DriverApi::getCoolerSettings(GpuHandle gpu, std::uint32_t coolerIndex, CoolerSettings& settings) {
    return callWith(settings, Operation::GetCoolerSettings, gpu, coolerIndex);
}

DriverStatus DriverApi::setCoolerLevels(GpuHandle gpu, std::uint32_t coolerIndex, CoolerLevels& request) {
    return counted(callWith(request, Operation::SetCoolerLevels, gpu, coolerIndex));
}

DriverStatus DriverApi::restoreCoolerSettings(GpuHandle gpu, const std::uint32_t* coolerIndices,
                                              std::uint32_t count) {
    // The driver only reads the list; its declaration takes it without const.
    return callOperation(Operation::RestoreCoolerSettings, gpu, const_cast<std::uint32_t*>(coolerIndices), count);
}

DriverStatus DriverApi::getFanCoolerStatus(GpuHandle gpu, FanCoolerStatus& status) {
    return callWith(status, Operation::GetFanCoolerStatus, gpu);
}

DriverStatus DriverApi::setFanCoolerControl(GpuHandle gpu, FanCoolerControl& request) {
    return counted(callWith(request, Operation::SetFanCoolerControl, gpu));
}

DriverStatus DriverApi::getFanCurveInfo(GpuHandle gpu, FanCurveInfo& info) {
    return callWith(info, Operation::GetFanCurveInfo, gpu);
}

DriverStatus DriverApi::getFanCurve(GpuHandle gpu, FanCurve& curve) {
    return callWith(curve, Operation::GetFanCurve, gpu);
}

DriverStatus DriverApi::setFanCurve(GpuHandle gpu, FanCurve& request) {
    return counted(callWith(request, Operation::SetFanCurve, gpu));
}

DriverStatus DriverApi::drsCreateSession(DrsSession& session) {
    return callOperation(Operation::NvAPI_DRS_CreateSession, &session);
}

DriverStatus DriverApi::drsDestroySession(DrsSession session) {
    return callOperation(Operation::NvAPI_DRS_DestroySession, session);
}

DriverStatus DriverApi::drsLoadSettings(DrsSession session) {
    return callOperation(Operation::NvAPI_DRS_LoadSettings, session);
}

DriverStatus DriverApi::drsSaveSettings(DrsSession session) {
    return callOperation(Operation::NvAPI_DRS_SaveSettings, session);
}

DriverStatus DriverApi::drsGetBaseProfile(DrsSession session, DrsProfile& profile) {
    return callOperation(Operation::NvAPI_DRS_GetBaseProfile, session, &profile);
}

DriverStatus DriverApi::drsSetSetting(DrsSession session, DrsProfile profile, DrsSetting& setting) {
    return counted(callWith(setting, Operation::NvAPI_DRS_SetSetting, session, profile));
}

DriverStatus DriverApi::drsGetSetting(DrsSession session, DrsProfile profile, std::uint32_t settingId,
                                      DrsSetting& setting) {
    return callWith(setting, Operation::NvAPI_DRS_GetSetting, session, profile, settingId);
}

DriverStatus DriverApi::drsRestoreProfileDefaultSetting(DrsSession session, DrsProfile profile,
                                                        std::uint32_t settingId) {
    return callOperation(Operation::NvAPI_DRS_RestoreProfileDefaultSetting, session, profile, settingId);
}

}  // namespace vt
