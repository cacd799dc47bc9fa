#include "gpu/Apply.h"

#include <string>

#include "gpu/MonitorRows.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "driver/DriverApi.h"
#include "driver/DriverOperations.h"
#include "gpu/CurrentProfile.h"
#include "gpu/FanControl.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/GpuRequests.h"
#include "gpu/GpuWalk.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "gpu/SafetyNet.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "settings/Profile.h"
#include "settings/SettingsHistory.h"
#include "state/AdvancedPage.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

// --- shared steps ------------------------------------------------------------

std::int32_t truncated(double value) { return truncateToInt32(value); }

// In a fresh session: a limit of 0 or more is written; a negative one is
// restored to the driver's default or, for an Advanced page, left alone.
bool changeFrameRateLimit(std::int64_t fps, bool restoreWhenOff) {
    DrsProfile profile = nullptr;
    if (reopenSettingsSession(profile) != DriverOk) return false;
    if (fps >= 0) {
        const LimiterWrite written = writeFrameRateLimit(profile, static_cast<std::uint32_t>(fps), false);
        return written.set && written.saved;
    }
    return !restoreWhenOff || restoreFrameRateLimit(profile);
}

// --- Advanced Mode -------------------------------------------------------------

// An offset the user set, in kHz for this GPU: a GPU without tuning flags
// takes its offsets relative to the driver's maximum.
std::int32_t offsetKHz(const GpuSlot& gpu, float editMHz, float maxKHz) {
    double delta = editMHz;
    if (!tunable(gpu)) delta -= truncated(maxKHz / 1000.0);
    return truncated(delta * 1000.0);
}

void applyClockOffset(const char* key, std::uint32_t domain, float minKHz, float maxKHz, float editMHz,
                      std::int32_t& loggedKHz) {
    loggedKHz = 0;
    if (minKHz == 0.0f) {
        logWord(key, "FAILED");
        return;
    }
    loggedKHz = offsetKHz(currentGpu(), editMHz, maxKHz);
    bool sent = sendToGpus([&](GpuSlot& gpu) { return setClockDelta(gpu, domain, offsetKHz(gpu, editMHz, maxKHz)); });
    if (sent) {
        logValue(key, loggedKHz);
    } else {
        logWord(key, "FAILED");
    }
}

void applyClockOffsets(const PageValues& values) {
    std::int32_t gpuKHz = 0;
    std::int32_t memKHz = 0;
    applyClockOffset("GPU_OFFSET", Pstates20::GraphicsDomain, tuning.gpuOffsetMin, tuning.gpuOffsetMax,
                     values.gpuOffset, gpuKHz);
    applyClockOffset("MEM_OFFSET", Pstates20::MemoryDomain, tuning.memOffsetMin, tuning.memOffsetMax,
                     values.memOffset, memKHz);
    if (gpuKHz != 0 || memKHz != 0) sendToGpus(releasePstate, everyGpu, WalkEnd::Never);
}

void applyPowerAndTemperature(const PageValues& values) {
    if (tuning.powerTargetMin == 0 || tuning.powerTargetMax == 0) {
        logWord("POWER_TARGET", "FAILED");
    } else {
        const std::int32_t limit = truncated(values.powerTarget * 1000.0);
        bool sent = sendToGpus([&](GpuSlot& gpu) { return setPowerLimit(gpu, static_cast<std::uint32_t>(limit)); },
                               [](const GpuSlot& gpu) { return tunable(gpu) ? WalkRole::Send : WalkRole::Skip; });
        if (sent) {
            logValue("POWER_TARGET", limit);
        } else {
            logWord("POWER_TARGET", "FAILED");
        }
    }
    if (!currentGpu().caps.ModernTuning) {
        logWord("TEMP_TARGET", "FAILED");
        return;
    }
    const std::int32_t degrees = truncated(values.tempTarget);
    bool sent = sendToGpus([&](GpuSlot& gpu) { return setTemperatureLimit(gpu, degrees); },
                           [](const GpuSlot& gpu) { return gpu.caps.ModernTuning ? WalkRole::Send : WalkRole::Skip; });
    if (sent) {
        logValue("TEMP_TARGET", degrees);
    } else {
        logWord("TEMP_TARGET", "FAILED");
    }
}

void applyFrameRateTarget(const PageValues& values) {
    const std::int64_t fps = truncated(values.fpsTarget);
    if (!changeFrameRateLimit(fps, false)) {
        logWord("FPS_TARGET", "FAILED");
    } else if (fps >= 0) {
        logValue("FPS_TARGET", static_cast<int>(fps));
    } else {
        logWord("FPS_TARGET", "-100");
    }
}

std::string fanText(std::int32_t level) { return level == 0 ? "RESET" : std::to_string(level); }

void applyFixedFanSpeeds(const PageValues& values) {
    GpuSlot& gpu = currentGpu();
    if (gpu.fanCurve == 1) {
        // The fan follows its curve: nothing is sent, and the log says so.
        logWord("FAN_SPEED", "FAILED");
    } else if (!gpu.caps.NewFanInterface) {
        const std::int32_t level = std::max(0, truncated(values.fanSpeed));
        if (sendToGpus([&](GpuSlot& target) { return setCoolerLevel(target, level); })) {
            logValue("FAN_SPEED", level);
        } else {
            logWord("FAN_SPEED", "FAILED");
        }
    } else {
        const int entries = fanEntries(gpu);
        const std::int32_t levels[2] = {std::max(0, truncated(values.fanSpeed)),
                                        std::max(0, truncated(values.fan2Speed))};
        Shared<std::int32_t>* manualFlags[2] = {&gpu.fanSpeed1Manual, &gpu.fanSpeed2Manual};
        FanCoolerControl request;
        request.setFanCount(static_cast<std::uint8_t>(entries));
        for (int fan = 0; fan < entries; ++fan) {
            const bool manual = levels[fan] != 0;
            request.setFan(fan, static_cast<std::uint32_t>(fan + 1), levels[fan], manual);
            *manualFlags[fan] = manual ? 1 : 0;
        }
        if (DriverApi::setFanCoolerControl(gpu.handle, request) != DriverOk) {
            logWord("FAN_SPEED", "FAILED");
        } else if (entries == 1) {
            logLine("FAN_SPEED1 = " + fanText(levels[0]) + "\n");
        } else {
            logLine("FAN_SPEED1 = " + fanText(levels[0]) + ", FAN_SPEED2 = " + fanText(levels[1]) + "\n");
        }
    }
    tuning.fanLevel = 0;
}

void applyEditedFanCurve(const PageValues& values) {
    if (!values.curveEditorEnabled) return;
    GpuSlot& gpu = currentGpu();
    const bool handedBack = handFansToDriver(gpu) == DriverOk;
    gpu.fanSpeed1Manual = 0;
    gpu.fanSpeed2Manual = 0;
    if (!handedBack) {
        logWord("FAN_CURVE", "FAILED");
        return;
    }
    platform().sleep(10);
    CurvePoint points[3];
    for (int i = 0; i < 3; ++i) points[i] = withDriverValue(values.curve[i], gpu.storedCurve.points[i].driverValue);
    FanCurve request = curveRequest(points, 2);
    if (DriverApi::setFanCurve(gpu.handle, request) != DriverOk) {
        logWord("FAN_CURVE", "FAILED");
        return;
    }
    gpu.fanCurve = 1;
    char line[160];
    std::snprintf(line, sizeof line, "FAN_CURVE = %d,%d,%d,%d,%d,%d,%d,%d,%d\n", points[0].temperature,
                  points[0].level, points[0].driverValue, points[1].temperature, points[1].level,
                  points[1].driverValue, points[2].temperature, points[2].level, points[2].driverValue);
    logLine(line);
}

// --- Easy Mode ---------------------------------------------------------------------

struct PresetBundle {
    std::int32_t gpuOffset = 0;  // MHz
    std::int32_t memOffset = 0;  // MHz
    std::int32_t power = 0;      // %
    std::int32_t temperature = 0;
    std::int64_t fps = ValueAutomatic;
    bool driverCurve = false;  // the GPU's own stored curve
    CurvePoint curve[3];       // degrees C and % (driver values follow the stored curve)
};

std::int32_t defaultTemperatureLimit(const GpuSlot& gpu) {
    ThermalPolicyInfo info(gpu.versions.thermalPolicyInfo);
    if (DriverApi::getThermalPolicyInfo(gpu.handle, info) == DriverOk && info.valid()) return info.defaultLimit() / 256;
    return 80;
}

PresetBundle presetBundle(int preset, const GpuSlot& gpu) {
    const bool alt = gpu.caps.AltPresetCard != 0;
    PresetBundle bundle;
    switch (preset) {
        case PresetHighPerformance:
            bundle = {gpu.presets.PresetGpuOffset, 0, gpu.presets.PresetPowerLimit, gpu.presets.PresetTempLimit,
                      gpu.presets.PresetFpsTarget, false, {{35, 60, 0}, {60, 85, 0}, {75, 95, 0}}};
            break;
        case PresetDefault:
            bundle = {0, 0, alt ? 105 : 100, defaultTemperatureLimit(gpu), alt ? 60 : ValueAutomatic, true, {}};
            break;
        default:
            bundle = {alt ? -105 : 0, -500, alt ? 75 : 80, 70, alt ? 30 : 60, false,
                      {{35, 30, 0}, {60, 45, 0}, {75, 90, 0}}};
            break;
    }
    return bundle;
}

// Preset "default" only: memory offset, fans and core voltage back to the driver's.
bool restoreDefaults(GpuSlot& current) {
    bool ok = true;
    if (tuning.memOffsetMin == 0) {
        ok = false;
    } else {
        ok &= sendToGpus([](GpuSlot& gpu) { return setClockDelta(gpu, Pstates20::MemoryDomain, 0); });
    }
    if (current.fanMin == ValueUnavailable || current.fanMax == ValueUnavailable) {
        ok = false;
    } else {
        ok &= sendToGpus([](GpuSlot& gpu) { return DriverApi::restoreCoolerSettings(gpu.handle, nullptr, 0); },
                         [](const GpuSlot& gpu) {
                             bool known = gpu.fanMin != ValueUnavailable && gpu.fanMax != ValueUnavailable;
                             return known ? WalkRole::Send : WalkRole::Fail;
                         });
    }
    if (current.caps.ModernTuning && monitor.voltageOffsetMax != 0) {
        ok &= sendToGpus(
            [](GpuSlot& gpu) {
                Pstates20 request(gpu.versions.pstates20);
                request.requestCoreVoltageDelta(0);
                return DriverApi::setPstates20(gpu.handle, request);
            },
            [](const GpuSlot& gpu) { return gpu.caps.ModernTuning ? WalkRole::Send : WalkRole::Skip; });
    }
    return ok;
}

bool applyPresetCurve(GpuSlot& gpu, const PresetBundle& bundle) {
    const bool handedBack = handFansToDriver(gpu) == DriverOk;
    if (bundle.driverCurve) {
        FanCurve request = storedCurveRequest(gpu.storedCurve);
        return DriverApi::setFanCurve(gpu.handle, request) == DriverOk && handedBack;
    }
    if (!handedBack) return false;
    platform().sleep(10);
    CurvePoint points[3];
    for (int i = 0; i < 3; ++i) points[i] = withDriverValue(bundle.curve[i], gpu.storedCurve.points[i].driverValue);
    FanCurve request = curveRequest(points, 2);
    if (DriverApi::setFanCurve(gpu.handle, request) != DriverOk) return false;
    gpu.fanCurve = 1;
    return true;
}

// In 1/1000 %, counted wide: a driver may report any maximum.
std::uint32_t presetPowerLimit(const PresetBundle& bundle) {
    return static_cast<std::uint32_t>(std::int64_t{bundle.power} * 1000);
}

bool applyBundle(int preset, GpuSlot& current, const PresetBundle& bundle) {
    bool ok = sendToGpus(releasePstate);
    if (preset == PresetDefault) ok &= restoreDefaults(current);
    ok &= sendToGpus([&](GpuSlot& gpu) { return setClockDelta(gpu, Pstates20::GraphicsDomain, bundle.gpuOffset * 1000); });
    if (current.caps.AltPresetCard) {
        ok &= sendToGpus(
            [&](GpuSlot& gpu) { return setClockDelta(gpu, Pstates20::MemoryDomain, bundle.memOffset * 1000); },
            [](const GpuSlot& gpu) { return gpu.caps.AltPresetCard ? WalkRole::Send : WalkRole::Skip; });
    }
    if (tuning.powerTargetMin == 0 && tuning.powerTargetMax == 0) {
        ok = false;
    } else {
        ok &= sendToGpus([&](GpuSlot& gpu) { return setPowerLimit(gpu, presetPowerLimit(bundle)); },
                         [](const GpuSlot& gpu) { return tunable(gpu) ? WalkRole::Send : WalkRole::Fail; });
    }
    if (!current.caps.ModernTuning && !current.caps.AltPresetCard) {
        ok = false;
    } else {
        ok &= sendToGpus([&](GpuSlot& gpu) { return setTemperatureLimit(gpu, bundle.temperature); },
                         [](const GpuSlot& gpu) {
                             bool takes = gpu.caps.ModernTuning || gpu.caps.AltPresetCard;
                             return takes ? WalkRole::Send : WalkRole::Skip;
                         },
                         WalkEnd::LastDecides);
    }
    if (tuning.fpsTarget == ValueUnavailable) {
        ok = false;
    } else {
        ok &= changeFrameRateLimit(bundle.fps, true);
    }
    if (current.caps.FanCurveCapable) ok &= applyPresetCurve(current, bundle);
    return ok;
}

// --- the common end --------------------------------------------------------------

constexpr std::uint32_t SettlePeriodMs = 1000;

// The apply's hold on the driver gate: taken when the apply begins, handed to
// the settle thread, which lets it go one second later.
struct Settle {
    std::mutex lock;
    std::thread thread;
    DriverGate::Hold pending;
    ~Settle() {
        if (thread.joinable()) thread.join();
    }
} settle;

void holdTheGate() {
    if (!settle.pending.held()) settle.pending = gpuWorkers.gate().close(GateHolder::Apply);
}

void startSettle() {
    finishApplySettle();
    std::lock_guard guard(settle.lock);
    settle.thread = std::thread([hold = std::move(settle.pending)]() mutable {
        waitMilliseconds(SettlePeriodMs);
        tuningWriteSettled();
        hold.release();
        // Read the new values back now, not up to a period later: the
        // history record written at 1500 ms must hold this apply's values.
        gpuWorkers.requestPass();
    });
}

constexpr const char* PresetEventNames[] = {"highperformance", "default", "eco"};

std::string pageEvent(std::int32_t page) {
    switch (page) {
        case ClockPage: return "apply clock offsets";
        case PowerPage: return "apply power and temperature targets";
        case FrameRatePage: return "apply frame-rate target";
        case FanSpeedPage: return "apply fan speeds";
        case CurvePage: return "apply fan curve";
        default: return "apply";
    }
}

// The history record of what was applied, and the one-second settle.
void commonEnd() {
    recordApply(writeCurrentProfile);
    refreshHeldFans();
    startSettle();
}

}  // namespace

void beginApply() { holdTheGate(); }

bool applySettling() { return gpuWorkers.gate().heldBy(GateHolder::Apply); }

void applyAdvancedPage(std::int32_t page, const PageValues& values) {
    holdTheGate();
    if (inventory.count > 0) {
        tuningWriteBegins(RoadApply);
        switch (page) {
            case ClockPage: applyClockOffsets(values); break;
            case PowerPage: applyPowerAndTemperature(values); break;
            case FrameRatePage: applyFrameRateTarget(values); break;
            case FanSpeedPage: applyFixedFanSpeeds(values); break;
            case CurvePage: applyEditedFanCurve(values); break;
            default: break;
        }
        recordMonitorEvent(pageEvent(page));
    }
    tuning.easySettings = PresetCustom;
    commonEnd();
}

bool applyEasyPreset(std::int32_t preset) {
    if (inventory.count == 0 || !tunable(currentGpu()) || preset < 0 || preset > 2) {
        if (inventory.count > 0 && tunable(currentGpu())) tuning.easySettings = PresetCustom;
        settle.pending.release();
        return false;
    }
    holdTheGate();
    tuningWriteBegins(RoadPreset);
    hookSetAppIcon(iconForPreset(preset));
    GpuSlot& current = currentGpu();
    const PresetBundle bundle = presetBundle(preset, current);
    tuning.easySettings = preset;
    tuning.pstate = -1;
    const bool ok = applyBundle(preset, current, bundle);
    logWord("EASY_SETTINGS", ok ? "SUCCESSFUL" : "FAILED");
    recordMonitorEvent(std::string("preset ") + PresetEventNames[preset] + (ok ? "" : " FAILED"));
    commonEnd();
    return true;
}

void applyStoredPstate() {
    if (inventory.count == 0) return;
    // Every GPU is capped with the stored state itself, never with one read back.
    const std::int32_t wanted = tuning.pstate;
    if (wanted < 0) {
        sendToGpus(releasePstate, everyGpu, WalkEnd::Never);
        return;
    }
    sendToGpus(
        [wanted](GpuSlot& gpu) {
            DriverApi::enableDynamicPstates(gpu.handle, 0);
            DriverApi::setPstateClientLimit(gpu.handle, PstateClientLimitKind, static_cast<std::uint32_t>(wanted));
            std::uint32_t reported = 0;
            const DriverStatus status = DriverApi::getCurrentPstate(gpu.handle, reported);
            if (status == DriverOk) tuning.pstate = static_cast<std::int32_t>(reported);
            return status;
        },
        everyGpu, WalkEnd::Never);
}

void finishApplySettle() {
    std::thread running;
    {
        std::lock_guard guard(settle.lock);
        running = std::move(settle.thread);
    }
    if (running.joinable()) running.join();
}

}  // namespace vt
