#include "gpu/InventoryBuilder.h"

#include <sstream>

#include "driver/DriverStructs.h"
#include "gpu/SupportedDevices.h"
#include "settings/Profile.h"
#include "state/GpuInventory.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

class InventoryBuilderTest : public test::GpuTest {};

std::u16string nameOf(int gpu) { return inventory.slots[gpu].name; }

// The supported-device table, written out again from the product's
// documentation: ids, flags (M modern, L legacy, T alt), GPU offset (a
// number, or "base:<kHz>:<offset>"), power and temperature ("D" read from
// the driver, "-" left alone).
const char* const ExpectedRows[] = {
    "268410de,270210de,270410de,270510de,278210de,278310de,278610de,280510de,280310de,288210de M 30 D D",
    "220410de M 88 D D", "220810de M 86 D D", "220a10de M 85 D D",
    "221610de,220610de,248c10de,248210de M 89 D D", "248810de M 86 D D", "248410de M 89 D D",
    "248910de M 84 D D", "250410de M 89 D D", "250310de M 90 D D", "250710de M 89 D D",
    "1e0710de M 83 D D", "1e0410de M 77 D D", "1e8710de M 86 D D", "1e8210de M 86 D D",
    "1e8110de M 92 D D", "1e8410de M 89 D D", "1f0310de,1f0610de M 83 D D", "1f0210de M 81 D D",
    "1f1010de M 59 D D", "1e8910de,1f0810de M 84 D D", "218210de M 88 D D", "21c410de,218410de M 89 D D",
    "218810de M 80 D D", "218710de M 86 D D", "1f8210de M 83 D D",
    "1b8210de M 84 120 90", "1d0110de M 73 100 83", "1b0610de M 95 120 90", "129210de L 30 - -",
    "1c8210de,1c8110de M 70 100 85", "1c0210de,1c0310de M 70 115 85", "1b8110de M 70 112 85",
    "1b8010de M 80 115 85", "17c210de M 50 110 85", "140210de M 41 115 85", "17c810de M 40 100 85",
    "13c010de M 46 109 85", "13c210de M 44 115 85", "140110de M 47 107 85", "138010de M 42 100 85",
    "100510de M 33 115 85", "100410de M base:1019500:35 106 85", "118410de M base:1163000:43 115 85",
    "118710de MT 39 115 85", "118010de L base:1124000:40 115 -", "118910de,118310de L 37 - -",
    "11c010de LT 39 110 85", "11c210de L 39 - -", "11c610de L 37 - -", "0fc610de L 42 - -",
};

struct ExpectedDevice {
    std::uint32_t id;
    std::string flags, offset, power, temperature;
};

std::vector<ExpectedDevice> expectedDevices() {
    std::vector<ExpectedDevice> devices;
    for (const char* row : ExpectedRows) {
        std::istringstream in(row);
        std::string ids, flags, offset, power, temperature;
        in >> ids >> flags >> offset >> power >> temperature;
        std::istringstream idList(ids);
        for (std::string id; std::getline(idList, id, ',');) {
            devices.push_back({static_cast<std::uint32_t>(std::stoul(id, nullptr, 16)), flags, offset, power,
                               temperature});
        }
    }
    return devices;
}

// The current card model: power policy up to 115 %, thermal limit up to 91
// degrees C, a base clock of 1440 MHz.
TEST_F(InventoryBuilderTest, EveryTableRowGivesItsFlagsAndPresets) {
    const std::vector<ExpectedDevice> devices = expectedDevices();
    ASSERT_EQ(devices.size(), 69u);
    for (const ExpectedDevice& device : devices) {
        SCOPED_TRACE(deviceIdText(device.id));
        useDeviceIds("current", {device.id});
        ASSERT_EQ(buildInventory().failure, InventoryResult::None);
        const GpuSlot& gpu = inventory.slots[0];
        EXPECT_EQ(gpu.caps.ModernTuning, device.flags.find('M') != std::string::npos ? 1 : 0);
        EXPECT_EQ(gpu.caps.LegacyTuning, device.flags.find('L') != std::string::npos ? 1 : 0);
        EXPECT_EQ(gpu.caps.AltPresetCard, device.flags.find('T') != std::string::npos ? 1 : 0);
        const int offset = device.offset.starts_with("base:") ? std::stoi(device.offset.substr(device.offset.rfind(':') + 1))
                                                              : std::stoi(device.offset);
        EXPECT_EQ(gpu.presets.PresetGpuOffset, offset);
        EXPECT_EQ(gpu.presets.PresetPowerLimit, device.power == "D" ? 115 : device.power == "-" ? 0 : std::stoi(device.power));
        EXPECT_EQ(gpu.presets.PresetTempLimit,
                  device.temperature == "D" ? 91 : device.temperature == "-" ? 0 : std::stoi(device.temperature));
        EXPECT_EQ(gpu.presets.PresetFpsTarget, -100);
    }
}

TEST_F(InventoryBuilderTest, BaseClockRowsDropTheirOffsetAtTheirBaseClock) {
    struct Case {
        std::uint32_t id;
        std::int32_t baseKHz;
        int offset;
    } cases[] = {
        {0x100410DE, 1019500, 0}, {0x100410DE, 1019000, 35}, {0x118410DE, 1163000, 0},
        {0x118410DE, 1163001, 43}, {0x118010DE, 1124000, 0},  {0x118010DE, 1440000, 40},
    };
    for (const Case& c : cases) {
        useDeviceIds("current", {c.id});
        driver().editGpu(0, [&](sim::SimGpu& gpu) { gpu.graphicsBase = c.baseKHz; });
        ASSERT_EQ(buildInventory().failure, InventoryResult::None);
        EXPECT_EQ(inventory.slots[0].presets.PresetGpuOffset, c.offset) << std::hex << c.id << std::dec << " " << c.baseKHz;
    }
}

TEST_F(InventoryBuilderTest, DriverColumnsFollowThePoliciesAndTheirFailures) {
    useDeviceIds("current", {0x220410DE});
    driver().editGpu(0, [](sim::SimGpu& gpu) {
        gpu.powerMax = 123456;     // 123.456 %
        gpu.thermalMax = 88 * 256 + 200;
    });
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    EXPECT_EQ(inventory.slots[0].presets.PresetPowerLimit, 123);
    EXPECT_EQ(inventory.slots[0].presets.PresetTempLimit, 88);

    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.thermalValid = false; });
    driver().failOperation("GetPowerPolicyInfo", -5);
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    EXPECT_EQ(inventory.slots[0].presets.PresetPowerLimit, 0);
    EXPECT_EQ(inventory.slots[0].presets.PresetTempLimit, 0);
}

TEST_F(InventoryBuilderTest, DeviceIdsMatchOnlyInTheirExactForm) {
    struct Case {
        std::uint32_t id;
        bool matches;
    } cases[] = {
        {0x0FC610DE, true},   // "0fc610de": the leading zero is kept
        {0x220A10DE, true},   // letters in lower case
        {0x0000220A, false},  // the device without its vendor
        {0x220A0000, false},
        {0x0FC610DF, false},
        {0x128710DE, false},  // a card in no row
    };
    for (const Case& c : cases) {
        useDeviceIds("current", {c.id});
        ASSERT_EQ(buildInventory().failure, InventoryResult::None);
        const GpuSlot& gpu = inventory.slots[0];
        EXPECT_EQ(gpu.caps.ModernTuning || gpu.caps.LegacyTuning, c.matches) << std::hex << c.id;
        EXPECT_EQ(gpu.deviceId, c.id);
    }
    char text[9];
    formatDeviceId(0x0FC610DE, text);
    EXPECT_STREQ(text, "0fc610de");
}

TEST_F(InventoryBuilderTest, CardInNoRowKeepsEveryFlagAndPresetAtZero) {
    useCards({"unlisted"});
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    const GpuSlot& gpu = inventory.slots[0];
    EXPECT_EQ(gpu.caps.ModernTuning + gpu.caps.LegacyTuning + gpu.caps.AltPresetCard, 0);
    EXPECT_EQ(gpu.presets.PresetGpuOffset, 0);
    EXPECT_EQ(gpu.presets.PresetPowerLimit, 0);
    EXPECT_EQ(gpu.presets.PresetTempLimit, 0);
    EXPECT_EQ(gpu.presets.PresetFpsTarget, 0);
}

TEST_F(InventoryBuilderTest, NamesLoseTheMakersWordAndStopAt39Characters) {
    struct Case {
        const char* driverName;
        std::u16string shown;
    } cases[] = {
        {"NVIDIA GeForce RTX 3080", u"GeForce RTX 3080"},
        {"NVIDIAX Card", u" Card"},  // the first six characters decide, seven go
        {"Quadro NVIDIA", u"Quadro NVIDIA"},
        {"NVIDIA", u""},
        {"NVIDIA 0123456789012345678901234567890123456789abc", u"012345678901234567890123456789012345678"},
    };
    for (const Case& c : cases) {
        useCards({"current"});
        driver().editGpu(0, [&](sim::SimGpu& gpu) { gpu.name = c.driverName; });
        ASSERT_EQ(buildInventory().failure, InventoryResult::None) << c.driverName;
        EXPECT_EQ(nameOf(0), c.shown) << c.driverName;
    }
}

TEST_F(InventoryBuilderTest, FourGpusAreFineAndAFifthIsCutOff) {
    useCards({"current", "cooler", "legacy", "unlisted"});
    InventoryResult four = buildInventory();
    EXPECT_EQ(four.failure, InventoryResult::None);
    EXPECT_FALSE(four.tooManyGpus);
    EXPECT_EQ(inventory.count, 4);

    useCards({"current", "cooler", "legacy", "unlisted", "current"});
    InventoryResult five = buildInventory();
    EXPECT_EQ(five.failure, InventoryResult::None);
    EXPECT_TRUE(five.tooManyGpus);
    EXPECT_EQ(inventory.count, 4);
    EXPECT_EQ(nameOf(3), u"GeForce GT 730");
    EXPECT_EQ(driver().count("NvAPI_GPU_GetFullName"), 4);
}

TEST_F(InventoryBuilderTest, FailuresReportWhatStartUpMustSay) {
    driver().failOperation("NvAPI_Initialize", -6);
    InventoryResult init = buildInventory();
    EXPECT_EQ(init.failure, InventoryResult::DriverInit);
    EXPECT_EQ(init.status, -6);

    useCards({});
    InventoryResult none = buildInventory();
    EXPECT_EQ(none.failure, InventoryResult::DriverInit);
    EXPECT_EQ(none.status, NoGpuFound);

    useCards({"current"});
    driver().failOperation("NvAPI_GPU_GetFullName", -1);
    EXPECT_EQ(buildInventory().failure, InventoryResult::GpuName);

    useCards({"current"});
    driver().failOperation("NvAPI_GPU_GetPCIIdentifiers", -1);
    EXPECT_EQ(buildInventory().failure, InventoryResult::DeviceId);
}

TEST_F(InventoryBuilderTest, ComputeGpusFollowThePhysicalOnes) {
    useCards({"current", "cooler"});
    driver().editGpu(1, [](sim::SimGpu& gpu) { gpu.compute = true; });
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    EXPECT_EQ(inventory.count, 2);
    EXPECT_EQ(nameOf(1), u"GeForce GTX 1080");
}

TEST_F(InventoryBuilderTest, ProbesStructureVersionsNewestFirst) {
    useCards({"current", "legacy"});
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    const StructVersionTable& modern = inventory.slots[0].versions;
    EXPECT_EQ(modern.clockFrequencies, 0x30108u);
    EXPECT_EQ(modern.pstates20, 0x31CF8u);
    // The per-fan card has no older cooler interface: every word fails, the oldest stays.
    EXPECT_EQ(modern.coolerSettings, 0x10098u);
    EXPECT_EQ(modern.thermalPolicyLimit, 0x30548u);
    const StructVersionTable& old = inventory.slots[1].versions;
    EXPECT_EQ(old.clockFrequencies, 0x20108u);
    EXPECT_EQ(old.thermalSettings, 0x10044u);
    EXPECT_EQ(old.pstates20, 0x11C94u);
    EXPECT_EQ(old.powerPolicyInfo, 0x100B8u);
    EXPECT_EQ(old.powerPolicyStatus, 0x10048u);
    EXPECT_EQ(old.coolerSettings, 0x203C8u);
    EXPECT_EQ(old.memoryInfo, 0x10014u);
    // The legacy card has no thermal policy: every word fails and the oldest stays.
    EXPECT_EQ(old.thermalPolicyInfo, 0x10058u);
    EXPECT_EQ(old.thermalPolicyLimit, 0x10028u);
}

TEST_F(InventoryBuilderTest, FanInterfacesAndTheStoredCurve) {
    useCards({"current", "cooler", "legacy"});
    driver().editGpu(0, [](sim::SimGpu& gpu) {
        // 30.6 degrees and 29.6 % round up; the driver value is kept as is.
        gpu.defaultCurve[0].points[0] = {30 * 256 + 154, 19399, 901};
        gpu.curve = gpu.defaultCurve;
    });
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    const GpuSlot& current = inventory.slots[0];
    EXPECT_EQ(current.caps.NewFanInterface, 1);
    EXPECT_EQ(current.fanCount, 2);
    EXPECT_EQ(current.fanRpmAvailable, 1);
    EXPECT_EQ(current.caps.FanCurveCapable, 1);
    EXPECT_EQ(current.storedCurve.count, 2);
    EXPECT_EQ(current.storedCurve.points[0].temperature, 31);
    EXPECT_EQ(current.storedCurve.points[0].level, 30);
    EXPECT_EQ(current.storedCurve.points[0].driverValue, 901);
    EXPECT_EQ(current.storedCurve.points[2].temperature, 80);
    EXPECT_EQ(current.storedCurve.points[2].level, 85);
    // The curve editor's inner points start at the driver's temperatures.
    EXPECT_EQ(current.curveTemp[0], 31);
    EXPECT_EQ(current.curveTemp[1], 60);
    EXPECT_EQ(current.curveTemp[2], 80);

    const GpuSlot& cooler = inventory.slots[1];
    EXPECT_EQ(cooler.caps.NewFanInterface, 0);
    EXPECT_EQ(cooler.fanRpmAvailable, 1);  // version 4 carries the speed-reading byte
    EXPECT_EQ(cooler.caps.FanCurveCapable, 0);
    EXPECT_EQ(cooler.curveTemp[0], 40);  // no curve to read: the editor's own start
    EXPECT_EQ(cooler.curveTemp[2], 90);
    const GpuSlot& legacy = inventory.slots[2];
    EXPECT_EQ(legacy.fanRpmAvailable, 0);  // only older cooler versions answer
}

TEST_F(InventoryBuilderTest, PositionZeroIsTheGpuThatDrivesTheDisplay) {
    useCards({"current", "cooler"});
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.outputMask = 0; });
    driver().editGpu(1, [](sim::SimGpu& gpu) { gpu.outputMask = 1; });
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    struct Case {
        int selected;
        int index;
    } cases[] = {{0, 1}, {1, 0}, {2, 1}, {3, 1}};
    for (const Case& c : cases) {
        tuning.selectedGpu = c.selected;
        EXPECT_EQ(currentGpuIndex(), c.index) << c.selected;
    }
    tuning.selectedGpu = 0;
    driver().editGpu(1, [](sim::SimGpu& gpu) { gpu.outputMask = 0; });
    EXPECT_EQ(activeGpuIndex(), 0);  // no display anywhere
    tuning.selectedGpu = 1;
    EXPECT_EQ(activeGpuIndex(), 0);  // s - 1, as no GPU drives a display
}

TEST_F(InventoryBuilderTest, NegativeSelectionReachesStartUpAsMinusOne) {
    useCards({"current"});
    ASSERT_EQ(buildInventory().failure, InventoryResult::None);
    tuning.selectedGpu = -1;
    EXPECT_EQ(activeGpuIndex(), -1);  // start-up refuses this
    EXPECT_EQ(currentGpuIndex(), 0);  // never outside the slots
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.outputMask = 0; });
    EXPECT_EQ(activeGpuIndex(), -2);
    EXPECT_EQ(currentGpuIndex(), 0);
    driver().failOperation("GetActiveOutputMask", -1);
    EXPECT_EQ(activeGpuIndex(), 0);  // a driver error gives position 0 at once
}

}  // namespace
}  // namespace vt
