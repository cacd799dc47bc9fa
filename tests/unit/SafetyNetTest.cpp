// The marker's life on every road that writes tuning values, the proving
// period, the last proven settings, and the held fans the guard reads.
#include "gpu/SafetyNet.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/PanelEdit.h"
#include "gpu/Apply.h"
#include "gpu/CurrentProfile.h"
#include "gpu/Monitor.h"
#include "gpu/ProfileApplication.h"
#include "gpu/Reset.h"
#include "settings/SafetyFiles.h"
#include "settings/SettingsHistory.h"
#include "state/AdvancedPage.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

constexpr const char* Loadable =
    "DeviceID = 1b8010de\nGPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 12000.000\nMEM_OFFSET = 0.000\n"
    "POWER_TARGET = 105000.000\nTEMP_TARGET = 83.000\nFPS_TARGET = -100\nFAN_SPEED = -100\nFAN_LEVEL = 0\n"
    "FAN_CURVE = 0\nPSTATE = -1\nSLI-SYNC = 1\nVer = 2.10\n";

bool isWrite(std::string_view op) {
    return op.starts_with("Set") || op == "EnableDynamicPstates" || op == "RestoreCoolerSettings" ||
           op == "NvAPI_DRS_SetSetting" || op == "NvAPI_DRS_RestoreProfileDefaultSetting";
}

class SafetyNetTest : public test::GpuTest {
protected:
    SafetyNetTest() {
        useCards({"cooler"});
        startUp();
        monitoringPass();  // the monitoring thread's session is open from its start
        std::filesystem::create_directories("profile");
        fake.instantSleep = true;
    }
    ~SafetyNetTest() override { driver().observeCalls(nullptr); }

    // Whether the marker stood in the folder when the road's first write reached the driver.
    std::optional<bool> markerAtFirstWrite;
    void watchFirstWrite() {
        markerAtFirstWrite.reset();
        driver().observeCalls([this](std::string_view op) {
            if (!markerAtFirstWrite && isWrite(op)) markerAtFirstWrite = std::filesystem::exists("profile/pending");
        });
    }
    static std::string marker() { return test::readFile("profile/pending"); }
    // Time goes by in passes a second apart.
    void passFor(std::uint32_t milliseconds) {
        for (std::uint32_t waited = 0; waited < milliseconds; waited += 1000) {
            fake.sleep(1000);
            monitoringPass();
        }
    }
};

TEST_F(SafetyNetTest, EveryRoadLeavesTheMarkerBeforeItsFirstWrite) {
    test::writeFile("saved.cfg", Loadable);
    struct Road {
        const char* road;
        std::function<void()> run;
    } roads[] = {
        {"apply", [] { applyAdvancedPage(PowerPage, PageValues{0, 0, 110, 80}); }},
        {"preset", [] { applyEasyPreset(PresetEco); }},
        {"load", [] { applyProfileFile("saved.cfg"); }},
        {"history", [] { applyHistoryRecord(historyPath(), 1); }},
        {"startup", [] { applyStartupProfileNow(); }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.road);
        removePendingMarker();
        finishHistoryWriter();
        watchFirstWrite();
        road.run();
        finishApplySettle();
        ASSERT_TRUE(markerAtFirstWrite.has_value());
        EXPECT_TRUE(*markerAtFirstWrite);
        EXPECT_EQ(marker(), test::textFile(std::string("ROAD = ") + road.road + "\nTIME = 2026/12/08 09:05:07\n"));
    }
}

TEST_F(SafetyNetTest, SettingsProveThemselvesAfterThirtySecondsOfAnsweredPasses) {
    applyAdvancedPage(PowerPage, PageValues{0, 0, 110, 80});
    ASSERT_TRUE(provingOpen());
    monitoringPass();  // still settling: the gate keeps the pass away, nothing counts
    finishApplySettle();
    monitoringPass();  // the first answered pass after the settle starts the period
    passFor(29000);
    EXPECT_TRUE(std::filesystem::exists("profile/pending"));  // a run cut short now leaves it
    EXPECT_FALSE(std::filesystem::exists("profile/lastgood.cfg"));
    passFor(1000);
    EXPECT_FALSE(std::filesystem::exists("profile/pending"));
    EXPECT_FALSE(provingOpen());
    writeCurrentProfileFile("now.cfg");
    EXPECT_EQ(test::readFile("profile/lastgood.cfg"), test::readFile("now.cfg"));
    EXPECT_NE(test::readFile("now.cfg").find("POWER_TARGET = 110000.000"), std::string::npos);
}

TEST_F(SafetyNetTest, APassTheDriverDoesNotAnswerStartsThePeriodOver) {
    applyEasyPreset(PresetEco);
    finishApplySettle();
    monitoringPass();
    passFor(20000);
    driver().failOperation("NvAPI_GPU_GetAllClockFrequencies", -3);
    driver().failOperation("NvAPI_GPU_GetThermalSettings", -3);
    passFor(15000);
    driver().clearFailures();
    monitoringPass();  // answered again: the period starts here
    passFor(29000);
    EXPECT_TRUE(std::filesystem::exists("profile/pending"));
    passFor(1000);
    EXPECT_FALSE(std::filesystem::exists("profile/pending"));
}

TEST_F(SafetyNetTest, ANewRoadWhileProvingStartsItsOwnPeriod) {
    applyEasyPreset(PresetEco);
    finishApplySettle();
    monitoringPass();
    passFor(25000);
    finishHistoryWriter();
    applyEasyPreset(PresetHighPerformance);
    finishApplySettle();
    monitoringPass();
    passFor(10000);
    EXPECT_EQ(marker(), test::textFile("ROAD = preset\nTIME = 2026/12/08 09:05:07\n"));
    passFor(20000);
    EXPECT_FALSE(std::filesystem::exists("profile/pending"));
}

TEST_F(SafetyNetTest, TheCleanEndTakesTheMarkerWhateverTheProvingState) {
    applyEasyPreset(PresetEco);
    finishApplySettle();
    EXPECT_TRUE(std::filesystem::exists("profile/pending"));
    endProving();
    EXPECT_FALSE(std::filesystem::exists("profile/pending"));
    EXPECT_FALSE(provingOpen());
    EXPECT_FALSE(std::filesystem::exists("profile/lastgood.cfg"));
}

TEST(StartDecision, EveryCombinationOfMarkerProfileAndLastGood) {
    const PendingMarker marker{"apply", "2026/12/08 21:14:03"};
    struct Case {
        bool marked, profile, lastGood;
        bool apply, safe, offerProfile, offerLastGood;
    } cases[] = {
        {false, true, true, true, false, false, false},   {false, false, true, true, false, false, false},
        {true, true, true, false, true, true, true},      {true, true, false, false, true, true, false},
        {true, false, true, false, true, false, true},    {true, false, false, false, true, false, false},
    };
    for (const Case& c : cases) {
        const StartDecision decision =
            decideStart(c.marked ? std::optional<PendingMarker>(marker) : std::nullopt, c.profile, c.lastGood);
        SCOPED_TRACE(std::to_string(c.marked) + std::to_string(c.profile) + std::to_string(c.lastGood));
        EXPECT_EQ(decision.applyProfile, c.apply);
        EXPECT_EQ(decision.safeStart, c.safe);
        EXPECT_EQ(decision.offerProfile, c.offerProfile);
        EXPECT_EQ(decision.offerLastGood, c.offerLastGood);
        if (c.marked) {
            EXPECT_EQ(decision.marker.road, "apply");
        }
    }
}

TEST(HeldFans, LinesRoundTripAndDamagedOnesAreSkipped) {
    const std::vector<HeldGpu> gpus = {{0x1B8010DE, 0x119E10DE, "GeForce GTX 1080"}, {0x220610DE, 0, "RTX 3080"}};
    const std::string text = heldFansText(gpus);
    EXPECT_EQ(text, "HELD = 1b8010de 119e10de GeForce GTX 1080\nHELD = 220610de 00000000 RTX 3080\n");
    EXPECT_EQ(parseHeldFans(text), gpus);
    EXPECT_EQ(parseHeldFans("HELD = zz 1 x\nHELD = 1b8010de\nnoise\r\nHELD = 1 2 three\r\n"),
              (std::vector<HeldGpu>{{1, 2, "three"}}));
}

TEST_F(SafetyNetTest, TheHeldFileNamesTheGpusWhoseFansTheProgramHolds) {
    EXPECT_FALSE(std::filesystem::exists("profile/held"));
    tuning.fanLevel = 2;
    refreshHeldFans();
    const std::vector<HeldGpu> held = readHeldFans("profile/held");
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].deviceId, 0x1B8010DEu);
    EXPECT_EQ(held[0].subsystemId, driver().gpu(0).subsystemId);
    EXPECT_EQ(held[0].name, "GeForce GTX 1080");
    tuning.fanLevel = 0;
    refreshHeldFans();
    EXPECT_FALSE(std::filesystem::exists("profile/held"));
    // A fixed speed on the older cooler interface, as the driver reports it back.
    applyAdvancedPage(FanSpeedPage, PageValues{0, 0, 0, 0, 0, 60});
    finishApplySettle();
    monitoringPass();
    EXPECT_EQ(readHeldFans("profile/held").size(), 1u);
    clearHeldFans();
    EXPECT_FALSE(std::filesystem::exists("profile/held"));
}

}  // namespace
}  // namespace vt
