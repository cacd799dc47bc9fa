// The typed driver operations: the only road from the program to the
// graphics driver.
//
// One function per driver operation the program uses. Each counts itself in
// flight, makes sure the driver library is loaded and bound, finds the
// driver's function by interface ID (cached after the first success) and
// returns the driver's status unchanged, or the layer's own -1, -2 or -3.
// Callers fill structures through the named accessors of DriverStructs.h,
// constructing each with the version word their GPU accepted
// (StructVersionTable); no operation retries on its own.
#pragma once

#include <cstdint>

#include "driver/DriverStructs.h"
#include "driver/DriverTypes.h"

namespace vt {

struct DriverApi {
    // How many tuning writes (clocks, power and thermal limits, fans, the fan
    // curve, driver settings) the driver refused on the calling thread so far.
    static std::uint32_t refusedWritesOnThisThread();

    // Loads and initialises the driver; the program's start-up call.
    static DriverStatus initialize();
    static DriverStatus initializeAgain();  // after a driver reset

    // --- enumeration and identity -------------------------------------------
    static DriverStatus enumPhysicalGpus(GpuHandleList& handles, std::uint32_t& count);
    static DriverStatus enumComputeGpus(GpuHandleList& handles, std::uint32_t& count);
    static DriverStatus getActiveOutputMask(GpuHandle gpu, std::uint32_t& mask);
    static DriverStatus getFullName(GpuHandle gpu, GpuFullName& name);
    static DriverStatus getPciIdentifiers(GpuHandle gpu, PciIdentifiers& ids);
    static DriverStatus getMemoryInfo(GpuHandle gpu, MemoryInfo& info);
    static DriverStatus getChipsetInfo(ChipsetInfo& info);

    // --- clocks, temperature, load ------------------------------------------
    static DriverStatus getAllClockFrequencies(GpuHandle gpu, ClockFrequencies& clocks);
    static DriverStatus getThermalSettings(GpuHandle gpu, std::uint32_t sensorIndex, ThermalSettings& settings);

    // --- performance states -------------------------------------------------
    static DriverStatus getPstates20(GpuHandle gpu, Pstates20& pstates);
    static DriverStatus setPstates20(GpuHandle gpu, Pstates20& request);
    static DriverStatus getCurrentPstate(GpuHandle gpu, std::uint32_t& pstate);
    static DriverStatus enableDynamicPstates(GpuHandle gpu, std::uint32_t enable);
    static DriverStatus setPstateClientLimit(GpuHandle gpu, std::uint32_t limitKind, std::uint32_t pstate);

    // --- power and thermal policies -----------------------------------------
    static DriverStatus getPowerPolicyInfo(GpuHandle gpu, PowerPolicyInfo& info);
    static DriverStatus getPowerPolicyStatus(GpuHandle gpu, PowerPolicyStatus& status);
    static DriverStatus setPowerPolicyStatus(GpuHandle gpu, PowerPolicyStatus& request);
    static DriverStatus getThermalPolicyInfo(GpuHandle gpu, ThermalPolicyInfo& info);
    static DriverStatus getThermalPolicyLimit(GpuHandle gpu, ThermalPolicyLimit& limit);
    static DriverStatus setThermalPolicyLimit(GpuHandle gpu, ThermalPolicyLimit& request);

    // --- fans -----------------------------------------------------------------
    static DriverStatus getCoolerSettings(GpuHandle gpu, std::uint32_t coolerIndex, CoolerSettings& settings);
    static DriverStatus setCoolerLevels(GpuHandle gpu, std::uint32_t coolerIndex, CoolerLevels& request);
    // coolerIndices may be null with count 0: every cooler.
    static DriverStatus restoreCoolerSettings(GpuHandle gpu, const std::uint32_t* coolerIndices, std::uint32_t count);
    static DriverStatus getFanCoolerStatus(GpuHandle gpu, FanCoolerStatus& status);
    static DriverStatus setFanCoolerControl(GpuHandle gpu, FanCoolerControl& request);
    static DriverStatus getFanCurveInfo(GpuHandle gpu, FanCurveInfo& info);
    static DriverStatus getFanCurve(GpuHandle gpu, FanCurve& curve);
    static DriverStatus setFanCurve(GpuHandle gpu, FanCurve& request);

    // --- driver settings store ------------------------------------------------
    static DriverStatus drsCreateSession(DrsSession& session);
    static DriverStatus drsDestroySession(DrsSession session);
    static DriverStatus drsLoadSettings(DrsSession session);
    static DriverStatus drsSaveSettings(DrsSession session);
    static DriverStatus drsGetBaseProfile(DrsSession session, DrsProfile& profile);
    static DriverStatus drsSetSetting(DrsSession session, DrsProfile profile, DrsSetting& setting);
    static DriverStatus drsGetSetting(DrsSession session, DrsProfile profile, std::uint32_t settingId,
                                      DrsSetting& setting);
    static DriverStatus drsRestoreProfileDefaultSetting(DrsSession session, DrsProfile profile,
                                                        std::uint32_t settingId);
};

// The P-state client limit kind the program sets; P-state 0 means no cap.
inline constexpr std::uint32_t PstateClientLimitKind = 3;

}  // namespace vt
