// The GPU half of the collector's report, read from the simulated driver
// through the program's own driver layer and inventory.
#include <functional>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "tests/unit/GpuTestSupport.h"
#include "tools/sysdigest/GpuFacts.h"
#include "tests/unit/SysdigestTestSupport.h"

namespace vt::sysdigest {
namespace {

using Entries = std::vector<ReportEntry>;

class SysdigestGpuFactsTest : public test::GpuTest {
protected:
    // The value of `key` in the section, or "(absent)".
    static std::string valueOf(const ReportSection& section, const std::string& key) {
        for (const ReportEntry& entry : section.entries) {
            if (entry.key == key) return entry.value;
        }
        return "(absent)";
    }
    static std::vector<std::string> headings(const std::vector<ReportSection>& sections) {
        std::vector<std::string> list;
        for (const ReportSection& section : sections) list.push_back(section.heading);
        return list;
    }
};

TEST_F(SysdigestGpuFactsTest, ACurrentCardIsDescribedWhole) {
    useCards({"current"});
    const std::vector<ReportSection> sections = gpuSections();
    ASSERT_EQ(headings(sections), (std::vector<std::string>{"Graphics driver", "GPU 1"}));
    EXPECT_EQ(sections[0].entries, (Entries{{"Library", test::DriverLibrary + " from the system folder"},
                                            {"Status", "loaded"},
                                            {"GPUs", "1"}}));
    // At rest: the last P-state with its idle clocks, 35 degrees, the fans on
    // the driver's curve at that temperature (30 % at 30, 50 % at 60 degrees).
    EXPECT_EQ(sections[1].entries, (Entries{{"Name", "NVIDIA GeForce RTX 3080"},
                                            {"Device id", "0x2206 (vendor 0x10DE)"},
                                            {"Subsystem id", "0x146710DE"},
                                            {"Revision", "0xA1"},
                                            {"Hardware id", "PCI\\VEN_10DE&DEV_2206&SUBSYS_146710DE&REV_A1"},
                                            {"Supported for tuning", "yes (current tuning interface)"},
                                            {"Drives a display", "yes"},
                                            {"Performance state", "P8"},
                                            {"Graphics clock", "210 MHz"},
                                            {"Memory clock", "405 MHz"},
                                            {"Graphics base clock", "1440 MHz"},
                                            {"Memory base clock", "9501 MHz"},
                                            {"Temperature", "35 \xC2\xB0" "C"},
                                            {"Power target", "100 %"},
                                            {"Temperature target", "83 \xC2\xB0" "C"},
                                            {"Fans", "2 (per-fan interface)"},
                                            {"Fan 1 level", "33 % (range 30-100 %)"},
                                            {"Fan 1 speed", "1000 rpm"},
                                            {"Fan 2 level", "33 % (range 30-100 %)"},
                                            {"Fan 2 speed", "1033 rpm"}}));
}

TEST_F(SysdigestGpuFactsTest, EachCardModelShowsWhatItsDriverGives) {
    struct Case {
        const char* model;
        std::vector<std::pair<std::string, std::string>> expected;
    };
    const Case cases[] = {
        // The older cooler interface with its rpm reading; without a curve the
        // driver ramps from the minimum at 30 degrees.
        {"cooler",
         {{"Name", "NVIDIA GeForce GTX 1080"},
          {"Hardware id", "PCI\\VEN_10DE&DEV_1B80&SUBSYS_119E10DE&REV_A1"},
          {"Supported for tuning", "yes (current tuning interface)"},
          {"Graphics base clock", "1607 MHz"},
          {"Memory base clock", "5005 MHz"},
          {"Fans", "1 (cooler interface)"},
          {"Fan level", "28 % (range 20-100 %), automatic"},
          {"Fan speed", "1120 rpm"},
          {"Fan 1 level", "(absent)"}}},
        // Only older structure versions: no rpm byte, no thermal policy.
        {"legacy",
         {{"Name", "NVIDIA GeForce GTX 680"},
          {"Supported for tuning", "yes (older tuning interface)"},
          {"Graphics clock", "210 MHz"},
          {"Graphics base clock", "1006 MHz"},
          {"Memory base clock", "3004 MHz"},
          {"Temperature", "35 \xC2\xB0" "C"},
          {"Power target", "100 %"},
          {"Temperature target", "unavailable (status -104)"},
          {"Fan level", "37 % (range 30-100 %), automatic"},
          {"Fan speed", "not reported by this driver"}}},
        // In no row of the supported-device table, without power or thermal policy.
        {"unlisted",
         {{"Name", "NVIDIA GeForce GT 730"},
          {"Device id", "0x1287 (vendor 0x10DE)"},
          {"Supported for tuning", "no (not in the program's supported-device table)"},
          {"Graphics base clock", "902 MHz"},
          {"Power target", "unavailable (status -104)"},
          {"Temperature target", "unavailable (status -104)"},
          {"Fan speed", "1036 rpm"}}},
    };
    for (const Case& c : cases) {
        useCards({c.model});
        const std::vector<ReportSection> sections = gpuSections();
        ASSERT_EQ(headings(sections), (std::vector<std::string>{"Graphics driver", "GPU 1"})) << c.model;
        for (const auto& [key, value] : c.expected) EXPECT_EQ(valueOf(sections[1], key), value) << c.model << ": " << key;
    }
}

TEST_F(SysdigestGpuFactsTest, EveryGpuGetsItsOwnSectionInEnumerationOrder) {
    useCards({"current", "cooler", "unlisted"});
    const std::vector<ReportSection> sections = gpuSections();
    ASSERT_EQ(headings(sections), (std::vector<std::string>{"Graphics driver", "GPU 1", "GPU 2", "GPU 3"}));
    EXPECT_EQ(valueOf(sections[0], "GPUs"), "3");
    EXPECT_EQ(valueOf(sections[1], "Name"), "NVIDIA GeForce RTX 3080");
    EXPECT_EQ(valueOf(sections[2], "Name"), "NVIDIA GeForce GTX 1080");
    EXPECT_EQ(valueOf(sections[3], "Name"), "NVIDIA GeForce GT 730");
    EXPECT_EQ(valueOf(sections[1], "Drives a display"), "yes");
    EXPECT_EQ(valueOf(sections[2], "Drives a display"), "no");
}

TEST_F(SysdigestGpuFactsTest, BeyondFourGpusTheCountIsGivenAndTheFirstFourAreDescribed) {
    useCards({"current", "current", "current", "current", "cooler"});
    const std::vector<ReportSection> sections = gpuSections();
    ASSERT_EQ(headings(sections), (std::vector<std::string>{"Graphics driver", "GPU 1", "GPU 2", "GPU 3", "GPU 4"}));
    EXPECT_EQ(valueOf(sections[0], "GPUs"), "5 (the program handles the first 4, described below)");
}

TEST_F(SysdigestGpuFactsTest, ADriverThatCannotBeUsedIsReportedWithItsStatus) {
    struct Case {
        const char* what;
        std::function<void()> setUp;
        Entries driver;
    };
    const std::string library = test::DriverLibrary + " from the system folder";
    const Case cases[] = {
        {"a library without the query entry",
         [this] { fake.addModule(test::DriverLibrary, {}); },
         {{"Library", library}, {"Status", "not available (status -1: the driver was not ready)"}}},
        {"initialisation refused",
         [this] { configure("fail = NvAPI_Initialize -6\ngpu = current\n"); },
         {{"Library", library}, {"Status", "not available (status -6)"}}},
        {"no GPU listed",
         [this] { configure("fail = NvAPI_EnumPhysicalGPUs -6\ngpu = current\n"); },
         {{"Library", library}, {"Status", "loaded"}, {"GPUs", "none found"}}},
        // Last: the fake keeps a library that failed to load failing.
        {"no driver library",
         [this] { fake.failModule(test::DriverLibrary, ErrorModNotFound); },
         {{"Library", library}, {"Status", "not available (status -2: the driver library cannot be loaded)"}}},
    };
    for (const Case& c : cases) {
        binder::resetBinding();
        resetSystemLibraryLoader();
        simulator().reset();
        installDriver();
        c.setUp();
        const std::vector<ReportSection> sections = gpuSections();
        ASSERT_EQ(sections.size(), 1u) << c.what;
        EXPECT_EQ(sections[0].heading, "Graphics driver") << c.what;
        EXPECT_EQ(sections[0].entries, c.driver) << c.what;
    }
}

TEST_F(SysdigestGpuFactsTest, AValueTheDriverRefusesSaysSoAndTheRestIsStillRead) {
    struct Case {
        const char* config;
        std::vector<std::pair<std::string, std::string>> expected;
    };
    const Case cases[] = {
        {"fail = NvAPI_GPU_GetThermalSettings -5\ngpu = current\n",
         {{"Temperature", "unavailable (status -5)"}, {"Graphics base clock", "1440 MHz"}, {"Fan 2 speed", "1033 rpm"}}},
        // With no version accepted the inventory keeps the oldest, which has no base clocks.
        {"fail = NvAPI_GPU_GetAllClockFrequencies -5\ngpu = current\n",
         {{"Graphics clock", "unavailable (status -5)"},
          {"Memory clock", "unavailable (status -5)"},
          {"Memory base clock", "not reported by this driver"},
          {"Temperature", "35 \xC2\xB0" "C"}}},
        // The inventory then takes the card for one on the cooler interface,
        // which it lacks: the report shows what the program sees.
        {"fail = GetFanCoolerStatus -5\ngpu = current\n",
         {{"Fans", "unavailable (status -104)"}, {"Fan 1 speed", "(absent)"}}},
        {"fail = GetCurrentPstate -5\ngpu = current\n", {{"Performance state", "unavailable (status -5)"}}},
        {"fail = NvAPI_GPU_GetPCIIdentifiers -5\ngpu = current\n",
         {{"PCI ids", "unavailable (status -5)"}, {"Hardware id", "(absent)"}, {"Name", "NVIDIA GeForce RTX 3080"}}},
        // Version 1 of the clock structure has no clock type: it would answer
        // the current clocks when asked for the base ones.
        {"gpu = current\nversions.NvAPI_GPU_GetAllClockFrequencies = 0x10108\n",
         {{"Graphics clock", "210 MHz"},
          {"Graphics base clock", "not reported by this driver"},
          {"Memory base clock", "not reported by this driver"}}},
        {"gpu = cooler\nversions.GetCoolerSettings = 0x203C8\n", {{"Fan speed", "not reported by this driver"}}},
        {"gpu = cooler\nfail = GetCoolerSettings -5\n", {{"Fans", "unavailable (status -5)"}}},
        {"gpu = current\nthermal = invalid\n", {{"Temperature target", "not reported"}}},
    };
    for (const Case& c : cases) {
        binder::resetBinding();
        configure(c.config);
        simulator().useManualClock();
        const std::vector<ReportSection> sections = gpuSections();
        ASSERT_EQ(sections.size(), 2u) << c.config;
        for (const auto& [key, value] : c.expected) EXPECT_EQ(valueOf(sections[1], key), value) << c.config << key;
    }
}

TEST_F(SysdigestGpuFactsTest, AGpuTheDriverWillNotNameEndsTheListWithANote) {
    configure("fail = NvAPI_GPU_GetFullName -5 gpu=1\ngpu = current\ngpu = cooler\ngpu = unlisted\n");
    simulator().useManualClock();
    const std::vector<ReportSection> sections = gpuSections();
    ASSERT_EQ(headings(sections), (std::vector<std::string>{"Graphics driver", "GPU 1"}));
    EXPECT_EQ(valueOf(sections[0], "GPUs"), "1");
    EXPECT_EQ(valueOf(sections[0], "Note"), "the driver did not name GPU 2; it and the GPUs after it are not described");
}

}  // namespace
}  // namespace vt::sysdigest
