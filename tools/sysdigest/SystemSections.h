// The system half of the report, from facts already gathered.
//
// SystemFacts.cpp asks Windows; this file only decides what a support reader
// needs to see and how to say it (a version number becomes the Windows name
// people know, a flag word becomes words), so that part runs in host tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "tools/sysdigest/ReportText.h"

namespace vt::sysdigest {

struct ReportTime {
    LocalTime local;
    bool offsetKnown = false;
    int utcOffsetMinutes = 0;  // east of UTC
};

struct WindowsFacts {
    bool versionRead = false;
    std::uint32_t major = 0, minor = 0, build = 0;
    std::uint32_t updateRevision = 0;  // 0: not known
    bool server = false;
    std::string servicePack;           // empty when none
    std::string edition;               // the registry's edition, "Professional"
    std::string displayVersion;        // "22H2"; empty when not known
    std::string compatibilityLayer;    // e.g. "Wine 8.0"; empty on Windows itself
};

struct ProcessorFacts {
    std::string name;                  // the registry's processor name
    std::string vendor;
    std::uint32_t megahertz = 0;       // 0: not known
    std::uint32_t logicalProcessors = 0;
    std::uint16_t architecture = 0xFFFF;  // the system's architecture code
};

struct MemoryFacts {
    bool read = false;
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    std::uint32_t loadPercent = 0;
};

struct DisplayAdapterFacts {
    std::string deviceName;   // "\\.\DISPLAY1"
    std::string description;
    std::string deviceId;     // the hardware id
    std::uint32_t flags = 0;  // the display device state flags
    bool modeKnown = false;
    std::uint32_t width = 0, height = 0, bitsPerPixel = 0, frequency = 0;
    std::vector<std::string> monitors;
};

// Windows' display device state flags, as the system defines them.
inline constexpr std::uint32_t DisplayAttachedToDesktop = 0x00000001;
inline constexpr std::uint32_t DisplayPrimaryDevice = 0x00000004;
inline constexpr std::uint32_t DisplayMirroringDriver = 0x00000008;
inline constexpr std::uint32_t DisplayVgaCompatible = 0x00000010;
inline constexpr std::uint32_t DisplayRemovable = 0x00000020;
inline constexpr std::uint32_t DisplayModesPruned = 0x08000000;

// "Windows 11", "Windows Server 2019", ...; "Windows" for a version it does not know.
std::string windowsName(std::uint32_t major, std::uint32_t minor, std::uint32_t build, bool server);
// "x64", "x86", "ARM64", ...: the system's architecture code in words.
std::string architectureName(std::uint16_t code);
// "attached to the desktop, primary"; "none" for no flag; unknown bits in hexadecimal.
std::string displayFlagsText(std::uint32_t flags);

// When and by what: collector is "Sysdigest 2.10 (64-bit)".
ReportSection reportSection(const ReportTime& time, const std::string& collector);
ReportSection windowsSection(const WindowsFacts& facts);
ReportSection processorSection(const ProcessorFacts& facts);
ReportSection memorySection(const MemoryFacts& facts);
// One section per adapter, "Display adapter 1" on; one saying none when the list is empty.
std::vector<ReportSection> displaySections(const std::vector<DisplayAdapterFacts>& adapters);

}  // namespace vt::sysdigest
