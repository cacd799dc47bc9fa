#include "gpu/InventoryBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <string>

#include "driver/DriverApi.h"
#include "gpu/SupportedDevices.h"
#include "platform/Platform.h"
#include "state/GpuInventory.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

constexpr int NameLimit = 39;

// Tries each version word newest first, with a 1 ms pause before a retry,
// and gives the word that worked, or the oldest when none did.
template <class Struct, class Call>
std::uint32_t probeVersions(std::span<const std::uint32_t> words, Call call) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) platform().sleep(1);
        Struct request(words[i]);
        if (call(request) == DriverOk) return words[i];
    }
    return words.back();
}

DriverStatus enumerate(GpuHandleList& handles, std::uint32_t& count) {
    std::uint32_t physical = 0;
    if (DriverApi::enumPhysicalGpus(handles, physical) != DriverOk) physical = 0;
    count = std::min<std::uint32_t>(physical, MaxDriverGpus);
    GpuHandleList compute{};
    std::uint32_t computeCount = 0;
    if (DriverApi::enumComputeGpus(compute, computeCount) == DriverOk) {
        // Compute GPUs follow the physical ones, as far as the list reaches.
        for (std::uint32_t i = 0; i < computeCount && count < MaxDriverGpus; ++i) handles[count++] = compute[i];
    }
    return count == 0 ? NoGpuFound : DriverOk;
}

void storeName(GpuSlot& slot, const GpuFullName& fullName) {
    std::string name = fullName.str();
    if (name.compare(0, 6, "NVIDIA") == 0) name.erase(0, std::min<std::size_t>(7, name.size()));
    std::u16string wide = platform().toWide(name);
    if (wide.size() > NameLimit) wide.resize(NameLimit);
    std::fill(std::begin(slot.name), std::end(slot.name), u'\0');
    std::copy(wide.begin(), wide.end(), slot.name);
}

int roundedWhole(double value) { return static_cast<int>(std::lround(value)); }

void probeFanCurve(GpuSlot& slot) {
    FanCurveInfo info(FanCurveInfo::Versions[0]);
    if (DriverApi::getFanCurveInfo(slot.handle, info) != DriverOk) {
        platform().sleep(1);
        FanCurveInfo older(FanCurveInfo::Versions[1]);
        slot.versions.fanCurveInfo = FanCurveInfo::Versions[1];
        DriverApi::getFanCurveInfo(slot.handle, older);
        return;
    }
    slot.versions.fanCurveInfo = FanCurveInfo::Versions[0];
    FanCurve curve;
    curve.setRequestDefault(true);
    if (DriverApi::getFanCurve(slot.handle, curve) != DriverOk) return;
    slot.caps.FanCurveCapable = 1;
    slot.storedCurve.count = curve.entryCount();
    for (std::size_t i = 0; i < 3; ++i) {
        FanCurve::Point point = curve.point(0, i);
        slot.storedCurve.points[i].temperature = roundedWhole(point.temperature / 256.0);
        slot.storedCurve.points[i].level = roundedWhole(point.level * 100.0 / 65536.0);
        slot.storedCurve.points[i].driverValue = point.driverValue;
        // The editor's inner points start on the driver's curve.
        slot.curveTemp[i] = slot.storedCurve.points[i].temperature;
    }
}

void probeCoolers(GpuSlot& slot) {
    GpuHandle gpu = slot.handle;
    slot.versions.coolerSettings = probeVersions<CoolerSettings>(CoolerSettings::Versions, [&](CoolerSettings& s) {
        DriverStatus status = DriverApi::getCoolerSettings(gpu, 0, s);
        // Only versions 4 and 3 carry the speed-reading byte.
        if (status == DriverOk) slot.fanRpmAvailable = s.rpmAvailable();
        return status;
    });
    FanCoolerStatus fans;
    if (DriverApi::getFanCoolerStatus(gpu, fans) == DriverOk) {
        slot.caps.NewFanInterface = 1;
        slot.fanCount = fans.fanCount();
        slot.fanRpmAvailable = 1;
    }
    probeFanCurve(slot);
}

void probeStructVersions(GpuSlot& slot) {
    GpuHandle gpu = slot.handle;
    StructVersionTable& v = slot.versions;
    v.clockFrequencies = probeVersions<ClockFrequencies>(
        ClockFrequencies::Versions, [&](ClockFrequencies& s) { return DriverApi::getAllClockFrequencies(gpu, s); });
    v.thermalSettings = probeVersions<ThermalSettings>(
        ThermalSettings::Versions, [&](ThermalSettings& s) { return DriverApi::getThermalSettings(gpu, 0, s); });
    probeCoolers(slot);
    v.pstates20 =
        probeVersions<Pstates20>(Pstates20::Versions, [&](Pstates20& s) { return DriverApi::getPstates20(gpu, s); });
    v.powerPolicyInfo = probeVersions<PowerPolicyInfo>(
        PowerPolicyInfo::Versions, [&](PowerPolicyInfo& s) { return DriverApi::getPowerPolicyInfo(gpu, s); });
    v.powerPolicyStatus = probeVersions<PowerPolicyStatus>(
        PowerPolicyStatus::Versions, [&](PowerPolicyStatus& s) { return DriverApi::getPowerPolicyStatus(gpu, s); });
    ThermalPolicyInfo acceptedInfo(ThermalPolicyInfo::Versions[0]);
    v.thermalPolicyInfo = probeVersions<ThermalPolicyInfo>(ThermalPolicyInfo::Versions, [&](ThermalPolicyInfo& s) {
        DriverStatus status = DriverApi::getThermalPolicyInfo(gpu, s);
        if (status == DriverOk) acceptedInfo = s;
        return status;
    });
    v.thermalPolicyLimit =
        probeVersions<ThermalPolicyLimit>(ThermalPolicyLimit::Versions, [&](ThermalPolicyLimit& s) {
            s.selectPolicyOf(acceptedInfo);
            return DriverApi::getThermalPolicyLimit(gpu, s);
        });
    v.memoryInfo = probeVersions<MemoryInfo>(MemoryInfo::Versions,
                                             [&](MemoryInfo& s) { return DriverApi::getMemoryInfo(gpu, s); });
}

std::int32_t driverPowerLimit(const GpuSlot& slot) {
    PowerPolicyInfo info(slot.versions.powerPolicyInfo);
    if (DriverApi::getPowerPolicyInfo(slot.handle, info) != DriverOk) return 0;
    return static_cast<std::int32_t>(info.maximumLimit() / 1000);
}

std::int32_t driverTempLimit(const GpuSlot& slot) {
    ThermalPolicyInfo info(slot.versions.thermalPolicyInfo);
    if (DriverApi::getThermalPolicyInfo(slot.handle, info) != DriverOk || !info.valid()) return 0;
    return info.maximumLimit() / 256;
}

std::int32_t offsetByBaseClock(const GpuSlot& slot, const SupportedDevice& row) {
    ClockFrequencies clocks(slot.versions.clockFrequencies, ClockType::Base);
    bool atBase = DriverApi::getAllClockFrequencies(slot.handle, clocks) == DriverOk &&
                  clocks.graphicsKHz() == row.baseClockKHz;
    return atBase ? 0 : row.gpuOffset;
}

void applyRow(GpuSlot& slot, const SupportedDevice& row) {
    if (row.modern) slot.caps.ModernTuning = 1;
    if (row.legacy) slot.caps.LegacyTuning = 1;
    if (row.alt) slot.caps.AltPresetCard = 1;
    EasyPresets& presets = slot.presets;
    presets.PresetFpsTarget = ValueAutomatic;
    presets.PresetGpuOffset = row.offsetSource == PresetSource::ByBaseClock ? offsetByBaseClock(slot, row) : row.gpuOffset;
    if (row.powerSource == PresetSource::Fixed) presets.PresetPowerLimit = row.powerLimit;
    if (row.powerSource == PresetSource::FromDriver) presets.PresetPowerLimit = driverPowerLimit(slot);
    if (row.tempSource == PresetSource::Fixed) presets.PresetTempLimit = row.tempLimit;
    if (row.tempSource == PresetSource::FromDriver) presets.PresetTempLimit = driverTempLimit(slot);
}

bool matchDevice(GpuSlot& slot) {
    PciIdentifiers ids;
    if (DriverApi::getPciIdentifiers(slot.handle, ids) != DriverOk) return false;
    slot.deviceId = ids.deviceId;
    slot.subsystemId = ids.subsystemId;
    char text[9];
    formatDeviceId(ids.deviceId, text);
    for (const SupportedDevice& row : supportedDeviceTable()) {
        if (row.id == text) applyRow(slot, row);
    }
    return true;
}

}  // namespace

InventoryResult buildInventory() {
    InventoryResult result;
    resetGpuInventory();
    DriverStatus status = DriverApi::initialize();
    GpuHandleList handles{};
    std::uint32_t count = 0;
    if (status == DriverOk) status = enumerate(handles, count);
    if (status != DriverOk) {
        result.failure = InventoryResult::DriverInit;
        result.status = status;
        return result;
    }

    for (std::uint32_t i = 0; i < count; ++i) {
        if (i == GpuLimit) {
            result.tooManyGpus = true;
            break;
        }
        GpuSlot& slot = inventory.slots[i];
        slot.handle = handles[i];
        GpuFullName name;
        if (DriverApi::getFullName(slot.handle, name) != DriverOk) {
            result.failure = InventoryResult::GpuName;
            return result;
        }
        storeName(slot, name);
        inventory.count = static_cast<std::int32_t>(i + 1);
    }

    probeVersions<ChipsetInfo>(ChipsetInfo::Versions, [](ChipsetInfo& s) { return DriverApi::getChipsetInfo(s); });
    for (int i = 0; i < inventory.count; ++i) probeStructVersions(inventory.slots[i]);
    for (int i = 0; i < inventory.count; ++i) {
        if (!matchDevice(inventory.slots[i])) {
            result.failure = InventoryResult::DeviceId;
            return result;
        }
    }
    return result;
}

int activeGpuIndex() {
    const int count = inventory.count;
    int displayAt = count;
    for (int i = 0; i < count; ++i) {
        std::uint32_t mask = 0;
        if (DriverApi::getActiveOutputMask(inventory.slots[i].handle, mask) != DriverOk) return 0;
        if (mask != 0) {
            displayAt = i;
            break;
        }
    }
    const int selected = tuning.selectedGpu;
    if (selected == 0) return displayAt < count ? displayAt : 0;
    return displayAt != 0 ? selected - 1 : selected;
}

int currentGpuIndex() {
    const int index = activeGpuIndex();
    const int last = std::max(0, std::min<int>(inventory.count, MaxGpus) - 1);
    return std::clamp(index, 0, last);
}

}  // namespace vt
