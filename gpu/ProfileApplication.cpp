#include "gpu/ProfileApplication.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "driver/DriverApi.h"
#include "driver/DriverOperations.h"
#include "gpu/Apply.h"
#include "gpu/ClockRanges.h"
#include "gpu/FanControl.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/GpuRequests.h"
#include "gpu/GpuWalk.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/MonitorRows.h"
#include "gpu/SafetyNet.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "settings/Profile.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

// Where the keys come from: a whole file, or one record of the history.
class ProfileSource {
public:
    ProfileSource(std::string path, int age) : path_(std::move(path)), age_(age) {}
    bool isHistory() const { return age_ > 0; }
    bool integer(const char* key, std::int32_t& destination) const {
        return isHistory() ? lookupIntegerInRecord(path_, key, destination, age_)
                           : lookupInteger(path_, key, destination);
    }
    bool text(const char* key, std::string& destination) const {
        return isHistory() ? lookupTextInRecord(path_, key, destination, age_) : lookupText(path_, key, destination);
    }

private:
    std::string path_;
    int age_;
};

WalkRole sendIf(bool takesPart) { return takesPart ? WalkRole::Send : WalkRole::Skip; }

bool fileOpens(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// --- the steps that the file, history and start-up variants share ----------------

// An offset from a profile: a GPU without a tuning flag takes it relative to
// the current GPU's maximum.
std::int32_t profileOffset(const GpuSlot& gpu, double kHz, float currentMax) {
    return truncateToInt32(tunable(gpu) ? kHz : kHz - currentMax);
}

// Sends an offset to the current GPU or every GPU; true when all took it.
bool sendOffset(std::uint32_t domain, double kHz, float currentMax, bool onlyTunable) {
    return sendToGpus([&](GpuSlot& gpu) { return setClockDelta(gpu, domain, profileOffset(gpu, kHz, currentMax)); },
                      [&](const GpuSlot& gpu) { return sendIf(!onlyTunable || tunable(gpu)); });
}

bool sendPowerTarget(std::int32_t limit) {
    return sendToGpus([&](GpuSlot& gpu) { return setPowerLimit(gpu, static_cast<std::uint32_t>(limit)); },
                      [](const GpuSlot& gpu) { return sendIf(tunable(gpu)); });
}

// The current GPU first, then with SLI-SYNC every capable GPU again, until
// one refuses, whatever the current GPU answered; the last call decides.
bool sendTemperatureTarget(std::int32_t degrees) {
    const bool current = setTemperatureLimit(currentGpu(), degrees) == DriverOk;
    if (tuning.sliSync != 1) return current;
    return sendToGpus([&](GpuSlot& gpu) { return setTemperatureLimit(gpu, degrees); },
                      [](const GpuSlot& gpu) { return sendIf(thermalCapable(gpu)); });
}

enum class FrameRateOutcome { Nothing, Reset, Set };

// -1000 and 0 leave the limiter alone; -100 restores the driver's default.
FrameRateOutcome sendFrameRateLimit(std::int32_t fps, bool fresh, bool pause) {
    if (fps == ValueUnavailable || fps == 0) return FrameRateOutcome::Nothing;
    DrsProfile profile = nullptr;
    const DriverStatus opened = fresh ? reopenSettingsSession(profile) : openSettingsSession(profile);
    if (opened != DriverOk) return FrameRateOutcome::Nothing;
    if (fps == ValueAutomatic) return restoreFrameRateLimit(profile) ? FrameRateOutcome::Reset : FrameRateOutcome::Nothing;
    // The value is logged whatever the save returned.
    const LimiterWrite written = writeFrameRateLimit(profile, static_cast<std::uint32_t>(fps), pause);
    return written.set ? FrameRateOutcome::Set : FrameRateOutcome::Nothing;
}

void logFrameRate(FrameRateOutcome outcome, std::int32_t fps) {
    if (outcome == FrameRateOutcome::Reset) logWord("FPS_TARGET", "RESET");
    if (outcome == FrameRateOutcome::Set) logValue("FPS_TARGET", fps);
}

// FAN_SPEED on the single cooler interface: -100 hands the fans back,
// anything in the GPU's range is set as a fixed level.
bool applySingleFanSpeed(std::int32_t speed, bool log) {
    GpuSlot& gpu = currentGpu();
    if (speed == ValueAutomatic) {
        bool ok = DriverApi::restoreCoolerSettings(gpu.handle, nullptr, 0) == DriverOk;
        if (ok && log) logWord("FAN_SPEED", "RESET");
        return ok;
    }
    if (speed < gpu.fanMin || speed > gpu.fanMax) return false;
    bool ok = sendToGpus([&](GpuSlot& target) { return setCoolerLevel(target, speed); },
                         [&](const GpuSlot& target) { return sendIf(speed >= target.fanMin && speed <= target.fanMax); });
    if (ok && log) logValue("FAN_SPEED", speed);
    return ok;
}

std::string fanWord(bool manual, std::int32_t level) { return manual ? std::to_string(level) : "RESET"; }

// Both fans of the per-fan interface back to the driver: the one line per fan.
void handBothFansBack(bool log, bool clearManual) {
    GpuSlot& gpu = currentGpu();
    if (handFansToDriver(gpu) != DriverOk) return;
    if (clearManual) {
        gpu.fanSpeed1Manual = 0;
        tuning.fanSpeed1ToKeep = ValueAutomatic;
        if (gpu.fanCount >= 2) {
            gpu.fanSpeed2Manual = 0;
            tuning.fanSpeed2ToKeep = ValueAutomatic;
        }
    }
    if (!log) return;
    logWord("FAN_SPEED1", "RESET");
    if (gpu.fanCount >= 2) logWord("FAN_SPEED2", "RESET");
}

// One fan entry of a per-fan request from a profile value; out of the fan's
// range the entry is sent empty.
void fillFanEntry(FanCoolerControl& request, GpuSlot& gpu, int fan, std::int32_t speed) {
    const std::int32_t minimum = fan == 0 ? gpu.fan1Min : gpu.fan2Min;
    const std::int32_t maximum = fan == 0 ? gpu.fan1Max : gpu.fan2Max;
    if (speed < minimum || speed > maximum) {
        request.setFan(fan, 0, 0, false);
        return;
    }
    const bool manual = speed >= 1;
    request.setFan(fan, static_cast<std::uint32_t>(fan + 1), std::max(speed, 0), manual);
    Shared<std::int32_t>& manualFlag = fan == 0 ? gpu.fanSpeed1Manual : gpu.fanSpeed2Manual;
    Shared<std::int32_t>& toKeep = fan == 0 ? tuning.fanSpeed1ToKeep : tuning.fanSpeed2ToKeep;
    manualFlag = manual ? 1 : 0;
    toKeep = manual ? (fan == 0 ? gpu.fanSpeed1.load() : gpu.fanSpeed2.load()) : ValueAutomatic;
}

void applyPerFanSpeeds(std::int32_t speed1, std::int32_t speed2, bool fillSecondWhenInRange, bool log) {
    GpuSlot& gpu = currentGpu();
    const int entries = fanEntries(gpu);
    FanCoolerControl request;
    request.setFanCount(static_cast<std::uint8_t>(entries));
    fillFanEntry(request, gpu, 0, speed1);
    if (gpu.fanCount >= 2 || fillSecondWhenInRange) fillFanEntry(request, gpu, 1, speed2);
    if (DriverApi::setFanCoolerControl(gpu.handle, request) != DriverOk || !log) return;
    const std::string first = fanWord(gpu.fanSpeed1Manual == 1, std::max(speed1, 0));
    if (entries < 2) {
        logLine("FAN_SPEED1 = " + first + "\n");
    } else {
        logLine("FAN_SPEED1 = " + first + ", FAN_SPEED2 = " + fanWord(gpu.fanSpeed2Manual == 1, std::max(speed2, 0)) +
                "\n");
    }
}

void applyPerFanKeys(const ProfileSource& source) {
    std::string text;
    std::int32_t speed1 = ValueUnavailable;
    std::int32_t speed2 = ValueUnavailable;
    if (source.text("FAN_SPEED1", text)) {
        speed1 = textToInt(text);
        if (source.text("FAN_SPEED2", text)) speed2 = textToInt(text);
    }
    if (speed1 == ValueUnavailable) return;
    if (speed1 == ValueAutomatic && speed2 == ValueAutomatic) {
        handBothFansBack(true, false);
    } else {
        applyPerFanSpeeds(speed1, speed2, false, true);
    }
}

// PSTATE: -1 releases any forced state; a state is forced only where the
// offsets just sent allow it and the driver lists it.
void applyPstate(std::int32_t wanted, std::int32_t gpuDelta, std::int32_t memDelta) {
    tuning.pstate = -1;
    GpuSlot& gpu = currentGpu();
    if (wanted < 0) {
        sendToGpus(releasePstate, everyGpu, WalkEnd::Never);
    } else {
        Pstates20 table(gpu.versions.pstates20);
        if (DriverApi::getPstates20(gpu.handle, table) == DriverOk) {
            const bool offsetsSent = gpuDelta != 0 || memDelta != 0;
            const bool blocked = offsetsSent && (tunable(gpu) || tuning.gpuOffset != tuning.gpuOffsetMax ||
                                                 tuning.memOffset != tuning.memOffsetMax);
            if (!blocked && wanted <= table.lastPstateId()) {
                tuning.pstate = wanted;
                sendToGpus(
                    [&](GpuSlot& target) {
                        DriverApi::enableDynamicPstates(target.handle, 0);
                        return DriverApi::setPstateClientLimit(target.handle, PstateClientLimitKind,
                                                               static_cast<std::uint32_t>(wanted));
                    },
                    everyGpu, WalkEnd::Never);
            }
        }
    }
    logValue("PSTATE", tuning.pstate);
}

void loadBackground(const ProfileSource& source) {
    tuning.backScreen.set(TextNotFound);
    std::string path;
    source.text("BACKSCREEN", path);
    if (path == TextNotFound) return;
    if (!fileOpens(path)) return;
    tuning.backScreen.set(path);
    lifecycle.wndProcEnabled = 0;
    hookReloadBackground();
    hookRepaint();
    platform().sleep(1);
    lifecycle.wndProcEnabled = 1;
    logLine("BACKSCREEN = " + tuning.backScreen.get() + "\n");
}

// The file and history variants; false when a required history key is missing.
bool applyProfile(const ProfileSource& source) {
    const bool history = source.isHistory();
    std::int32_t value = 0;
    std::string text;

    value = 0;
    if (!source.integer("GPU", value) && history) return false;
    tuning.selectedGpu = value;

    tuning.easySettings = PresetCustom;
    value = PresetCustom;
    bool found = source.integer("EASY_SETTINGS", value);
    tuning.easySettings = value;
    if (!found && history) return false;

    std::string gpuOffsetText;
    if (!source.text("GPU_OFFSET", gpuOffsetText) && history) return false;

    value = tuning.sliSync;
    if (!source.integer("SLI-SYNC", value) && history) return false;
    tuning.sliSync = value;
    logValue("SLI-SYNC", tuning.sliSync);

    loadBackground(source);

    GpuSlot& gpu = currentGpu();
    refreshClockRanges(gpu);

    const double gpuKHz = textToDecimal(gpuOffsetText);
    const std::int32_t gpuDelta = profileOffset(gpu, gpuKHz, tuning.gpuOffsetMax);
    if (sendOffset(Pstates20::GraphicsDomain, gpuKHz, tuning.gpuOffsetMax, false)) logValue("GPU_OFFSET", gpuDelta);

    if (!source.text("MEM_OFFSET", text) && history) return false;
    const double memKHz = textToDecimal(text);
    const std::int32_t memDelta = profileOffset(gpu, memKHz, tuning.memOffsetMax);
    if (sendOffset(Pstates20::MemoryDomain, memKHz, tuning.memOffsetMax, false)) logValue("MEM_OFFSET", memDelta);

    if (!source.text("POWER_TARGET", text) && history) return false;
    if (tunable(gpu)) {
        const std::int32_t limit = truncateToInt32(textToDecimal(text));
        if (sendPowerTarget(limit)) logValue("POWER_TARGET", limit);
    } else {
        logWord("POWER_TARGET", "FAILED");
    }

    if (!source.text("TEMP_TARGET", text) && history) return false;
    if (thermalCapable(gpu)) {
        const std::int32_t degrees = textToInt(text);
        if (degrees != 0 && sendTemperatureTarget(degrees)) logValue("TEMP_TARGET", degrees);
    } else {
        logWord("TEMP_TARGET", "FAILED");
    }

    if (!source.text("FPS_TARGET", text) && history) return false;
    const std::int32_t fps = textToInt(text);
    logFrameRate(sendFrameRateLimit(fps, true, true), fps);

    if (source.text("FAN_SPEED", text)) applySingleFanSpeed(textToInt(text), true);
    applyPerFanKeys(source);

    value = tuning.fanLevel;
    if (!source.integer("FAN_LEVEL", value) && history) return false;
    tuning.fanLevel = value;
    gpuWorkers.fanLevelChanged();

    if (history) {
        value = 0;
        if (!source.integer("FAN_CURVE", value)) return false;
        gpu.fanCurve = value == 1 ? 1 : 0;
    } else {
        value = gpu.fanCurve;
        source.integer("FAN_CURVE", value);
        gpu.fanCurve = value;
    }

    value = -1;
    if (!source.integer("PSTATE", value) && history) {
        tuning.pstate = -1;
        return false;
    }
    applyPstate(value, gpuDelta, memDelta);
    return true;
}

// --- the start-up variant -------------------------------------------------------------

// A whole-number key of the start-up profile into its setting; a missing key
// leaves the setting as it was.
void startupInteger(const char* key, Shared<std::int32_t>& setting) {
    std::int32_t value = setting;
    lookupInteger(ProfilePath, key, value);
    setting = value;
}

void startupOffset(const char* key, std::uint32_t domain, Shared<float>& stored) {
    std::string text;
    lookupText(ProfilePath, key, text);
    stored = static_cast<float>(std::min(textToDecimal(text), 200000.0));
    const std::int32_t kHz = truncateToInt32(stored.load());
    sendToGpus([&](GpuSlot& gpu) { return setClockDelta(gpu, domain, kHz); },
               [](const GpuSlot& gpu) { return sendIf(tunable(gpu)); });
}

void startupFans(const GpuSlot& gpu) {
    std::string text;
    if (!gpu.caps.NewFanInterface && lookupText(ProfilePath, "FAN_SPEED", text)) {
        applySingleFanSpeed(textToInt(text), false);
    }
    std::int32_t speed1 = ValueUnavailable;
    std::int32_t speed2 = ValueUnavailable;
    if (lookupText(ProfilePath, "FAN_SPEED1", text)) speed1 = textToInt(text);
    if (lookupText(ProfilePath, "FAN_SPEED2", text)) speed2 = textToInt(text);
    if (speed1 == ValueUnavailable && speed2 == ValueUnavailable) return;
    if (speed1 == ValueAutomatic && speed2 == ValueAutomatic) {
        handBothFansBack(false, true);
    } else {
        applyPerFanSpeeds(speed1, speed2, true, false);
    }
}

}  // namespace

// A load holds the driver gate while it runs: no monitoring pass reads the
// card between its writes.
void applyProfileFile(const std::string& path) {
    const DriverGate::Hold hold = gpuWorkers.gate().close(GateHolder::ProfileLoad);
    tuningWriteBegins(RoadLoad);
    applyProfile(ProfileSource(path, 0));
    recordMonitorEvent("load " + path.substr(path.find_last_of("\\/") + 1));
    tuningWriteSettled();
    refreshHeldFans();
}

bool applyHistoryRecord(const std::string& historyFile, int age) {
    const DriverGate::Hold hold = gpuWorkers.gate().close(GateHolder::ProfileLoad);
    tuningWriteBegins(RoadHistory);
    const bool complete = applyProfile(ProfileSource(historyFile, std::max(age, 1)));
    recordMonitorEvent("history " + std::to_string(std::max(age, 1)) + (complete ? "" : " INCOMPLETE"));
    tuningWriteSettled();
    refreshHeldFans();
    return complete;
}

void applyStartupProfile() {
    tuning.selectedGpu = 0;
    startupInteger("GPU", tuning.selectedGpu);
    startupInteger("EASY_SETTINGS", tuning.easySettings);
    std::string path;
    lookupText(ProfilePath, "BACKSCREEN", path);
    tuning.backScreen.set(path != TextNotFound && fileOpens(path) ? path : std::string(TextNotFound));

    GpuSlot& gpu = currentGpu();
    refreshClockRanges(gpu);
    std::string text;
    if (tunable(gpu)) {
        startupOffset("GPU_OFFSET", Pstates20::GraphicsDomain, tuning.gpuOffset);
        startupOffset("MEM_OFFSET", Pstates20::MemoryDomain, tuning.memOffset);
        lookupText(ProfilePath, "POWER_TARGET", text);
        tuning.powerTarget = static_cast<float>(textToDecimal(text));
        sendPowerTarget(truncateToInt32(textToDecimal(text)));
    }
    if (thermalCapable(gpu)) {
        lookupText(ProfilePath, "TEMP_TARGET", text);
        const std::int32_t degrees = textToInt(text);
        if (degrees != 0) sendTemperatureTarget(degrees);
    }
    lookupText(ProfilePath, "FPS_TARGET", text);
    sendFrameRateLimit(textToInt(text), false, false);
    startupFans(gpu);

    startupInteger("FAN_LEVEL", tuning.fanLevel);
    startupInteger("FAN_CURVE", gpu.fanCurve);
    startupInteger("PSTATE", tuning.pstate);
    // Last, so that every value above went to every GPU.
    startupInteger("SLI-SYNC", tuning.sliSync);
}

void applyStartupProfileNow() {
    const DriverGate::Hold hold = gpuWorkers.gate().close(GateHolder::ProfileLoad);
    tuningWriteBegins(RoadStartup);
    applyStartupProfile();
    applyStoredPstate();
    tuningWriteSettled();
    gpuWorkers.fanLevelChanged();
    refreshHeldFans();
}

}  // namespace vt
