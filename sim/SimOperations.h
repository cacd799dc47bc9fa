// The simulated driver's functions, one per interface ID, with exactly the
// argument types the driver layer calls them with. Internal to sim/.
#pragma once

#include <cstdint>

#include "driver/DriverTypes.h"

namespace vt::sim::ops {

std::int32_t VT_DRIVER_CALL initialize();
std::int32_t VT_DRIVER_CALL initializeWithFlags(std::uint32_t flags);
void VT_DRIVER_CALL enterHook(std::uint32_t id, std::uint32_t* scratch);
// The driver's own signature: the scratch pair arrives as one 64-bit value.
void VT_DRIVER_CALL leaveHook(std::uint32_t id, std::uint64_t scratch, std::int32_t result);

std::int32_t VT_DRIVER_CALL enumPhysicalGpus(GpuHandle* handles, std::uint32_t* count);
std::int32_t VT_DRIVER_CALL enumComputeGpus(GpuHandle* handles, std::uint32_t* count);
std::int32_t VT_DRIVER_CALL getActiveOutputMask(GpuHandle gpu, std::uint32_t* mask);
std::int32_t VT_DRIVER_CALL getFullName(GpuHandle gpu, char* name);
std::int32_t VT_DRIVER_CALL getPciIdentifiers(GpuHandle gpu, std::uint32_t* device, std::uint32_t* subsystem,
                                              std::uint32_t* revision, std::uint32_t* extDevice);
std::int32_t VT_DRIVER_CALL getAllClockFrequencies(GpuHandle gpu, void* clocks);
std::int32_t VT_DRIVER_CALL getThermalSettings(GpuHandle gpu, std::uint32_t sensor, void* settings);
std::int32_t VT_DRIVER_CALL getPstates20(GpuHandle gpu, void* pstates);
std::int32_t VT_DRIVER_CALL setPstates20(GpuHandle gpu, void* pstates);
std::int32_t VT_DRIVER_CALL getCurrentPstate(GpuHandle gpu, std::uint32_t* pstate);
std::int32_t VT_DRIVER_CALL enableDynamicPstates(GpuHandle gpu, std::uint32_t enable);
std::int32_t VT_DRIVER_CALL setPstateClientLimit(GpuHandle gpu, std::uint32_t kind, std::uint32_t pstate);
std::int32_t VT_DRIVER_CALL getPowerPolicyInfo(GpuHandle gpu, void* info);
std::int32_t VT_DRIVER_CALL getPowerPolicyStatus(GpuHandle gpu, void* status);
std::int32_t VT_DRIVER_CALL setPowerPolicyStatus(GpuHandle gpu, void* status);
std::int32_t VT_DRIVER_CALL getThermalPolicyInfo(GpuHandle gpu, void* info);
std::int32_t VT_DRIVER_CALL getThermalPolicyLimit(GpuHandle gpu, void* limit);
std::int32_t VT_DRIVER_CALL setThermalPolicyLimit(GpuHandle gpu, void* limit);
std::int32_t VT_DRIVER_CALL getCoolerSettings(GpuHandle gpu, std::uint32_t cooler, void* settings);
std::int32_t VT_DRIVER_CALL setCoolerLevels(GpuHandle gpu, std::uint32_t cooler, void* levels);
std::int32_t VT_DRIVER_CALL restoreCoolerSettings(GpuHandle gpu, std::uint32_t* coolers, std::uint32_t count);
std::int32_t VT_DRIVER_CALL getFanCoolerStatus(GpuHandle gpu, void* status);
std::int32_t VT_DRIVER_CALL setFanCoolerControl(GpuHandle gpu, void* control);
std::int32_t VT_DRIVER_CALL getFanCurveInfo(GpuHandle gpu, void* info);
std::int32_t VT_DRIVER_CALL getFanCurve(GpuHandle gpu, void* curve);
std::int32_t VT_DRIVER_CALL setFanCurve(GpuHandle gpu, void* curve);
std::int32_t VT_DRIVER_CALL getMemoryInfo(GpuHandle gpu, void* info);
std::int32_t VT_DRIVER_CALL getChipsetInfo(void* info);
std::int32_t VT_DRIVER_CALL getGpuUsages(GpuHandle gpu, void* usages);

std::int32_t VT_DRIVER_CALL drsCreateSession(DrsSession* session);
std::int32_t VT_DRIVER_CALL drsDestroySession(DrsSession session);
std::int32_t VT_DRIVER_CALL drsLoadSettings(DrsSession session);
std::int32_t VT_DRIVER_CALL drsSaveSettings(DrsSession session);
std::int32_t VT_DRIVER_CALL drsGetBaseProfile(DrsSession session, DrsProfile* profile);
std::int32_t VT_DRIVER_CALL drsSetSetting(DrsSession session, DrsProfile profile, void* setting);
std::int32_t VT_DRIVER_CALL drsGetSetting(DrsSession session, DrsProfile profile, std::uint32_t id, void* setting);
std::int32_t VT_DRIVER_CALL drsRestoreProfileDefaultSetting(DrsSession session, DrsProfile profile, std::uint32_t id);

}  // namespace vt::sim::ops
