#include "gpu/Reset.h"

#include "app/ShellState.h"
#include "driver/DriverApi.h"
#include "driver/DriverOperations.h"
#include "gpu/FanControl.h"
#include "gpu/GpuInventory.h"
#include "gpu/GpuRequests.h"
#include "gpu/GpuWalk.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/SettingsSession.h"
#include "gpu/WindowHooks.h"
#include "settings/DialogProcedure.h"
#include "settings/OperationLog.h"
#include "settings/TuningSettings.h"
#include "ui/PanelEdit.h"

namespace vt {
namespace {

constexpr int ResetConfirmSlot = 3;
constexpr int ResetConfirmOk = 1016;

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
    if (tuning.fpsTarget != ValueUnavailable) {
        DrsProfile profile = nullptr;
        if (reopenSettingsSession(profile) == DriverOk) {
            DrsSession session = settingsSession;
            ok = DriverApi::drsRestoreProfileDefaultSetting(session, profile, FrameRateLimiterSetting) == DriverOk &&
                 DriverApi::drsSaveSettings(session) == DriverOk;
        }
    }
    // Whatever happened, the monitoring thread gets a fresh session.
    DriverApi::drsDestroySession(settingsSession.exchange(nullptr));
    DrsSession fresh = nullptr;
    DriverApi::drsCreateSession(fresh);
    settingsSession = fresh;
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

bool resetFanCurve() {
    GpuSlot& gpu = currentGpu();
    if (!gpu.caps.FanCurveCapable) return true;
    FanCurve request = storedCurveRequest(gpu.storedCurve);
    if (DriverApi::setFanCurve(gpu.handle, request) != DriverOk) return false;
    panel.curveEditorEnabled = 0;
    gpu.fanCurve = 0;
    hookResetCurveEditor();
    return true;
}

bool onResetButton(int x, int y) {
    return x >= ResetButtonLeft && x <= ResetButtonRight && y >= ResetButtonTop && y <= ResetButtonBottom;
}

}  // namespace

bool resetPass(int x, int y, bool buttonActive) {
    if (!buttonActive || shell.resetInProgress || shell.running != 1 || shell.closing != 0) return false;
    if (!onResetButton(x, y)) return false;
    resetToDefaults();
    return true;
}

bool resetToDefaults() {
    tuning.fanLevel = 0;
    const bool confirmed = runSlotDialog(DialogResetConfirm, ResetConfirmSlot) == ResetConfirmOk;
    shell.input.mouseButton = BUTTON_IDLE;
    hookReleaseCapturedButton();
    hookReleasePresetButtons();
    if (!confirmed || inventory.count == 0) return confirmed;

    tuning.easySettings = PresetCustom;
    panel.easyChoice = PresetCustom;
    hookReleasePresetButtons();
    shell.resetInProgress = 1;
    hookSetAppIcon(iconForPreset(PresetCustom));
    tuning.pstate = -1;

    bool ok = releasePstates();
    ok &= tuning.gpuOffsetMin != 0 && tuning.gpuOffsetMax != 0 && zeroClockOffset(Pstates20::GraphicsDomain);
    ok &= tuning.memOffsetMin != 0 && zeroClockOffset(Pstates20::MemoryDomain);
    ok &= resetPowerTarget();
    ok &= resetTemperatureTarget();
    ok &= resetFrameRateLimit();
    ok &= resetFixedFanSpeeds();
    ok &= resetFanCurve();

    hookRefreshTrayTip();
    hookRepaint();
    logWord("RESET", ok ? "SUCCESSFUL" : "FAILED");
    return true;
}

}  // namespace vt
