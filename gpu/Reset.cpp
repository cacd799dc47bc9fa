#include "gpu/Reset.h"

#include "gpu/MonitorRows.h"

#include "driver/DriverApi.h"
#include "driver/DriverOperations.h"
#include "gpu/FanControl.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/GpuRequests.h"
#include "gpu/GpuWalk.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/SafetyNet.h"
#include "gpu/SettingsInForce.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "settings/OperationLog.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

// From the reset's first write until the panels have taken its values over.
DriverGate::Hold resetHold;

WalkRole tunableOrFail(const GpuSlot& gpu) { return tunable(gpu) ? WalkRole::Send : WalkRole::Fail; }

bool knownFanRange(const GpuSlot& gpu) { return gpu.fanMin != ValueUnavailable && gpu.fanMax != ValueUnavailable; }

bool releasePstates() { return sendToGpus(releasePstate, everyGpu, WalkEnd::Never); }

bool zeroClockOffset(std::uint32_t domain) {
    return sendToGpus([domain](GpuSlot& gpu) { return setClockDelta(gpu, domain, 0); });
}

bool resetPowerTarget() {
    if (tuning.powerTargetMin == 0 || tuning.powerTargetMax == 0) return false;
    return sendToGpus([](GpuSlot& gpu) { return setPowerLimit(gpu, 100000); }, tunableOrFail);
}

// Each GPU goes back to its own thermal policy's default limit. When a
// GPU's policy cannot be read, no default is known and nothing is sent.
DriverStatus restoreDefaultTemperature(GpuSlot& gpu) {
    ThermalPolicyInfo info(gpu.versions.thermalPolicyInfo);
    DriverStatus status = DriverApi::getThermalPolicyInfo(gpu.handle, info);
    if (status != DriverOk) return status;
    if (!info.valid()) return DriverNotReady;
    ThermalPolicyLimit request(gpu.versions.thermalPolicyLimit);
    request.requestLimit(info.defaultLimit());  // already in 1/256 degrees
    return DriverApi::setThermalPolicyLimit(gpu.handle, request);
}

bool resetTemperatureTarget() {
    if (tuning.tempTargetMin == 0 || tuning.tempTargetMax == 0) return false;
    if (restoreDefaultTemperature(currentGpu()) != DriverOk) return false;
    if (tuning.sliSync != 1) return true;
    return sendToGpus(restoreDefaultTemperature, tunableOrFail);
}

bool resetFrameRateLimit() {
    bool ok = false;
    DrsProfile profile = nullptr;
    if (tuning.fpsTarget != ValueUnavailable && reopenSettingsSession(profile) == DriverOk) {
        ok = restoreFrameRateLimit(profile);
    }
    renewSettingsSession();
    return ok;
}

bool resetFixedFanSpeeds() {
    GpuSlot& gpu = currentGpu();
    if (!knownFanRange(gpu)) return false;
    if (!gpu.caps.NewFanInterface) {
        return sendToGpus([](GpuSlot& target) { return DriverApi::restoreCoolerSettings(target.handle, nullptr, 0); },
                          [](const GpuSlot& target) { return knownFanRange(target) ? WalkRole::Send : WalkRole::Fail; });
    }
    const bool ok = handFansToDriver(gpu) == DriverOk;
    gpu.fanSpeed1Manual = 0;
    gpu.fanSpeed2Manual = 0;
    tuning.fanSpeed1ToKeep = ValueAutomatic;
    tuning.fanSpeed2ToKeep = ValueAutomatic;
    return ok;
}

// True when the curve came back (or the GPU has none to restore); `restored`
// says whether the editor's points moved back with it.
bool resetFanCurve(bool& restored) {
    GpuSlot& gpu = currentGpu();
    if (!gpu.caps.FanCurveCapable) return true;
    FanCurve request = storedCurveRequest(gpu.storedCurve);
    if (DriverApi::setFanCurve(gpu.handle, request) != DriverOk) return false;
    gpu.fanCurve = 0;
    hookResetCurveEditor();
    restored = true;
    return true;
}

}  // namespace

ResetOutcome resetGpusToDefaults() {
    ResetOutcome outcome;
    if (inventory.count == 0) return outcome;
    tuning.easySettings = PresetCustom;
    forgetSettingsInForce();  // the defaults are nothing to give again
    resetHold = gpuWorkers.gate().close(GateHolder::Reset);
    hookSetAppIcon(iconForPreset(PresetCustom));
    tuning.pstate = -1;

    bool ok = releasePstates();
    ok &= tuning.gpuOffsetMin != 0 && tuning.gpuOffsetMax != 0 && zeroClockOffset(Pstates20::GraphicsDomain);
    ok &= tuning.memOffsetMin != 0 && zeroClockOffset(Pstates20::MemoryDomain);
    ok &= resetPowerTarget();
    ok &= resetTemperatureTarget();
    ok &= resetFrameRateLimit();
    ok &= resetFixedFanSpeeds();
    ok &= resetFanCurve(outcome.curveRestored);

    hookRefreshTrayTip();
    hookRepaint();
    logWord("RESET", ok ? "SUCCESSFUL" : "FAILED");
    recordMonitorEvent(ok ? "reset" : "reset FAILED");
    refreshHeldFans();
    return outcome;
}

void resetTakenOver() { resetHold.release(); }

bool resetPending() { return gpuWorkers.gate().heldBy(GateHolder::Reset); }

}  // namespace vt
