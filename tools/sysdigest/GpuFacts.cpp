#include "tools/sysdigest/GpuFacts.h"

#include <algorithm>
#include <string>

#include "driver/DriverApi.h"
#include "driver/DriverBinder.h"
#include "gpu/InventoryBuilder.h"
#include "state/GpuInventory.h"
#include "tools/sysdigest/ReportValues.h"

namespace vt::sysdigest {
namespace {

constexpr std::uint32_t PciVendorMask = 0xFFFF;

// The report is UTF-8; the driver's name is meant to be ASCII, and any other
// byte is shown as a question mark rather than passed on as broken text.
std::string asciiName(const GpuFullName& name) {
    std::string text = name.str();
    for (char& c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    return text;
}

// Physical and compute GPUs together, as the inventory counts them.
std::uint32_t listedGpuCount() {
    GpuHandleList handles{};
    std::uint32_t physical = 0, compute = 0;
    if (DriverApi::enumPhysicalGpus(handles, physical) != DriverOk) physical = 0;
    if (DriverApi::enumComputeGpus(handles, compute) != DriverOk) compute = 0;
    return physical + compute;
}

void addIdentity(ReportSection& section, GpuHandle gpu) {
    GpuFullName name;
    const DriverStatus named = DriverApi::getFullName(gpu, name);
    section.add("Name", named == DriverOk ? asciiName(name) : unavailable(named));
    PciIdentifiers ids;
    const DriverStatus read = DriverApi::getPciIdentifiers(gpu, ids);
    if (read != DriverOk) {
        section.add("PCI ids", unavailable(read));
        return;
    }
    const std::uint32_t device = ids.deviceId >> 16, vendor = ids.deviceId & PciVendorMask;
    section.add("Device id", hexNumber(device, 4) + " (vendor " + hexNumber(vendor, 4) + ")");
    section.add("Subsystem id", hexNumber(ids.subsystemId, 8));
    section.add("Revision", hexNumber(ids.revisionId, 2));
    // The form Windows' device manager shows, so the reader can look it up.
    section.add("Hardware id", "PCI\\VEN_" + hexNumber(vendor, 4).substr(2) + "&DEV_" + hexNumber(device, 4).substr(2) +
                                   "&SUBSYS_" + hexNumber(ids.subsystemId, 8).substr(2) + "&REV_" +
                                   hexNumber(ids.revisionId, 2).substr(2));
}

std::string tuningSupport(const GpuSlot& slot) {
    if (slot.caps.ModernTuning) return "yes (current tuning interface)";
    if (slot.caps.LegacyTuning) return "yes (older tuning interface)";
    return "no (not in the program's supported-device table)";
}

void addState(ReportSection& section, const GpuSlot& slot) {
    section.add("Supported for tuning", tuningSupport(slot));
    std::uint32_t outputs = 0;
    const DriverStatus outputsRead = DriverApi::getActiveOutputMask(slot.handle, outputs);
    section.add("Drives a display", outputsRead != DriverOk ? unavailable(outputsRead) : outputs != 0 ? "yes" : "no");
    std::uint32_t pstate = 0;
    const DriverStatus pstateRead = DriverApi::getCurrentPstate(slot.handle, pstate);
    section.add("Performance state", pstateRead == DriverOk ? "P" + std::to_string(pstate) : unavailable(pstateRead));
}

std::string clockValue(const ClockFrequencies& clocks, std::uint32_t domain) {
    return clocks.domainPresent(domain) ? megahertz(clocks.domainKHz(domain)) : "not reported";
}

void addClocks(ReportSection& section, const GpuSlot& slot, ClockType type, const char* graphicsKey,
               const char* memoryKey) {
    const std::uint32_t version = slot.versions.clockFrequencies;
    // The first layout has no clock type: it always answers the current
    // clocks, which must not be shown as anything else.
    if (type != ClockType::Current && structVersionNumber(version) < 2) {
        section.add(graphicsKey, "not reported by this driver");
        section.add(memoryKey, "not reported by this driver");
        return;
    }
    ClockFrequencies clocks(version, type);
    const DriverStatus read = DriverApi::getAllClockFrequencies(slot.handle, clocks);
    section.add(graphicsKey, read == DriverOk ? clockValue(clocks, ClockFrequencies::GraphicsDomain) : unavailable(read));
    section.add(memoryKey, read == DriverOk ? clockValue(clocks, ClockFrequencies::MemoryDomain) : unavailable(read));
}

void addTemperature(ReportSection& section, const GpuSlot& slot) {
    ThermalSettings thermal(slot.versions.thermalSettings);
    const DriverStatus read = DriverApi::getThermalSettings(slot.handle, 0, thermal);
    if (read != DriverOk) section.add("Temperature", unavailable(read));
    else if (thermal.sensorCount() == 0) section.add("Temperature", "no sensor");
    else section.add("Temperature", celsius(thermal.sensor0Temperature()));
}

void addTargets(ReportSection& section, const GpuSlot& slot) {
    PowerPolicyStatus power(slot.versions.powerPolicyStatus);
    const DriverStatus powerRead = DriverApi::getPowerPolicyStatus(slot.handle, power);
    section.add("Power target",
                powerRead == DriverOk ? percentFromThousandths(power.currentLimit()) : unavailable(powerRead));

    ThermalPolicyInfo info(slot.versions.thermalPolicyInfo);
    const DriverStatus infoRead = DriverApi::getThermalPolicyInfo(slot.handle, info);
    if (infoRead != DriverOk) {
        section.add("Temperature target", unavailable(infoRead));
        return;
    }
    if (!info.valid()) {
        section.add("Temperature target", "not reported");
        return;
    }
    ThermalPolicyLimit limit(slot.versions.thermalPolicyLimit);
    limit.selectPolicyOf(info);
    const DriverStatus limitRead = DriverApi::getThermalPolicyLimit(slot.handle, limit);
    section.add("Temperature target", limitRead == DriverOk ? celsius(limit.currentLimit() / 256) : unavailable(limitRead));
}

std::string levelWithRange(std::int32_t level, std::int32_t minimum, std::int32_t maximum) {
    return std::to_string(level) + " % (range " + std::to_string(minimum) + "-" + std::to_string(maximum) + " %)";
}

void addFans(ReportSection& section, const GpuSlot& slot) {
    if (slot.caps.NewFanInterface) {
        FanCoolerStatus fans;
        const DriverStatus read = DriverApi::getFanCoolerStatus(slot.handle, fans);
        if (read != DriverOk) {
            section.add("Fans", unavailable(read));
            return;
        }
        const std::size_t count = std::min<std::size_t>(fans.fanCount(), FanCoolerStatus::MaxFans);
        section.add("Fans", std::to_string(count) + " (per-fan interface)");
        for (std::size_t fan = 0; fan < count; ++fan) {
            const std::string key = "Fan " + std::to_string(fan + 1);
            section.add(key + " level", levelWithRange(fans.level(fan), fans.minimum(fan), fans.maximum(fan)));
            section.add(key + " speed", std::to_string(fans.rpm(fan)) + " rpm");
        }
        return;
    }
    CoolerSettings cooler(slot.versions.coolerSettings);
    const DriverStatus read = DriverApi::getCoolerSettings(slot.handle, 0, cooler);
    if (read != DriverOk) {
        section.add("Fans", unavailable(read));
        return;
    }
    section.add("Fans", "1 (cooler interface)");
    const bool manual = cooler.currentPolicy() == CoolerSettings::PolicyManual;
    section.add("Fan level", levelWithRange(cooler.currentLevel(), cooler.currentMinimum(), cooler.currentMaximum()) +
                                 (manual ? ", set by hand" : ", automatic"));
    section.add("Fan speed", cooler.rpmAvailable() ? std::to_string(cooler.rpm()) + " rpm" : "not reported by this driver");
}

ReportSection gpuSection(int index) {
    const GpuSlot& slot = inventory.slots[index];
    ReportSection section{"GPU " + std::to_string(index + 1), {}};
    addIdentity(section, slot.handle);
    addState(section, slot);
    addClocks(section, slot, ClockType::Current, "Graphics clock", "Memory clock");
    addClocks(section, slot, ClockType::Base, "Graphics base clock", "Memory base clock");
    addTemperature(section, slot);
    addTargets(section, slot);
    addFans(section, slot);
    return section;
}

ReportSection driverSection(const InventoryResult& result) {
    ReportSection section{"Graphics driver", {}};
    section.add("Library", std::string(binder::DriverLibraryName) + " from the system folder");
    if (result.failure == InventoryResult::DriverInit && result.status != NoGpuFound) {
        section.add("Status", "not available (" + statusText(result.status) + ")");
        return section;
    }
    section.add("Status", "loaded");
    if (result.failure == InventoryResult::DriverInit) {
        section.add("GPUs", "none found");
        return section;
    }
    std::string count = std::to_string(inventory.count);
    if (result.tooManyGpus) {
        count = std::to_string(listedGpuCount()) + " (the program handles the first " + std::to_string(GpuLimit) +
                ", described below)";
    }
    section.add("GPUs", count);
    if (result.failure == InventoryResult::GpuName) {
        section.add("Note", "the driver did not name GPU " + std::to_string(inventory.count + 1) +
                                "; it and the GPUs after it are not described");
    }
    return section;
}

}  // namespace

std::vector<ReportSection> gpuSections() {
    const InventoryResult result = buildInventory();
    std::vector<ReportSection> sections{driverSection(result)};
    if (result.failure == InventoryResult::DriverInit) return sections;
    for (int i = 0; i < inventory.count; ++i) sections.push_back(gpuSection(i));
    return sections;
}

}  // namespace vt::sysdigest
