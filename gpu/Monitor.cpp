#include "gpu/Monitor.h"
#include "gpu/MonitorRows.h"

#include <algorithm>
#include <memory>

#include "driver/CallLedger.h"
#include "driver/DirectDriverLibrary.h"
#include "driver/DriverApi.h"
#include "driver/DriverOperations.h"
#include "gpu/ClockRanges.h"
#include "gpu/FanControl.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/SafetyNet.h"
#include "gpu/SettingsInForce.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "state/AdvancedPage.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

constexpr std::uint32_t PassPeriodMs = 1000;
constexpr std::int32_t HotTemperature = 80;

// State the monitoring thread keeps for itself.
struct MonitorThreadState {
    bool started = false;      // the session was asked for
    bool sessionOpen = false;  // and the driver gave one
    std::unique_ptr<DirectDriverLibrary> loadLibrary;
    struct CachedCurve {
        bool known = false;
        std::int32_t temperature[3] = {};
        std::int32_t level[3] = {};
    } curve[MaxGpus];
} own;

void openSession() {
    own.started = true;
    settingsSession = nullptr;
    DrsSession session = nullptr;
    own.sessionOpen = DriverApi::drsCreateSession(session) == DriverOk;
    settingsSession = session;
    if (!own.sessionOpen) tuning.fpsTarget = ValueUnavailable;
}

struct BaseClocks {
    std::uint32_t graphics = 0;
    std::uint32_t memory = 0;
};

bool readClocks(GpuSlot& gpu, GpuReadings& readings) {
    ClockFrequencies clocks(gpu.versions.clockFrequencies, ClockType::Current);
    const bool read = DriverApi::getAllClockFrequencies(gpu.handle, clocks) == DriverOk;
    readings.gpuClock = read ? clocks.graphicsKHz() : 0;
    readings.memClock = read ? clocks.memoryKHz() : 0;
    return read;
}

bool readTemperature(GpuSlot& gpu, GpuReadings& readings) {
    ThermalSettings thermal(gpu.versions.thermalSettings);
    if (DriverApi::getThermalSettings(gpu.handle, 0, thermal) != DriverOk) return false;
    readings.gpuTemperature = thermal.sensor0Temperature();
    return true;
}

// The load comes from a separate load of the driver library and a fresh
// enumeration: always the first GPU of that list.
void readLoad(GpuReadings& readings) {
    if (!own.loadLibrary) own.loadLibrary = std::make_unique<DirectDriverLibrary>();
    if (!own.loadLibrary->open()) return;
    GpuHandleList handles{};
    std::uint32_t count = 0;
    if (own.loadLibrary->enumPhysicalGpus(handles, count) != DriverOk || count == 0) return;
    GpuUsages usages;
    if (own.loadLibrary->getGpuUsages(handles[0], usages) == DriverOk) {
        readings.gpuLoad = static_cast<std::int32_t>(usages.load());
    }
}

void readCooler(GpuSlot& gpu) {
    CoolerSettings cooler(gpu.versions.coolerSettings);
    if (DriverApi::getCoolerSettings(gpu.handle, 0, cooler) != DriverOk) {
        gpu.fanSpeed = 0;
        gpu.fanRpm = 0;
        gpu.fanMin = 0;
        gpu.fanMax = 0;
        tuning.fanSpeedToKeep = ValueUnavailable;
        return;
    }
    gpu.fanSpeed = cooler.currentLevel();
    gpu.fanMin = cooler.currentMinimum();
    gpu.fanMax = cooler.currentMaximum();
    gpu.fanRpm = cooler.rpm();
    const bool manual = cooler.currentPolicy() == CoolerSettings::PolicyManual;
    gpu.fanPolicyManual = manual ? 1 : 0;
    tuning.fanSpeedToKeep = manual ? cooler.currentLevel() : ValueAutomatic;
}

void readFans(GpuSlot& gpu) {
    FanCoolerStatus status;
    if (DriverApi::getFanCoolerStatus(gpu.handle, status) != DriverOk) return;
    gpu.fanSpeed1 = status.level(0);
    gpu.fan1Min = status.minimum(0);
    gpu.fan1Max = status.maximum(0);
    gpu.fan1Rpm = status.rpm(0);
    gpu.fanSpeed2 = status.level(1);
    gpu.fan2Min = status.minimum(1);
    gpu.fan2Max = status.maximum(1);
    gpu.fan2Rpm = status.rpm(1);
    tuning.fanSpeed1ToKeep = gpu.fanSpeed1Manual ? gpu.fanSpeed1.load() : ValueAutomatic;
    tuning.fanSpeed2ToKeep = gpu.fanSpeed2Manual ? gpu.fanSpeed2.load() : ValueAutomatic;
}

// While the curve page is shown, the editor follows the driver's curve. The
// views belong to the window thread, so the new values go to the GPU's
// record and the window is told to move its points.
void followFanCurve(GpuSlot& gpu, int index) {
    if (lifecycle.activePage != CurvePage || !gpu.caps.FanCurveCapable) return;
    FanCurve curve;
    if (DriverApi::getFanCurve(gpu.handle, curve) != DriverOk) return;
    MonitorThreadState::CachedCurve seen;
    seen.known = true;
    for (int i = 0; i < 3; ++i) {
        FanCurve::Point point = curve.point(0, i);
        seen.temperature[i] = static_cast<std::int32_t>(point.temperature / 256.0 + 0.5);
        seen.level[i] = static_cast<std::int32_t>(point.level * 100.0 / 65536.0 + 0.5);
    }
    MonitorThreadState::CachedCurve& cached = own.curve[index];
    if (cached.known && std::equal(seen.temperature, seen.temperature + 3, cached.temperature) &&
        std::equal(seen.level, seen.level + 3, cached.level)) {
        return;
    }
    cached = seen;
    for (int i = 0; i < 3; ++i) {
        gpu.curveTemp[i] = seen.temperature[i];
        gpu.curveFan[i + 1] = seen.level[i];
    }
    // The window thread moves the points and refreshes the tray tip.
    if (lifecycle.mainWindow != nullptr) platform().postMessage(lifecycle.mainWindow, WM_CURVE_FOLLOWED, 0, 0);
}

BaseClocks readBaseClocks(GpuSlot& gpu) {
    ClockFrequencies clocks(gpu.versions.clockFrequencies, ClockType::Base);
    if (DriverApi::getAllClockFrequencies(gpu.handle, clocks) != DriverOk) return {};
    return {clocks.graphicsKHz(), clocks.memoryKHz()};
}

void readPowerAndThermal(GpuSlot& gpu) {
    PowerPolicyInfo info(gpu.versions.powerPolicyInfo);
    const bool infoRead = tunable(gpu) && DriverApi::getPowerPolicyInfo(gpu.handle, info) == DriverOk;
    tuning.powerTargetMin = infoRead ? static_cast<std::int32_t>(std::max<std::uint32_t>(info.minimumLimit(), 50000)) : 0;
    tuning.powerTargetMax = infoRead ? static_cast<std::int32_t>(info.maximumLimit()) : 0;
    PowerPolicyStatus status(gpu.versions.powerPolicyStatus);
    const bool statusRead = tunable(gpu) && DriverApi::getPowerPolicyStatus(gpu.handle, status) == DriverOk;
    tuning.powerTarget = statusRead ? static_cast<float>(status.currentLimit()) : 0.0f;

    ThermalPolicyInfo thermal(gpu.versions.thermalPolicyInfo);
    const bool valid =
        thermalCapable(gpu) && DriverApi::getThermalPolicyInfo(gpu.handle, thermal) == DriverOk && thermal.valid();
    tuning.tempTargetMin = valid ? thermal.minimumLimit() / 256 : 0;
    tuning.tempTargetMax = valid ? thermal.maximumLimit() / 256 : 0;
    float limit = 0.0f;
    if (valid) {
        ThermalPolicyLimit current(gpu.versions.thermalPolicyLimit);
        current.selectPolicyOf(thermal);
        if (DriverApi::getThermalPolicyLimit(gpu.handle, current) == DriverOk) {
            limit = static_cast<float>(current.currentLimit()) * 0.00390625f;
        }
    }
    tuning.tempTarget = limit;
    monitor.fpsTargetMin = 30;
    monitor.fpsTargetMax = 120;
}

void readFrameRateTarget() {
    if (!own.sessionOpen) return;
    DrsSession session = settingsSession;
    DrsProfile profile = nullptr;
    if (DriverApi::drsLoadSettings(session) != DriverOk || DriverApi::drsGetBaseProfile(session, profile) != DriverOk) {
        tuning.fpsTarget = ValueUnavailable;
        return;
    }
    DrsSetting setting;
    const bool read = DriverApi::drsGetSetting(session, profile, FrameRateLimiterSetting, setting) == DriverOk;
    // The limit and its sentinels as one 64-bit word: never half written.
    tuning.fpsTarget = read && setting.currentValue() != 0 ? static_cast<std::int64_t>(setting.currentValue())
                                                           : std::int64_t{ValueAutomatic};
}

float ratio(std::uint32_t clock, std::uint32_t base) {
    if (base == 0) return 0.0f;
    return std::min(1.0f, static_cast<float>(clock) / static_cast<float>(base));
}

void publishMeters(int index, const GpuSlot& gpu, const GpuReadings& readings, BaseClocks base) {
    MeterSample sample;
    sample.gpu = index;
    sample.gpuClockRatio = ratio(readings.gpuClock, base.graphics);
    sample.memClockRatio = ratio(readings.memClock, base.memory);
    sample.temperature = static_cast<float>(readings.gpuTemperature);
    sample.load = static_cast<float>(readings.gpuLoad);
    sample.fanLevel = static_cast<float>(gpu.fanSpeed);
    sample.fan1Level = static_cast<float>(gpu.fanSpeed1);
    sample.fan2Level = static_cast<float>(gpu.fanSpeed2);
    monitor.meters.publish(sample);
}

// --- the fan floor ---------------------------------------------------------------

// The level that keeps one GPU's fans above the floor.
void floorLevelFor(const GpuSlot& gpu, std::int32_t temperature, std::int32_t floor, std::int32_t& level) {
    if (temperature < floor) {
        level = floor;
    } else if (temperature >= HotTemperature && gpu.fanSpeed <= 99) {
        level = 100;
    } else {
        // Warm but not hot: the fan follows the temperature, and never runs below the floor.
        level = gpu.fanSpeed >= floor ? temperature : floor;
    }
}

void holdFloor(GpuSlot& gpu, std::int32_t temperature, std::int32_t floor) {
    std::int32_t level = 0;
    floorLevelFor(gpu, temperature, floor, level);
    if (level == 100) gpu.fanSpeed = 100;
    setCoolerLevel(gpu, level);
}

}  // namespace

void readSettingRanges(GpuSlot& gpu) {
    refreshClockRanges(gpu);
    readPowerAndThermal(gpu);
}

void readTunedValues(int index) {
    const DriverGate::Hold hold = gpuWorkers.gate().close(GateHolder::Recovery);
    GpuSlot& gpu = inventory.slots[index];
    if (!gpu.caps.NewFanInterface) {
        readCooler(gpu);
    } else {
        readFans(gpu);
    }
    readSettingRanges(gpu);
    readFrameRateTarget();
}

std::int32_t fanFloor(std::int32_t fanLevel) {
    if (fanLevel == 1 || fanLevel == 2) return 50;
    if (fanLevel == 3) return 70;
    return 0;
}

namespace {

// The driver went (every GPU call of the pass failed as a resetting driver's
// do): the readouts go dead until it is back, and the window thread, told
// once, binds the GPUs again.
void noteDriverGone(GpuSlot& gpu, GpuReadings& readings) {
    readings.gpuClock = 0;
    readings.memClock = 0;
    readings.gpuTemperature = 0;
    gpu.fanSpeed = 0;
    gpu.fanRpm = 0;
    gpu.fanSpeed1 = 0;
    gpu.fan1Rpm = 0;
    gpu.fanSpeed2 = 0;
    gpu.fan2Rpm = 0;
    if (lifecycle.driverLost.exchange(1) != 0) return;
    if (lifecycle.mainWindow != nullptr) platform().postMessage(lifecycle.mainWindow, WM_DRIVER_LOST, 0, 0);
}

void samplePass() {
    const int index = currentGpuIndex();
    GpuSlot& gpu = inventory.slots[index];
    GpuReadings& readings = monitor.gpu[index];
    CallLedger ledger;
    BaseClocks base;
    bool answered = false;
    {
        const OpenLedger counting(ledger);
        // The clocks and the temperature say whether the driver answers at all.
        answered = readClocks(gpu, readings) | readTemperature(gpu, readings);
        readLoad(readings);
        if (!gpu.caps.NewFanInterface) {
            readCooler(gpu);
        } else {
            readFans(gpu);
        }
        followFanCurve(gpu, index);
        base = readBaseClocks(gpu);
        readSettingRanges(gpu);
        readFrameRateTarget();
    }
    if (ledger.driverGone()) noteDriverGone(gpu, readings);
    const bool first = monitor.meters.sampledGpu() == -1;
    publishMeters(index, gpu, readings, base);
    recordMonitorPass(index);
    if (provingPass(answered)) noteSettingsInForce(index);
    refreshHeldFans();
    if (first && lifecycle.mainWindow != nullptr) platform().postMessage(lifecycle.mainWindow, WM_FIRST_SAMPLE, 0, 0);
}

}  // namespace

void monitoringPass() {
    if (lifecycle.monitoringStale.exchange(0) != 0) endMonitoring();
    if (!own.started) openSession();
    if (lifecycle.hiddenToTray != 0 || inventory.count == 0 || lifecycle.driverLost != 0) return;
    gpuWorkers.gate().runPass(samplePass);
}

void endMonitoring() {
    if (own.sessionOpen) DriverApi::drsDestroySession(settingsSession.exchange(nullptr));
    settingsSession = nullptr;
    own.started = false;
    own.sessionOpen = false;
    for (auto& cached : own.curve) cached = {};
    own.loadLibrary.reset();
}

void fanLevelPass() {
    const std::int32_t floor = fanFloor(tuning.fanLevel);
    // A driver that went is asked by the rebind alone, once a second.
    if (floor == 0 || inventory.count == 0 || lifecycle.driverLost != 0) return;
    const int current = currentGpuIndex();
    GpuSlot& gpu = inventory.slots[current];
    if (gpu.caps.NewFanInterface) return;  // the floor is for the older cooler interface
    const std::int32_t temperature = monitor.gpu[current].gpuTemperature;
    if (tuning.sliSync != 1) {
        holdFloor(gpu, temperature, floor);
        return;
    }
    const bool coolCurrent = temperature < floor;
    for (int i = 0; i < inventory.count && i < MaxGpus; ++i) {
        GpuSlot& each = inventory.slots[i];
        if (each.caps.NewFanInterface) continue;
        // A cool current GPU sets every GPU to the floor; otherwise each GPU
        // goes by its own temperature, and a cool one is left alone.
        const std::int32_t judged = coolCurrent ? temperature : monitor.gpu[i].gpuTemperature.load();
        if (!coolCurrent && judged < floor) continue;
        std::int32_t level = 0;
        floorLevelFor(each, judged, floor, level);
        if (level == 100) each.fanSpeed = 100;
        if (setCoolerLevel(each, level) != DriverOk) break;
    }
}

}  // namespace vt
