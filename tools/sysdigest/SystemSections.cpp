#include "tools/sysdigest/SystemSections.h"

#include "tools/sysdigest/ReportValues.h"

namespace vt::sysdigest {
namespace {

struct NamedVersion {
    std::uint32_t major, minor, firstBuild;
    bool server;
    const char* name;
};

// Newest first within each version: the first row the system reaches names it.
// Windows 11 and the later servers still call themselves 10.0; only the build
// tells them apart.
constexpr NamedVersion NamedVersions[] = {
    {10, 0, 22000, false, "Windows 11"},
    {10, 0, 0, false, "Windows 10"},
    {6, 3, 0, false, "Windows 8.1"},
    {6, 2, 0, false, "Windows 8"},
    {6, 1, 0, false, "Windows 7"},
    {6, 0, 0, false, "Windows Vista"},
    {5, 2, 0, false, "Windows XP x64"},
    {5, 1, 0, false, "Windows XP"},
    {10, 0, 26100, true, "Windows Server 2025"},
    {10, 0, 20348, true, "Windows Server 2022"},
    {10, 0, 17763, true, "Windows Server 2019"},
    {10, 0, 0, true, "Windows Server 2016"},
    {6, 3, 0, true, "Windows Server 2012 R2"},
    {6, 2, 0, true, "Windows Server 2012"},
    {6, 1, 0, true, "Windows Server 2008 R2"},
    {6, 0, 0, true, "Windows Server 2008"},
    {5, 2, 0, true, "Windows Server 2003"},
};

struct NamedFlag {
    std::uint32_t flag;
    const char* text;
};

constexpr NamedFlag DisplayFlags[] = {
    {DisplayAttachedToDesktop, "attached to the desktop"},
    {DisplayPrimaryDevice, "primary"},
    {DisplayMirroringDriver, "mirroring driver"},
    {DisplayVgaCompatible, "VGA compatible"},
    {DisplayRemovable, "removable"},
    {DisplayModesPruned, "modes pruned"},
};

std::string versionNumber(const WindowsFacts& facts) {
    std::string text = std::to_string(facts.major) + "." + std::to_string(facts.minor) + "." + std::to_string(facts.build);
    if (facts.updateRevision != 0) text += "." + std::to_string(facts.updateRevision);
    return text;
}

ReportSection displaySection(int number, const DisplayAdapterFacts& adapter) {
    ReportSection section{"Display adapter " + std::to_string(number), {}};
    section.add("Device", adapter.deviceName);
    section.add("Description", adapter.description);
    if (!adapter.deviceId.empty()) section.add("Hardware id", adapter.deviceId);
    section.add("State", displayFlagsText(adapter.flags));
    if (adapter.modeKnown) {
        section.add("Display mode", std::to_string(adapter.width) + " x " + std::to_string(adapter.height) + ", " +
                                        std::to_string(adapter.bitsPerPixel) + " bits, " +
                                        std::to_string(adapter.frequency) + " Hz");
    }
    for (std::size_t i = 0; i < adapter.monitors.size(); ++i) {
        section.add("Monitor " + std::to_string(i + 1), adapter.monitors[i]);
    }
    return section;
}

}  // namespace

std::string windowsName(std::uint32_t major, std::uint32_t minor, std::uint32_t build, bool server) {
    for (const NamedVersion& row : NamedVersions) {
        if (row.major == major && row.minor == minor && row.server == server && build >= row.firstBuild) return row.name;
    }
    return "Windows";
}

std::string architectureName(std::uint16_t code) {
    switch (code) {
        case 0: return "x86";
        case 5: return "ARM";
        case 6: return "Itanium";
        case 9: return "x64";
        case 12: return "ARM64";
        default: return "unknown (" + std::to_string(code) + ")";
    }
}

std::string displayFlagsText(std::uint32_t flags) {
    std::string text;
    std::uint32_t unnamed = flags;
    for (const NamedFlag& named : DisplayFlags) {
        if ((flags & named.flag) == 0) continue;
        if (!text.empty()) text += ", ";
        text += named.text;
        unnamed &= ~named.flag;
    }
    if (unnamed != 0) {
        if (!text.empty()) text += ", ";
        text += "other flags " + hexNumber(unnamed, 8);
    }
    return text.empty() ? "none" : text;
}

ReportSection reportSection(const ReportTime& time, const std::string& collector) {
    ReportSection section{"Report", {}};
    std::string created = timestamp(time.local);
    if (time.offsetKnown) created += " (" + utcOffset(time.utcOffsetMinutes) + ")";
    section.add("Created", created);
    section.add("Collector", collector);
    return section;
}

ReportSection windowsSection(const WindowsFacts& facts) {
    ReportSection section{"Windows", {}};
    if (!facts.versionRead) {
        section.add("Version", "unavailable (the system did not give it)");
    } else {
        section.add("Version", windowsName(facts.major, facts.minor, facts.build, facts.server) + " (" +
                                   versionNumber(facts) + ")");
        section.add("Build", std::to_string(facts.build));
    }
    if (!facts.displayVersion.empty()) section.add("Release", facts.displayVersion);
    if (!facts.edition.empty()) section.add("Edition", facts.edition);
    if (!facts.servicePack.empty()) section.add("Service pack", facts.servicePack);
    if (!facts.compatibilityLayer.empty()) section.add("Compatibility layer", facts.compatibilityLayer);
    return section;
}

ReportSection processorSection(const ProcessorFacts& facts) {
    ReportSection section{"Processor", {}};
    section.add("Name", facts.name.empty() ? "unavailable (not in the registry)" : facts.name);
    if (!facts.vendor.empty()) section.add("Vendor", facts.vendor);
    if (facts.megahertz != 0) section.add("Clock", std::to_string(facts.megahertz) + " MHz");
    section.add("Logical processors", std::to_string(facts.logicalProcessors));
    section.add("Architecture", architectureName(facts.architecture));
    return section;
}

ReportSection memorySection(const MemoryFacts& facts) {
    ReportSection section{"Memory", {}};
    if (!facts.read) {
        section.add("Physical memory", "unavailable (the system did not give it)");
        return section;
    }
    section.add("Physical memory", megabytes(facts.totalPhysical));
    section.add("Available", megabytes(facts.availablePhysical));
    section.add("In use", std::to_string(facts.loadPercent) + " %");
    return section;
}

std::vector<ReportSection> displaySections(const std::vector<DisplayAdapterFacts>& adapters) {
    if (adapters.empty()) return {ReportSection{"Display adapters", {{"Adapters", "none found"}}}};
    std::vector<ReportSection> sections;
    for (std::size_t i = 0; i < adapters.size(); ++i) sections.push_back(displaySection(static_cast<int>(i + 1), adapters[i]));
    return sections;
}

}  // namespace vt::sysdigest
