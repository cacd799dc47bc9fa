// Every operation of the driver layer against the simulated driver: what a
// Get reads back through the named fields, what a Set delivers to the
// "hardware", and the raw byte offsets both sides agree on.
#include <cstring>
#include <string>
#include <vector>

#include "driver/DriverApi.h"
#include "driver/DriverOperations.h"
#include "sim/SimModel.h"
#include "tests/unit/DriverTestSupport.h"

namespace vt {
namespace {

using sim::SimGpu;

template <class Structure>
std::int32_t word(const Structure& structure, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, structure.bytes() + offset, 4);
    return value;
}

class DriverApiTest : public test::InitializedDriverTest {
protected:
    void edit(int index, const std::function<void(SimGpu&)>& change) {
        simulator().editGpu(index, change);
        simulator().advance(100);  // the fans and clocks follow at the next model step
    }
};

// --- enumeration and identity -------------------------------------------------------

TEST_F(DriverApiTest, EnumerationListsPhysicalAndComputeGpusSeparately) {
    use("gpu = current\ngpu = cooler\ncompute = 1\ngpu = legacy\n");
    GpuHandleList handles{};
    std::uint32_t count = 0;
    ASSERT_EQ(DriverApi::enumPhysicalGpus(handles, count), DriverOk);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(handles[0], gpu(0));
    EXPECT_EQ(handles[1], gpu(2));

    GpuHandleList compute{};
    ASSERT_EQ(DriverApi::enumComputeGpus(compute, count), DriverOk);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(compute[0], gpu(1));
}

TEST_F(DriverApiTest, IdentityOfEachReadyCardModel) {
    struct Case {
        const char* model;
        const char* name;
        std::uint32_t deviceId;
    };
    const Case cases[] = {
        {"current", "NVIDIA GeForce RTX 3080", 0x220610DE},
        {"cooler", "NVIDIA GeForce GTX 1080", 0x1B8010DE},
        {"legacy", "NVIDIA GeForce GTX 680", 0x118010DE},
        {"unlisted", "NVIDIA GeForce GT 730", 0x128710DE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        use(std::string("gpu = ") + c.model + "\n");
        GpuFullName name;
        PciIdentifiers ids;
        std::uint32_t mask = 0;
        ASSERT_EQ(DriverApi::getFullName(gpu(), name), DriverOk);
        ASSERT_EQ(DriverApi::getPciIdentifiers(gpu(), ids), DriverOk);
        ASSERT_EQ(DriverApi::getActiveOutputMask(gpu(), mask), DriverOk);
        EXPECT_EQ(name.str(), c.name);
        EXPECT_EQ(ids.deviceId, c.deviceId);
        EXPECT_EQ(ids.deviceId & 0xFFFF, 0x10DEu);
        EXPECT_NE(mask, 0u);
    }
}

TEST_F(DriverApiTest, LongNameIsCutToSixtyThreeCharactersAndTerminated) {
    edit(0, [](SimGpu& gpu) { gpu.name = std::string(80, 'N'); });
    GpuFullName name;
    std::memset(name.text, 'x', sizeof name.text);
    ASSERT_EQ(DriverApi::getFullName(gpu(), name), DriverOk);
    EXPECT_EQ(name.str(), std::string(63, 'N'));
}

TEST_F(DriverApiTest, MemoryAndChipsetAnswerTheirNewestVersionAndRefuseUnknownWords) {
    MemoryInfo memory;
    ChipsetInfo chipset;
    EXPECT_EQ(DriverApi::getMemoryInfo(gpu(), memory), DriverOk);
    EXPECT_EQ(DriverApi::getChipsetInfo(chipset), DriverOk);
    MemoryInfo unknownMemory(0x40020);
    ChipsetInfo unknownChipset(0x500E8);
    EXPECT_EQ(DriverApi::getMemoryInfo(gpu(), unknownMemory), -9);
    EXPECT_EQ(DriverApi::getChipsetInfo(unknownChipset), -9);
}

// --- clocks, temperature ----------------------------------------------------------------

TEST_F(DriverApiTest, ClockFrequenciesByClockTypeAtTheirOffsets) {
    struct Case {
        ClockType type;
        int load;
        std::uint32_t graphics;
        std::uint32_t memory;
    };
    // Current clocks follow the P-state the load puts the card in; base and
    // boost clocks follow the offset (+100 MHz, +500 MHz memory).
    const Case cases[] = {
        {ClockType::Current, 0, 210000, 405000},
        {ClockType::Current, 60, 1810000, 10001000},
        {ClockType::Base, 0, 1540000, 10001000},
        {ClockType::Boost, 0, 1810000, 10001000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        edit(0, [&](SimGpu& gpu) {
            gpu.fixedLoad = c.load;
            gpu.graphicsDelta = 100000;
            gpu.memoryDelta = 500000;
            gpu.temperature = 40;
        });
        ClockFrequencies clocks(ClockFrequencies::Versions[0], c.type);
        ASSERT_EQ(DriverApi::getAllClockFrequencies(gpu(), clocks), DriverOk);
        EXPECT_EQ(word(clocks, 4) & 0xF, static_cast<int>(c.type));
        EXPECT_TRUE(clocks.domainPresent(ClockFrequencies::GraphicsDomain));
        EXPECT_TRUE(clocks.domainPresent(ClockFrequencies::MemoryDomain));
        EXPECT_EQ(clocks.graphicsKHz(), c.graphics);
        EXPECT_EQ(clocks.memoryKHz(), c.memory);
        EXPECT_EQ(word(clocks, 12), std::int32_t(c.graphics));
        EXPECT_EQ(word(clocks, 44), std::int32_t(c.memory));
    }
}

TEST_F(DriverApiTest, ClockVersionsAreAcceptedAsTheCardsDriverDoes) {
    use("gpu = legacy\n");
    struct Case {
        std::uint32_t version;
        DriverStatus status;
    };
    for (const Case& c : {Case{0x30108, -9}, Case{0x20108, 0}, Case{0x10108, 0}}) {
        ClockFrequencies clocks(c.version, ClockType::Base);
        EXPECT_EQ(DriverApi::getAllClockFrequencies(gpu(), clocks), c.status) << std::hex << c.version;
    }
}

TEST_F(DriverApiTest, ThermalSettingsReportSensorZeroInWholeDegreesAtOffsetTwenty) {
    edit(0, [](SimGpu& gpu) {
        gpu.fixedLoad = 0;
        gpu.temperature = 57.2;
    });
    ThermalSettings thermal;
    ASSERT_EQ(DriverApi::getThermalSettings(gpu(), 0, thermal), DriverOk);
    EXPECT_EQ(thermal.sensorCount(), 1u);
    EXPECT_NEAR(thermal.sensor0Temperature(), 57, 1);
    EXPECT_EQ(word(thermal, 20), thermal.sensor0Temperature());
    EXPECT_EQ(DriverApi::getThermalSettings(gpu(), 3, thermal), -5);
}

// --- P-states -------------------------------------------------------------------------------

TEST_F(DriverApiTest, Pstates20ReadsTheClockAndVoltageEntriesOfPstateZero) {
    edit(0, [](SimGpu& gpu) {
        gpu.graphicsDelta = 75000;
        gpu.memoryDelta = -20000;
        gpu.voltageDelta = 12500;
    });
    Pstates20 table;
    table.selectClock(Pstates20::GraphicsDomain);
    ASSERT_EQ(DriverApi::getPstates20(gpu(), table), DriverOk);
    EXPECT_EQ(table.pstateCount(), 5u);
    EXPECT_EQ(table.lastPstateId(), 8);
    EXPECT_EQ(table.clockDomain(0, 0), 0u);
    EXPECT_EQ(table.clockDomain(0, 1), 4u);

    struct Field {
        const char* name;
        std::int32_t read;
        std::size_t offset;
        std::int32_t expected;
    };
    const Field fields[] = {
        {"graphics delta", table.graphicsDelta(), 40, 75000},
        {"graphics min", table.graphicsDeltaMin(), 44, -1000000},
        {"graphics max", table.graphicsDeltaMax(), 48, 1500000},
        {"memory delta", table.memoryDelta(), 84, -20000},
        {"memory min", table.memoryDeltaMin(), 88, -1000000},
        {"memory max", table.memoryDeltaMax(), 92, 3000000},
        {"voltage delta", table.coreVoltageDelta(), 7332, 12500},
        {"voltage min", table.coreVoltageDeltaMin(), 7336, 0},
        {"voltage max", table.coreVoltageDeltaMax(), 7340, 100000},
    };
    for (const Field& field : fields) {
        SCOPED_TRACE(field.name);
        EXPECT_EQ(field.read, field.expected);
        EXPECT_EQ(word(table, field.offset), field.expected);
    }
}

TEST_F(DriverApiTest, VersionOnePstateTableHasNoVoltageEntries) {
    use("gpu = legacy\n");
    Pstates20 newest;
    EXPECT_EQ(DriverApi::getPstates20(gpu(), newest), -9);
    Pstates20 table(0x11C94);
    ASSERT_EQ(DriverApi::getPstates20(gpu(), table), DriverOk);
    EXPECT_EQ(table.lastPstateId(), 8);
    EXPECT_EQ(table.graphicsDeltaMax(), 135000);
    EXPECT_EQ(table.voltageCount(), 0u);
}

TEST_F(DriverApiTest, SetPstates20DeliversEachDeltaToTheHardware) {
    struct Case {
        const char* name;
        std::function<void(Pstates20&)> request;
        DriverStatus status;
        std::int32_t graphics, memory, voltage;
    };
    const Case cases[] = {
        {"graphics", [](Pstates20& p) { p.requestClockDelta(Pstates20::GraphicsDomain, 50000); }, 0, 50000, 0, 0},
        {"memory", [](Pstates20& p) { p.requestClockDelta(Pstates20::MemoryDomain, -500000); }, 0, 0, -500000, 0},
        {"voltage", [](Pstates20& p) { p.requestCoreVoltageDelta(25000); }, 0, 0, 0, 25000},
        {"graphics above the range", [](Pstates20& p) { p.requestClockDelta(0, 1500001); }, -5, 0, 0, 0},
        {"memory below the range", [](Pstates20& p) { p.requestClockDelta(4, -1000001); }, -5, 0, 0, 0},
        {"voltage above the range", [](Pstates20& p) { p.requestCoreVoltageDelta(100001); }, -5, 0, 0, 0},
        {"unknown domain", [](Pstates20& p) { p.requestClockDelta(7, 1000); }, -5, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit(0, [](SimGpu& gpu) { gpu.graphicsDelta = gpu.memoryDelta = gpu.voltageDelta = 0; });
        Pstates20 request;
        c.request(request);
        EXPECT_EQ(DriverApi::setPstates20(gpu(), request), c.status);
        const SimGpu state = simulator().gpu(0);
        EXPECT_EQ(state.graphicsDelta, c.graphics);
        EXPECT_EQ(state.memoryDelta, c.memory);
        EXPECT_EQ(state.voltageDelta, c.voltage);
    }
    EXPECT_EQ(simulator().calls("SetPstates20").front().text(),
              "SetPstates20 gpu=0 status=0 version=0x31cf8 pstate=0 domain=0 delta=50000");
}

TEST_F(DriverApiTest, PstateRequestsWriteTheirFieldsAtTheDocumentedOffsets) {
    Pstates20 clock;
    clock.requestClockDelta(Pstates20::MemoryDomain, -123000);
    for (auto [offset, value] : {std::pair{8, 1}, {12, 1}, {16, 0}, {20, 0}, {28, 4}, {40, -123000}}) {
        EXPECT_EQ(word(clock, std::size_t(offset)), value) << "+" << offset;
    }
    Pstates20 voltage;
    voltage.requestCoreVoltageDelta(30000);
    for (auto [offset, value] : {std::pair{8, 0}, {12, 0}, {16, 0}, {7316, 1}, {7320, 0}, {7332, 30000}}) {
        EXPECT_EQ(word(voltage, std::size_t(offset)), value) << "+" << offset;
    }
    EXPECT_EQ(word(voltage, 0), 0x31CF8);
}

TEST_F(DriverApiTest, ForcedPstateAndItsRelease) {
    edit(0, [](SimGpu& gpu) { gpu.fixedLoad = 90; });
    std::uint32_t pstate = 99;
    ASSERT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), DriverOk);
    EXPECT_EQ(pstate, 0u);

    EXPECT_EQ(DriverApi::enableDynamicPstates(gpu(), 0), DriverOk);
    EXPECT_EQ(DriverApi::setPstateClientLimit(gpu(), PstateClientLimitKind, 2), DriverOk);
    ASSERT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), DriverOk);
    EXPECT_EQ(pstate, 2u);
    EXPECT_FALSE(simulator().gpu(0).dynamicPstates);

    EXPECT_EQ(DriverApi::setPstateClientLimit(gpu(), PstateClientLimitKind, 9), -5);  // above the last listed
    EXPECT_EQ(DriverApi::setPstateClientLimit(gpu(), 1, 0), -5);
    EXPECT_EQ(DriverApi::enableDynamicPstates(gpu(), 2), -5);

    EXPECT_EQ(DriverApi::enableDynamicPstates(gpu(), 1), DriverOk);
    EXPECT_EQ(DriverApi::setPstateClientLimit(gpu(), PstateClientLimitKind, 0), DriverOk);
    ASSERT_EQ(DriverApi::getCurrentPstate(gpu(), pstate), DriverOk);
    EXPECT_EQ(pstate, 0u);
}

// --- power and thermal policies --------------------------------------------------------------

TEST_F(DriverApiTest, PowerPolicyRangeAndLimitReadBackAndSetWithinTheRange) {
    PowerPolicyInfo info;
    PowerPolicyStatus status;
    ASSERT_EQ(DriverApi::getPowerPolicyInfo(gpu(), info), DriverOk);
    ASSERT_EQ(DriverApi::getPowerPolicyStatus(gpu(), status), DriverOk);
    EXPECT_EQ(word(info, 24), 30000);
    EXPECT_EQ(word(info, 48), 115000);
    EXPECT_EQ(info.minimumLimit(), 30000u);
    EXPECT_EQ(info.maximumLimit(), 115000u);
    EXPECT_EQ(status.currentLimit(), 100000u);

    PowerPolicyStatus request;
    request.requestLimit(90000);
    EXPECT_EQ(request.entryCount(), 1);
    EXPECT_EQ(word(request, 8), 0);
    EXPECT_EQ(word(request, 16) & 1, 0);
    EXPECT_EQ(word(request, 20), 90000);
    ASSERT_EQ(DriverApi::setPowerPolicyStatus(gpu(), request), DriverOk);
    EXPECT_EQ(simulator().gpu(0).powerLimit, 90000u);

    request.requestLimit(116000);
    EXPECT_EQ(DriverApi::setPowerPolicyStatus(gpu(), request), -5);
    EXPECT_EQ(simulator().gpu(0).powerLimit, 90000u);

    // The older status version sets the limit too.
    PowerPolicyStatus older(0x10048);
    older.requestLimit(110000);
    EXPECT_EQ(DriverApi::setPowerPolicyStatus(gpu(), older), DriverOk);
    EXPECT_EQ(simulator().gpu(0).powerLimit, 110000u);
}

TEST_F(DriverApiTest, ThermalPolicyInfoAndLimitAtTheirOffsets) {
    ThermalPolicyInfo info;
    ASSERT_EQ(DriverApi::getThermalPolicyInfo(gpu(), info), DriverOk);
    EXPECT_TRUE(info.valid());
    EXPECT_EQ(info.count(), 1);
    EXPECT_EQ(info.controller(), 1u);
    EXPECT_EQ(word(info, 20), 65 * 256);
    EXPECT_EQ(word(info, 24), 83 * 256);
    EXPECT_EQ(word(info, 28), 91 * 256);

    ThermalPolicyLimit limit;
    limit.selectPolicyOf(info);
    ASSERT_EQ(DriverApi::getThermalPolicyLimit(gpu(), limit), DriverOk);
    EXPECT_EQ(limit.currentLimit(), 83 * 256);
    EXPECT_EQ(word(limit, 16), 83 * 256);

    ThermalPolicyLimit request;
    request.requestLimit(75 * 256);
    EXPECT_EQ(request.count(), 1);
    EXPECT_EQ(word(request, 8), 1);
    ASSERT_EQ(DriverApi::setThermalPolicyLimit(gpu(), request), DriverOk);
    EXPECT_EQ(simulator().gpu(0).thermalLimit, 75 * 256);

    request.requestLimit(92 * 256);
    EXPECT_EQ(DriverApi::setThermalPolicyLimit(gpu(), request), -5);
    ThermalPolicyLimit unnamed;  // no count, no controller
    EXPECT_EQ(DriverApi::getThermalPolicyLimit(gpu(), unnamed), -5);
}

// Each version word of the four policy structures has its own layout; the
// offsets here are the drivers', written out independently of the code's
// tables. A value planted at a word's offsets reads back through the
// accessors, and a request writes at that word's offsets only.
TEST(PolicyLayouts, EachVersionWordIsReadAndWrittenAtItsOwnOffsets) {
    auto plant = [](auto& structure, std::size_t offset, std::uint32_t value) {
        std::memcpy(static_cast<std::uint8_t*>(structure.data()) + offset, &value, 4);
    };
    struct PowerInfoCase {
        std::uint32_t version;
        std::size_t minimum, maximum;
    } powerInfo[] = {{0x208C8, 24, 48}, {0x100B8, 20, 44}};
    for (const auto& c : powerInfo) {
        PowerPolicyInfo info(c.version);
        plant(info, c.minimum, 50000);
        plant(info, c.maximum, 120000);
        EXPECT_EQ(info.minimumLimit(), 50000u) << std::hex << c.version;
        EXPECT_EQ(info.maximumLimit(), 120000u) << std::hex << c.version;
    }

    struct PowerStatusCase {
        std::uint32_t version;
        std::size_t limit;
        std::int32_t countWord;  // the word at +4 after a request: one byte or the whole word
        bool flagWord;
    } powerStatus[] = {{0x20558, 20, 1, true}, {0x10048, 16, 1, false}};
    for (const auto& c : powerStatus) {
        PowerPolicyStatus status(c.version);
        plant(status, c.limit, 95000);
        EXPECT_EQ(status.currentLimit(), 95000u) << std::hex << c.version;
        PowerPolicyStatus request(c.version);
        if (c.flagWord) plant(request, 16, 0xFF);
        request.requestLimit(87000);
        EXPECT_EQ(word(request, 4), c.countWord);
        EXPECT_EQ(word(request, 8), 0);
        EXPECT_EQ(word(request, c.limit), 87000) << std::hex << c.version;
        if (c.flagWord) {
            EXPECT_EQ(word(request, 16), 0xFE);  // bit 0 cleared, the rest kept
        }
        // Nothing lands where another version keeps the limit.
        EXPECT_EQ(word(request, c.limit == 16 ? 20 : 16), c.flagWord ? 0xFE : 0);
    }

    struct ThermalInfoCase {
        std::uint32_t version;
        std::size_t countAt, minimum, defaultLimit, maximum;
        bool validBit;
    } thermalInfo[] = {{0x30578, 5, 20, 24, 28, true}, {0x20068, 4, 16, 20, 24, false}};
    for (const auto& c : thermalInfo) {
        ThermalPolicyInfo info(c.version);
        static_cast<std::uint8_t*>(info.data())[c.countAt] = 1;
        if (c.validBit) static_cast<std::uint8_t*>(info.data())[4] |= 1;
        plant(info, 8, 1);
        plant(info, c.minimum, 60 * 256);
        plant(info, c.defaultLimit, 83 * 256);
        plant(info, c.maximum, 90 * 256);
        EXPECT_TRUE(info.valid()) << std::hex << c.version;
        EXPECT_EQ(info.count(), 1);
        EXPECT_EQ(info.controller(), 1u);
        EXPECT_EQ(info.minimumLimit(), 60 * 256) << std::hex << c.version;
        EXPECT_EQ(info.defaultLimit(), 83 * 256) << std::hex << c.version;
        EXPECT_EQ(info.maximumLimit(), 90 * 256) << std::hex << c.version;
    }
    ThermalPolicyInfo noEntries(0x20068);  // the older word is valid only with an entry
    EXPECT_FALSE(noEntries.valid());

    struct ThermalLimitCase {
        std::uint32_t version;
        std::size_t limit;
    } thermalLimit[] = {{0x30548, 16}, {0x20038, 12}};
    for (const auto& c : thermalLimit) {
        ThermalPolicyLimit limit(c.version);
        plant(limit, c.limit, 77 * 256);
        EXPECT_EQ(limit.currentLimit(), 77 * 256) << std::hex << c.version;
        ThermalPolicyLimit request(c.version);
        request.requestLimit(72 * 256);
        EXPECT_EQ(word(request, 4), 1);
        EXPECT_EQ(word(request, 8), 1);
        EXPECT_EQ(word(request, c.limit), 72 * 256) << std::hex << c.version;
        EXPECT_EQ(word(request, c.limit == 12 ? 16 : 12), 0);
    }
}

// A card whose driver speaks only the older words: ranges, present values
// and writes all reach the card at those words' own offsets.
TEST_F(DriverApiTest, OlderPolicyWordsReachTheCardWithTheRightValues) {
    use("gpu = current\nversions.GetPowerPolicyInfo = 0x100B8\nversions.GetPowerPolicyStatus = 0x10048\n"
        "versions.GetThermalPolicyInfo = 0x20068\nversions.GetThermalPolicyLimit = 0x20038\n");
    for (std::uint32_t newest : {0x208C8u}) {
        PowerPolicyInfo refused(newest);
        EXPECT_EQ(DriverApi::getPowerPolicyInfo(gpu(), refused), -9);
    }
    PowerPolicyInfo info(0x100B8);
    ASSERT_EQ(DriverApi::getPowerPolicyInfo(gpu(), info), DriverOk);
    EXPECT_EQ(info.minimumLimit(), 30000u);
    EXPECT_EQ(info.maximumLimit(), 115000u);
    PowerPolicyStatus status(0x10048);
    ASSERT_EQ(DriverApi::getPowerPolicyStatus(gpu(), status), DriverOk);
    EXPECT_EQ(status.currentLimit(), 100000u);
    PowerPolicyStatus request(0x10048);
    request.requestLimit(110000);
    ASSERT_EQ(DriverApi::setPowerPolicyStatus(gpu(), request), DriverOk);
    EXPECT_EQ(simulator().gpu(0).powerLimit, 110000u);

    ThermalPolicyInfo thermal(0x20068);
    ASSERT_EQ(DriverApi::getThermalPolicyInfo(gpu(), thermal), DriverOk);
    EXPECT_TRUE(thermal.valid());
    EXPECT_EQ(thermal.minimumLimit(), 65 * 256);
    EXPECT_EQ(thermal.defaultLimit(), 83 * 256);
    EXPECT_EQ(thermal.maximumLimit(), 91 * 256);
    ThermalPolicyLimit limit(0x20038);
    limit.selectPolicyOf(thermal);
    ASSERT_EQ(DriverApi::getThermalPolicyLimit(gpu(), limit), DriverOk);
    EXPECT_EQ(limit.currentLimit(), 83 * 256);
    ThermalPolicyLimit set(0x20038);
    set.requestLimit(75 * 256);
    ASSERT_EQ(DriverApi::setThermalPolicyLimit(gpu(), set), DriverOk);
    EXPECT_EQ(simulator().gpu(0).thermalLimit, 75 * 256);
}

TEST_F(DriverApiTest, CardsWithoutPoliciesSayNotSupported) {
    use("gpu = unlisted\n");
    PowerPolicyInfo power;
    ThermalPolicyInfo thermal;
    EXPECT_EQ(DriverApi::getPowerPolicyInfo(gpu(), power), -104);
    EXPECT_EQ(DriverApi::getThermalPolicyInfo(gpu(), thermal), -104);

    use("gpu = current\nthermal = invalid\n");
    ASSERT_EQ(DriverApi::getThermalPolicyInfo(gpu(), thermal), DriverOk);
    EXPECT_FALSE(thermal.valid());
}

// --- fans -------------------------------------------------------------------------------------

TEST_F(DriverApiTest, CoolerSettingsReadCoolerZeroAndTheRpmByteOfVersionsFourAndThree) {
    use("gpu = cooler\ntemperature = 30\nload = 0\n");
    struct Case {
        std::uint32_t version;
        std::int32_t rpm;
        std::uint8_t rpmAvailable;
    };
    for (const Case& c : {Case{0x40558, 800, 1}, Case{0x30508, 800, 1}, Case{0x203C8, 0, 0}, Case{0x10098, 0, 0}}) {
        SCOPED_TRACE(std::to_string(c.version));
        CoolerSettings settings(c.version);
        ASSERT_EQ(DriverApi::getCoolerSettings(gpu(), 0, settings), DriverOk);
        EXPECT_EQ(settings.currentMinimum(), 20);
        EXPECT_EQ(settings.currentMaximum(), 100);
        EXPECT_EQ(settings.currentLevel(), 20);
        EXPECT_NE(settings.currentPolicy(), CoolerSettings::PolicyManual);
        EXPECT_EQ(settings.rpm(), c.rpm);
        EXPECT_EQ(settings.rpmAvailable(), c.rpmAvailable);
        EXPECT_EQ(word(settings, 24), 20);
        EXPECT_EQ(word(settings, 28), 100);
    }
}

TEST_F(DriverApiTest, CoolerLevelsSetTheFanAndTheLegacyCardTakesOnlyTheShortVersion) {
    use("gpu = cooler\n");
    CoolerLevels request;
    request.request(55, CoolerSettings::PolicyManual);
    EXPECT_EQ(word(request, 4), 55);
    EXPECT_EQ(word(request, 8), 1);
    ASSERT_EQ(DriverApi::setCoolerLevels(gpu(), 0, request), DriverOk);
    CoolerSettings settings;
    ASSERT_EQ(DriverApi::getCoolerSettings(gpu(), 0, settings), DriverOk);
    EXPECT_EQ(settings.currentLevel(), 55);
    EXPECT_EQ(settings.currentPolicy(), CoolerSettings::PolicyManual);
    EXPECT_EQ(settings.rpm(), 2200);

    ASSERT_EQ(DriverApi::restoreCoolerSettings(gpu(), nullptr, 0), DriverOk);
    EXPECT_FALSE(simulator().gpu(0).fans[0].manual);

    request.request(101, CoolerSettings::PolicyManual);
    EXPECT_EQ(DriverApi::setCoolerLevels(gpu(), 0, request), -5);

    use("gpu = legacy\n");
    CoolerLevels longForm(0x100A4), shortForm(0x1001C);
    longForm.request(70, CoolerSettings::PolicyManual);
    shortForm.request(70, CoolerSettings::PolicyManual);
    EXPECT_EQ(DriverApi::setCoolerLevels(gpu(), 0, longForm), -9);
    EXPECT_EQ(DriverApi::setCoolerLevels(gpu(), 0, shortForm), DriverOk);
    EXPECT_EQ(simulator().gpu(0).fans[0].manualLevel, 70);
}

TEST_F(DriverApiTest, FanCoolerStatusReadsBothFansEntries) {
    edit(0, [](SimGpu& gpu) {
        gpu.fans[0].manual = true;
        gpu.fans[0].manualLevel = 40;
        gpu.fans[1].manual = true;
        gpu.fans[1].manualLevel = 70;
    });
    FanCoolerStatus status;
    ASSERT_EQ(DriverApi::getFanCoolerStatus(gpu(), status), DriverOk);
    ASSERT_EQ(status.fanCount(), 2);
    const std::int32_t expected[2][5] = {{1, 1200, 30, 100, 40}, {2, 2170, 30, 100, 70}};
    for (std::size_t fan = 0; fan < 2; ++fan) {
        SCOPED_TRACE(fan);
        EXPECT_EQ(std::int32_t(status.coolerId(fan)), expected[fan][0]);
        EXPECT_EQ(status.rpm(fan), expected[fan][1]);
        EXPECT_EQ(status.minimum(fan), expected[fan][2]);
        EXPECT_EQ(status.maximum(fan), expected[fan][3]);
        EXPECT_EQ(status.level(fan), expected[fan][4]);
        for (std::size_t field = 0; field < 5; ++field) {
            EXPECT_EQ(word(status, 40 + 52 * fan + 4 * field), expected[fan][field]);
        }
    }
    CoolerSettings oldInterface;
    EXPECT_EQ(DriverApi::getCoolerSettings(gpu(), 0, oldInterface), -104);
}

TEST_F(DriverApiTest, FanCoolerControlSetsManualFansAndHandsOthersBack) {
    FanCoolerControl request;
    request.setFanCount(2);
    request.setFan(0, 1, 65, true);
    request.setFan(1, 2, 0, false);
    EXPECT_EQ(request.fanCount(), 2);
    EXPECT_EQ(request.bytes()[8], 2);
    for (auto [offset, value] : {std::pair{44, 1}, {48, 65}, {52, 1}, {88, 2}, {92, 0}, {96, 0}}) {
        EXPECT_EQ(word(request, std::size_t(offset)), value) << "+" << offset;
    }
    ASSERT_EQ(DriverApi::setFanCoolerControl(gpu(), request), DriverOk);
    SimGpu state = simulator().gpu(0);
    EXPECT_TRUE(state.fans[0].manual);
    EXPECT_EQ(state.fans[0].manualLevel, 65);
    EXPECT_FALSE(state.fans[1].manual);

    // An empty entry (cooler id 0) leaves its fan alone; a level below the minimum is refused.
    FanCoolerControl second;
    second.setFanCount(2);
    second.setFan(0, 0, 0, false);
    second.setFan(1, 2, 20, true);
    EXPECT_EQ(DriverApi::setFanCoolerControl(gpu(), second), -5);
    second.setFan(1, 2, 80, true);
    ASSERT_EQ(DriverApi::setFanCoolerControl(gpu(), second), DriverOk);
    state = simulator().gpu(0);
    EXPECT_EQ(state.fans[0].manualLevel, 65);
    EXPECT_TRUE(state.fans[1].manual);
    EXPECT_EQ(state.fans[1].manualLevel, 80);

    FanCoolerControl tooMany;
    tooMany.setFanCount(3);
    EXPECT_EQ(DriverApi::setFanCoolerControl(gpu(), tooMany), -5);
}

TEST_F(DriverApiTest, FanCurveReadsTheCurrentOrTheDriversOwnCurveAndSetsEntries) {
    FanCurveInfo info;
    EXPECT_EQ(DriverApi::getFanCurveInfo(gpu(), info), DriverOk);

    FanCurve request;
    request.setEntryCount(2);
    for (std::uint8_t e = 0; e < 2; ++e) {
        request.setEntryIndex(e, e);
        request.setPoint(e, 0, {35 * 256, 60 * 65536 / 100, 1800});
        request.setPoint(e, 1, {60 * 256, 85 * 65536 / 100, 2550});
        request.setPoint(e, 2, {75 * 256, 95 * 65536 / 100, 2850});
    }
    EXPECT_EQ(word(request, 4) & 0xFF, 2);
    EXPECT_EQ(word(request, 24), 35 * 256);
    EXPECT_EQ(word(request, 28), 39321);
    EXPECT_EQ(word(request, 32), 1800);
    EXPECT_EQ(request.entryIndex(1), 1);
    EXPECT_EQ(request.bytes()[72], 1);
    EXPECT_EQ(word(request, 76), 35 * 256);
    ASSERT_EQ(DriverApi::setFanCurve(gpu(), request), DriverOk);

    FanCurve current;
    ASSERT_EQ(DriverApi::getFanCurve(gpu(), current), DriverOk);
    EXPECT_EQ(current.entryCount(), 2);
    EXPECT_EQ(current.point(1, 2), (FanCurve::Point{75 * 256, 95 * 65536 / 100, 2850}));

    FanCurve defaults;
    defaults.setRequestDefault(true);
    EXPECT_EQ(word(defaults, 216) & 1, 1);
    ASSERT_EQ(DriverApi::getFanCurve(gpu(), defaults), DriverOk);
    EXPECT_EQ(defaults.point(0, 0), (FanCurve::Point{30 * 256, 30 * 65536 / 100, 900}));
    EXPECT_EQ(defaults.point(0, 2), (FanCurve::Point{80 * 256, 85 * 65536 / 100, 2550}));

    request.setPoint(0, 1, {20 * 256, 50 * 65536 / 100, 0});  // colder than the point before it
    EXPECT_EQ(DriverApi::setFanCurve(gpu(), request), -5);
}

TEST_F(DriverApiTest, CardsWithoutTheNewerFanInterfaceOrCurveSayNotSupported) {
    use("gpu = cooler\n");
    FanCoolerStatus status;
    FanCoolerControl control;
    FanCurveInfo info;
    FanCurve curve;
    EXPECT_EQ(DriverApi::getFanCoolerStatus(gpu(), status), -104);
    EXPECT_EQ(DriverApi::setFanCoolerControl(gpu(), control), -104);
    EXPECT_EQ(DriverApi::getFanCurveInfo(gpu(), info), -104);
    EXPECT_EQ(DriverApi::getFanCurve(gpu(), curve), -104);
}

// --- driver settings store ----------------------------------------------------------------------

TEST_F(DriverApiTest, FrameRateLimiterIsSetSavedReadAndRestored) {
    DrsSession session = nullptr;
    DrsProfile profile = nullptr;
    ASSERT_EQ(DriverApi::drsCreateSession(session), DriverOk);
    ASSERT_EQ(DriverApi::drsLoadSettings(session), DriverOk);
    ASSERT_EQ(DriverApi::drsGetBaseProfile(session, profile), DriverOk);

    DrsSetting read;
    EXPECT_EQ(DriverApi::drsGetSetting(session, profile, FrameRateLimiterSetting, read), -160);

    DrsSetting setting;
    setting.requestDword(FrameRateLimiterSetting, 60);
    EXPECT_EQ(word(setting, 4100), std::int32_t(0x10835002));
    EXPECT_EQ(word(setting, 4104), 0);
    EXPECT_EQ(word(setting, 8220), 60);
    ASSERT_EQ(DriverApi::drsSetSetting(session, profile, setting), DriverOk);
    EXPECT_FALSE(simulator().savedSetting(FrameRateLimiterSetting).has_value());
    ASSERT_EQ(DriverApi::drsSaveSettings(session), DriverOk);
    EXPECT_EQ(simulator().savedSetting(FrameRateLimiterSetting), 60u);

    ASSERT_EQ(DriverApi::drsGetSetting(session, profile, FrameRateLimiterSetting, read), DriverOk);
    EXPECT_EQ(read.currentValue(), 60u);
    EXPECT_EQ(read.settingId(), FrameRateLimiterSetting);

    ASSERT_EQ(DriverApi::drsRestoreProfileDefaultSetting(session, profile, FrameRateLimiterSetting), DriverOk);
    ASSERT_EQ(DriverApi::drsSaveSettings(session), DriverOk);
    EXPECT_FALSE(simulator().savedSetting(FrameRateLimiterSetting).has_value());
    EXPECT_EQ(DriverApi::drsDestroySession(session), DriverOk);
    EXPECT_EQ(DriverApi::drsDestroySession(session), -8);
    EXPECT_EQ(simulator().openSessions(), 0);
}

}  // namespace
}  // namespace vt
