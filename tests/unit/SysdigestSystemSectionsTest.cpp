// The system half of the collector's report, from gathered facts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/sysdigest/SystemSections.h"
#include "tests/unit/SysdigestTestSupport.h"

namespace vt::sysdigest {
namespace {

using Entries = std::vector<ReportEntry>;

TEST(SysdigestSystemSections, TheVersionNumberGivesTheWindowsPeopleKnow) {
    struct Case {
        std::uint32_t major, minor, build;
        bool server;
        std::string name;
    };
    const Case cases[] = {
        {10, 0, 22631, false, "Windows 11"},
        {10, 0, 22000, false, "Windows 11"},
        {10, 0, 21999, false, "Windows 10"},
        {10, 0, 19045, false, "Windows 10"},
        {6, 3, 9600, false, "Windows 8.1"},
        {6, 2, 9200, false, "Windows 8"},
        {6, 1, 7601, false, "Windows 7"},
        {6, 0, 6002, false, "Windows Vista"},
        {5, 2, 3790, false, "Windows XP x64"},
        {5, 1, 2600, false, "Windows XP"},
        {10, 0, 26100, true, "Windows Server 2025"},
        {10, 0, 20348, true, "Windows Server 2022"},
        {10, 0, 17763, true, "Windows Server 2019"},
        {10, 0, 14393, true, "Windows Server 2016"},
        {6, 3, 9600, true, "Windows Server 2012 R2"},
        {6, 2, 9200, true, "Windows Server 2012"},
        {6, 1, 7601, true, "Windows Server 2008 R2"},
        {6, 0, 6002, true, "Windows Server 2008"},
        {5, 2, 3790, true, "Windows Server 2003"},
        {11, 0, 30000, false, "Windows"},
        {6, 4, 9841, false, "Windows"},
        {0, 0, 0, false, "Windows"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windowsName(c.major, c.minor, c.build, c.server), c.name)
            << c.major << "." << c.minor << "." << c.build << (c.server ? " server" : "");
    }
}

TEST(SysdigestSystemSections, ArchitectureCodesAndDisplayFlagsBecomeWords) {
    EXPECT_EQ(architectureName(0), "x86");
    EXPECT_EQ(architectureName(5), "ARM");
    EXPECT_EQ(architectureName(6), "Itanium");
    EXPECT_EQ(architectureName(9), "x64");
    EXPECT_EQ(architectureName(12), "ARM64");
    EXPECT_EQ(architectureName(0xFFFF), "unknown (65535)");

    struct Case {
        std::uint32_t flags;
        std::string text;
    };
    const Case cases[] = {
        {0, "none"},
        {DisplayAttachedToDesktop | DisplayPrimaryDevice | DisplayVgaCompatible,
         "attached to the desktop, primary, VGA compatible"},
        {DisplayMirroringDriver, "mirroring driver"},
        {DisplayRemovable | DisplayModesPruned, "removable, modes pruned"},
        {0x40, "other flags 0x00000040"},
        {DisplayAttachedToDesktop | 0x40 | 0x80000000u, "attached to the desktop, other flags 0x80000040"},
    };
    for (const Case& c : cases) EXPECT_EQ(displayFlagsText(c.flags), c.text) << c.flags;
}

TEST(SysdigestSystemSections, TheReportSaysWhenAndByWhat) {
    ReportTime time;
    time.local = {2024, 5, 1, 12, 34, 56};
    EXPECT_EQ(reportSection(time, "Sysdigest 2.10 (32-bit)").entries,
              (Entries{{"Created", "2024/05/01 12:34:56"}, {"Collector", "Sysdigest 2.10 (32-bit)"}}));
    time.offsetKnown = true;
    time.utcOffsetMinutes = 540;
    EXPECT_EQ(reportSection(time, "x").entries[0].value, "2024/05/01 12:34:56 (UTC+09:00)");
    EXPECT_EQ(reportSection(time, "x").heading, "Report");
}

TEST(SysdigestSystemSections, WindowsSectionNamesTheVersionAndOnlyWhatIsKnown) {
    WindowsFacts full;
    full.versionRead = true;
    full.major = 10;
    full.minor = 0;
    full.build = 22631;
    full.updateRevision = 3447;
    full.edition = "Professional";
    full.displayVersion = "23H2";
    full.compatibilityLayer = "Wine 8.0";
    const ReportSection section = windowsSection(full);
    EXPECT_EQ(section.heading, "Windows");
    EXPECT_EQ(section.entries, (Entries{{"Version", "Windows 11 (10.0.22631.3447)"},
                                        {"Build", "22631"},
                                        {"Release", "23H2"},
                                        {"Edition", "Professional"},
                                        {"Compatibility layer", "Wine 8.0"}}));

    WindowsFacts bare;
    bare.versionRead = true;
    bare.major = 6;
    bare.minor = 1;
    bare.build = 7601;
    bare.servicePack = "Service Pack 1";
    EXPECT_EQ(windowsSection(bare).entries,
              (Entries{{"Version", "Windows 7 (6.1.7601)"}, {"Build", "7601"}, {"Service pack", "Service Pack 1"}}));

    EXPECT_EQ(windowsSection(WindowsFacts{}).entries,
              (Entries{{"Version", "unavailable (the system did not give it)"}}));
}

TEST(SysdigestSystemSections, ProcessorAndMemory) {
    ProcessorFacts processor;
    processor.name = "Example 8-Core Processor";
    processor.vendor = "GenuineIntel";
    processor.megahertz = 3600;
    processor.logicalProcessors = 16;
    processor.architecture = 9;
    EXPECT_EQ(processorSection(processor).entries, (Entries{{"Name", "Example 8-Core Processor"},
                                                            {"Vendor", "GenuineIntel"},
                                                            {"Clock", "3600 MHz"},
                                                            {"Logical processors", "16"},
                                                            {"Architecture", "x64"}}));
    ProcessorFacts unknown;
    unknown.logicalProcessors = 2;
    unknown.architecture = 0;
    EXPECT_EQ(processorSection(unknown).entries, (Entries{{"Name", "unavailable (not in the registry)"},
                                                          {"Logical processors", "2"},
                                                          {"Architecture", "x86"}}));

    MemoryFacts memory;
    memory.read = true;
    memory.totalPhysical = 16ull << 30;
    memory.availablePhysical = 6ull << 30;
    memory.loadPercent = 62;
    EXPECT_EQ(memorySection(memory).entries, (Entries{{"Physical memory", "16384 MB (16.0 GB)"},
                                                      {"Available", "6144 MB (6.0 GB)"},
                                                      {"In use", "62 %"}}));
    EXPECT_EQ(memorySection(MemoryFacts{}).entries,
              (Entries{{"Physical memory", "unavailable (the system did not give it)"}}));
}

TEST(SysdigestSystemSections, OneSectionPerDisplayAdapter) {
    DisplayAdapterFacts primary;
    primary.deviceName = "\\\\.\\DISPLAY1";
    primary.description = "NVIDIA GeForce RTX 3080";
    primary.deviceId = "PCI\\VEN_10DE&DEV_2206&SUBSYS_146710DE&REV_A1";
    primary.flags = DisplayAttachedToDesktop | DisplayPrimaryDevice;
    primary.modeKnown = true;
    primary.width = 2560;
    primary.height = 1440;
    primary.bitsPerPixel = 32;
    primary.frequency = 144;
    primary.monitors = {"Generic PnP Monitor", "Second Monitor"};
    DisplayAdapterFacts idle;
    idle.deviceName = "\\\\.\\DISPLAY2";
    idle.description = "Basic Display Adapter";

    const std::vector<ReportSection> sections = displaySections({primary, idle});
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].heading, "Display adapter 1");
    EXPECT_EQ(sections[0].entries, (Entries{{"Device", "\\\\.\\DISPLAY1"},
                                            {"Description", "NVIDIA GeForce RTX 3080"},
                                            {"Hardware id", "PCI\\VEN_10DE&DEV_2206&SUBSYS_146710DE&REV_A1"},
                                            {"State", "attached to the desktop, primary"},
                                            {"Display mode", "2560 x 1440, 32 bits, 144 Hz"},
                                            {"Monitor 1", "Generic PnP Monitor"},
                                            {"Monitor 2", "Second Monitor"}}));
    EXPECT_EQ(sections[1].heading, "Display adapter 2");
    EXPECT_EQ(sections[1].entries, (Entries{{"Device", "\\\\.\\DISPLAY2"},
                                            {"Description", "Basic Display Adapter"},
                                            {"State", "none"}}));

    const std::vector<ReportSection> none = displaySections({});
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].heading, "Display adapters");
    EXPECT_EQ(none[0].entries, (Entries{{"Adapters", "none found"}}));
}

}  // namespace
}  // namespace vt::sysdigest
