#include "app/panels/ActionButtons.h"
#include "gpu/Apply.h"

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "driver/DriverOperations.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "settings/Profile.h"
#include "settings/SettingsHistory.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

using Strings = std::vector<std::string>;

class ApplyTest : public test::GpuTest {
protected:
    void advanced(int page) {
        panel.advancedMode = 1;
        lifecycle.activePage = page;
        press();
    }
    void easy(int preset) {
        panel.advancedMode = 0;
        panel.easyChoice = preset;
        press();
    }
    // A press on the apply button, and the second after it.
    void press() {
        shell.input.mouseButton = BUTTON_PRESSED;
        ASSERT_TRUE(applyPass(250, 610, true));
        finishApplySettle();
        finishHistoryWriter();
    }
    // The log's lines after the start of the test.
    std::string logged() const { return log(); }
    sim::SimGpu gpu(int index) { return driver().gpu(index); }
};

TEST_F(ApplyTest, ActsOnlyOnAPressOfTheVisibleButton) {
    useCards({"current"});
    startUp();
    struct Case {
        int x, y, mouse;
        bool visible, acts;
    } cases[] = {
        {221, 596, BUTTON_PRESSED, true, true},  {321, 629, BUTTON_PRESSED, true, true},
        {220, 600, BUTTON_PRESSED, true, false}, {322, 600, BUTTON_PRESSED, true, false},
        {250, 595, BUTTON_PRESSED, true, false}, {250, 630, BUTTON_PRESSED, true, false},
        {250, 600, BUTTON_HELD, true, false},    {250, 600, BUTTON_RELEASED, true, false},
        {250, 600, BUTTON_PRESSED, false, false},
    };
    panel.advancedMode = 1;
    lifecycle.activePage = 2;
    for (const Case& c : cases) {
        shell.input.mouseButton = c.mouse;
        EXPECT_EQ(applyPass(c.x, c.y, c.visible), c.acts) << c.x << "," << c.y << " " << c.mouse;
        finishApplySettle();
        EXPECT_FALSE(gpuWorkers.gate().held());
    }
}

TEST_F(ApplyTest, TheGateIsHeldForOneSecondAndBlocksASecondApply) {
    useCards({"current"});
    startUp();
    panel.advancedMode = 1;
    lifecycle.activePage = 2;
    monitoringPass();  // the monitoring thread's settings session is open, as it is from its start
    shell.input.mouseButton = BUTTON_PRESSED;
    std::uint32_t start = fake.tickCount();
    ASSERT_TRUE(applyPass(250, 610, true));
    EXPECT_TRUE(gpuWorkers.gate().heldBy(GateHolder::Apply));
    EXPECT_TRUE(applySettling());
    const std::size_t calls = driver().calls().size();
    monitoringPass();  // kept off the driver
    EXPECT_EQ(driver().calls().size(), calls);
    EXPECT_FALSE(applyPass(250, 610, true));
    finishApplySettle();
    EXPECT_GE(fake.tickCount() - start, 1000u);
    EXPECT_FALSE(gpuWorkers.gate().held());
}

TEST_F(ApplyTest, RunningAndClosingGateTheApply) {
    useCards({"current"});
    startUp();
    shell.input.mouseButton = BUTTON_PRESSED;
    lifecycle.running = 0;
    EXPECT_FALSE(applyPass(250, 610, true));
    lifecycle.running = 1;
    lifecycle.closing = 1;
    EXPECT_FALSE(applyPass(250, 610, true));
}

TEST_F(ApplyTest, ClockOffsetsGoToTheDriverInKilohertz) {
    useCards({"current"});
    startUp();
    panel.gpuOffsetEdit = 75;
    panel.memOffsetEdit = -20;
    advanced(0);
    EXPECT_EQ(gpu(0).graphicsDelta, 75000);
    EXPECT_EQ(gpu(0).memoryDelta, -20000);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: GPU_OFFSET = 75000\n"
                                       "GeForce RTX 3080: MEM_OFFSET = -20000\n"));
    // Non-zero offsets release any forced performance state.
    EXPECT_EQ(driver().count("EnableDynamicPstates"), 1);
    EXPECT_EQ(driver().count("SetPstateClientLimit"), 1);
    EXPECT_EQ(tuning.easySettings, PresetCustom);
    EXPECT_EQ(panel.easyChoice, PresetCustom);
}

TEST_F(ApplyTest, ZeroOffsetsLogZeroAndLeaveThePerformanceStateAlone) {
    useCards({"current"});
    startUp();
    advanced(0);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: GPU_OFFSET = 0\nGeForce RTX 3080: MEM_OFFSET = 0\n"));
    EXPECT_EQ(driver().count("SetPstates20"), 2);
    EXPECT_EQ(driver().count("EnableDynamicPstates"), 0);
    EXPECT_EQ(driver().count("SetPstateClientLimit"), 0);
}

// One non-zero offset is enough: the test is on either offset, not on both.
TEST_F(ApplyTest, OneNonZeroOffsetReleasesTheForcedPerformanceState) {
    struct Case {
        float gpu, memory;
    } const cases[] = {{75, 0}, {0, -20}};
    for (const Case& c : cases) {
        useCards({"current"});
        startUp();
        panel.gpuOffsetEdit = c.gpu;
        panel.memOffsetEdit = c.memory;
        advanced(0);
        EXPECT_EQ(calls("EnableDynamicPstates"), Strings{"EnableDynamicPstates gpu=0 status=0 enable=1"})
            << c.gpu << " " << c.memory;
        EXPECT_EQ(calls("SetPstateClientLimit"), Strings{"SetPstateClientLimit gpu=0 status=0 kind=3 pstate=0"})
            << c.gpu << " " << c.memory;
    }
}

TEST_F(ApplyTest, UnknownRangesFailTheOffsetWithoutACall) {
    useCards({"current"});
    startUp();
    tuning.gpuOffsetMin = 0;
    panel.gpuOffsetEdit = 50;
    advanced(0);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: GPU_OFFSET = FAILED\nGeForce RTX 3080: MEM_OFFSET = 0\n"));
    EXPECT_EQ(driver().count("SetPstates20"), 1);
}

TEST_F(ApplyTest, CardInNoRowTakesOffsetsRelativeToItsMaximum) {
    useCards({"unlisted"});
    startUp();
    // The monitoring view of an unflagged card: offset = delta + max.
    EXPECT_EQ(tuning.gpuOffsetMax, 135000.0f);
    panel.gpuOffsetEdit = 150;  // MHz as shown: 15 MHz above the stock clock
    panel.memOffsetEdit = 500;
    advanced(0);
    EXPECT_EQ(gpu(0).graphicsDelta, 15000);
    EXPECT_EQ(gpu(0).memoryDelta, 0);
    EXPECT_EQ(logged(), test::textFile("GeForce GT 730: GPU_OFFSET = 15000\nGeForce GT 730: MEM_OFFSET = 0\n"));
}

TEST_F(ApplyTest, PowerAndTemperatureTargets) {
    useCards({"cooler"});
    startUp();
    panel.powerTargetEdit = 120;
    panel.tempTargetEdit = 80.9f;
    advanced(1);
    EXPECT_EQ(gpu(0).powerLimit, 120000u);
    EXPECT_EQ(gpu(0).thermalLimit, 80 * 256);
    EXPECT_EQ(logged(), test::textFile("GeForce GTX 1080: POWER_TARGET = 120000\n"
                                       "GeForce GTX 1080: TEMP_TARGET = 80\n"));
}

TEST_F(ApplyTest, CardInNoRowGetsPowerOnlyAsTheCurrentGpuAndNeverTemperature) {
    useCards({"unlisted", "unlisted"});
    startUp();
    tuning.powerTargetMin = 50000;  // as if the driver had reported a range
    tuning.powerTargetMax = 100000;
    panel.powerTargetEdit = 90;
    tuning.sliSync = 0;
    advanced(1);
    EXPECT_EQ(calls("SetPowerPolicyStatus").size(), 1u);
    EXPECT_EQ(logged(), test::textFile("GeForce GT 730: POWER_TARGET = FAILED\nGeForce GT 730: TEMP_TARGET = FAILED\n"));

    driver().clearCalls();
    tuning.sliSync = 1;  // with every GPU filtered out, the step fails
    advanced(1);
    EXPECT_EQ(driver().count("SetPowerPolicyStatus"), 0);
}

TEST_F(ApplyTest, FrameRateTargetLivesInTheSettingsStore) {
    useCards({"current"});
    startUp();
    panel.fpsTargetEdit = 144.7;
    advanced(2);
    EXPECT_EQ(driver().savedSetting(FrameRateLimiterSetting), std::optional<std::uint32_t>(144));
    EXPECT_EQ(driver().openSessions(), 1);
    panel.fpsTargetEdit = -100;
    advanced(2);
    EXPECT_EQ(driver().count("NvAPI_DRS_SetSetting"), 1);
    EXPECT_EQ(driver().count("NvAPI_DRS_RestoreProfileDefaultSetting"), 0);
    EXPECT_EQ(driver().openSessions(), 1);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: FPS_TARGET = 144\nGeForce RTX 3080: FPS_TARGET = -100\n"));

    driver().failOperation("NvAPI_DRS_LoadSettings", -1);
    advanced(2);
    EXPECT_NE(logged().find("FPS_TARGET = FAILED"), std::string::npos);
}

TEST_F(ApplyTest, FixedFanSpeedOnTheCoolerInterface) {
    useCards({"cooler"});
    startUp();
    tuning.fanLevel = 3;
    panel.fanSpeedEdit = 65;
    advanced(3);
    EXPECT_TRUE(gpu(0).fans[0].manual);
    EXPECT_EQ(gpu(0).fans[0].manualLevel, 65);
    EXPECT_EQ(logged(), test::textFile("GeForce GTX 1080: FAN_SPEED = 65\n"));
    EXPECT_EQ(tuning.fanLevel, 0);
}

TEST_F(ApplyTest, RefusedCoolerLevelIsTriedWithTheOlderStructure) {
    useCards({"legacy"});  // answers only the 28-byte request
    startUp();
    panel.fanSpeedEdit = 45.8f;
    advanced(3);
    Strings sent = calls("SetCoolerLevels");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_NE(sent[0].find("version=0x100a4"), std::string::npos) << sent[0];
    EXPECT_NE(sent[1].find("version=0x1001c"), std::string::npos) << sent[1];
    EXPECT_EQ(logged(), test::textFile("GeForce GTX 680: FAN_SPEED = 45\n"));
    EXPECT_EQ(gpu(0).fans[0].manualLevel, 45);
}

TEST_F(ApplyTest, TwoFansWriteOneLineAndAZeroHandsTheFanBack) {
    useCards({"current"});
    startUp();
    panel.fanSpeedEdit = 0;
    panel.fan2SpeedEdit = 60;
    advanced(3);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: FAN_SPEED1 = RESET, FAN_SPEED2 = 60\n"));
    EXPECT_FALSE(gpu(0).fans[0].manual);
    EXPECT_TRUE(gpu(0).fans[1].manual);
    EXPECT_EQ(gpu(0).fans[1].manualLevel, 60);
    EXPECT_EQ(inventory.slots[0].fanSpeed1Manual, 0);
    EXPECT_EQ(inventory.slots[0].fanSpeed2Manual, 1);
}

TEST_F(ApplyTest, OneFanCardLogsOnlyFanOne) {
    useCards({"current"});
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.fans.resize(1); });
    startUp();
    panel.fanSpeedEdit = 70;
    advanced(3);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: FAN_SPEED1 = 70\n"));
}

TEST_F(ApplyTest, FixedSpeedIsNotSentWhileTheCurveRules) {
    useCards({"current"});
    startUp();
    inventory.slots[0].fanCurve = 1;
    panel.fanSpeedEdit = 70;
    advanced(3);
    EXPECT_EQ(driver().count("SetFanCoolerControl"), 0);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: FAN_SPEED = FAILED\n"));
}

TEST_F(ApplyTest, EditedCurveFromThePointPositions) {
    useCards({"current"});
    startUp();
    panel.curveEditorEnabled = 1;
    // (264, 374) is 0 degrees at 100 %; (265, 375) is 1 degree at 99 %.
    panel.curvePointX[1] = 264, panel.curvePointY[1] = 374;
    panel.curvePointX[2] = 265, panel.curvePointY[2] = 375;
    panel.curvePointX[3] = 424, panel.curvePointY[3] = 444;  // 80 degrees, 65 %
    advanced(4);
    // Driver values scale the stored ones (900, 1500, 2550) by the level.
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: FAN_CURVE = 0,100,900,1,99,1485,80,65,1657\n"));
    sim::SimGpu card = gpu(0);
    ASSERT_EQ(card.curve.size(), 2u);
    EXPECT_EQ(card.curve[1].points[1].temperature, 256);
    EXPECT_EQ(card.curve[1].points[1].level, 99u * 65536u / 100u);
    EXPECT_EQ(inventory.slots[0].fanCurve, 1);
    EXPECT_FALSE(card.fans[0].manual);
}

TEST_F(ApplyTest, CurvePageDoesNothingWhileTheEditorIsOff) {
    useCards({"current"});
    startUp();
    advanced(4);
    EXPECT_EQ(driver().count("SetFanCurve"), 0);
    EXPECT_EQ(logged(), "");
}

TEST_F(ApplyTest, EveryApplyLeavesAHistoryRecord) {
    useCards({"current"});
    startUp();
    advanced(2);
    advanced(2);
    EXPECT_EQ(countRecords(historyPath()), 2);
    std::string ids;
    ASSERT_TRUE(lookupTextInRecord(historyPath(), "DeviceID", ids, 1));
    EXPECT_EQ(ids, "220610de");
}

TEST_F(ApplyTest, SliSyncWalksEveryGpuAndStopsAtTheFirstRefusal) {
    useCards({"current", "current", "current", "current"});
    startUp();
    panel.gpuOffsetEdit = 40;
    advanced(0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(gpu(i).graphicsDelta, 40000) << i;

    driver().failOperation("SetPstates20", -5, 2);
    panel.gpuOffsetEdit = 60;
    advanced(0);
    EXPECT_EQ(gpu(0).graphicsDelta, 60000);
    EXPECT_EQ(gpu(1).graphicsDelta, 60000);
    EXPECT_EQ(gpu(2).graphicsDelta, 40000);
    EXPECT_EQ(gpu(3).graphicsDelta, 40000);  // never reached
    EXPECT_NE(logged().find("GPU_OFFSET = FAILED"), std::string::npos);
}

TEST_F(ApplyTest, WithoutSliSyncOnlyTheCurrentGpuIsWritten) {
    useCards({"current", "current"});
    startUp();
    tuning.sliSync = 0;
    tuning.selectedGpu = 1;  // position 1: the GPU that does not drive the display
    panel.powerTargetEdit = 110;
    advanced(1);
    EXPECT_EQ(gpu(0).powerLimit, 100000u);
    EXPECT_EQ(gpu(1).powerLimit, 110000u);
}

// --- Easy Mode ---------------------------------------------------------------------

TEST_F(ApplyTest, HighPerformancePresetOnACurrentCard) {
    useCards({"current"});
    startUp();
    std::vector<std::uint32_t> icons;
    windowHooks.setAppIcon = [&](std::uint32_t icon) { icons.push_back(icon); };
    easy(PresetHighPerformance);
    const sim::SimGpu card = gpu(0);
    EXPECT_EQ(card.graphicsDelta, 89000);  // 220610de's offset
    EXPECT_EQ(card.powerLimit, 115000u);   // the driver's maximum
    EXPECT_EQ(card.thermalLimit, 91 * 256);
    EXPECT_EQ(card.curve[0].points[0].temperature, 35 * 256);
    EXPECT_EQ(card.curve[0].points[2].level, 95u * 65536u / 100u);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: EASY_SETTINGS = SUCCESSFUL\n"));
    EXPECT_EQ(icons, std::vector<std::uint32_t>{164});
    EXPECT_EQ(tuning.easySettings, PresetHighPerformance);
    EXPECT_EQ(tuning.pstate, -1);
}

TEST_F(ApplyTest, DefaultPresetRestoresTheDriversOwnValues) {
    useCards({"current"});
    startUp();
    driver().editGpu(0, [](sim::SimGpu& gpu) {
        gpu.memoryDelta = 300000;
        gpu.curve[0].points[0].level = 1;
    });
    monitor.voltageOffsetMax = 100000;
    easy(PresetDefault);
    const sim::SimGpu card = gpu(0);
    EXPECT_EQ(card.memoryDelta, 0);
    EXPECT_EQ(card.graphicsDelta, 0);
    EXPECT_EQ(card.powerLimit, 100000u);
    EXPECT_EQ(card.thermalLimit, 83 * 256);  // the policy's default
    // The stored curve keeps the three points of its first entry; every
    // entry is sent with them.
    ASSERT_EQ(card.curve.size(), 2u);
    EXPECT_EQ(card.curve[0], card.defaultCurve[0]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(card.curve[1].points[i], card.defaultCurve[0].points[i]) << i;
    EXPECT_EQ(driver().count("NvAPI_DRS_RestoreProfileDefaultSetting"), 1);
    EXPECT_EQ(driver().count("RestoreCoolerSettings"), 1);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: EASY_SETTINGS = SUCCESSFUL\n"));
}

TEST_F(ApplyTest, EcoPresetOnACurrentCardLeavesTheMemoryOffsetAlone) {
    useCards({"current"});
    startUp();
    easy(PresetEco);
    const sim::SimGpu card = gpu(0);
    EXPECT_EQ(card.memoryDelta, 0);  // only the Alt cards get the memory offset
    EXPECT_EQ(card.powerLimit, 80000u);
    EXPECT_EQ(card.thermalLimit, 70 * 256);
    EXPECT_EQ(driver().savedSetting(FrameRateLimiterSetting), std::optional<std::uint32_t>(60));
}

TEST_F(ApplyTest, AltCardsTakeTheirOwnPresetValues) {
    struct Case {
        std::uint32_t id;
        int preset;
        std::int32_t gpuDelta, memDelta;
        std::uint32_t power;
        std::optional<std::uint32_t> fps;
    } cases[] = {
        {0x118710DE, PresetEco, -105000, -500000, 75000, 30},
        {0x11C010DE, PresetEco, -105000, -500000, 75000, 30},
        {0x118710DE, PresetDefault, 0, 0, 105000, 60},
        {0x11C010DE, PresetHighPerformance, 39000, 0, 110000, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " preset " + std::to_string(c.preset));
        useDeviceIds("cooler", {c.id});
        startUp();
        easy(c.preset);
        EXPECT_EQ(gpu(0).graphicsDelta, c.gpuDelta);
        EXPECT_EQ(gpu(0).memoryDelta, c.memDelta);
        EXPECT_EQ(gpu(0).powerLimit, c.power);
        EXPECT_EQ(driver().savedSetting(FrameRateLimiterSetting), c.fps);
    }
}

TEST_F(ApplyTest, LegacyAltCardGetsItsTemperatureTarget) {
    useDeviceIds("cooler", {0x11C010DE});  // LegacyTuning with AltPresetCard
    startUp();
    easy(PresetHighPerformance);
    EXPECT_EQ(gpu(0).thermalLimit, 85 * 256);
    EXPECT_EQ(logged(), test::textFile("GeForce GTX 1080: EASY_SETTINGS = SUCCESSFUL\n"));
}

TEST_F(ApplyTest, EasyModeLeavesUnsupportedCardsAndUnchosenPresetsAlone) {
    useCards({"unlisted"});
    startUp();
    easy(PresetEco);
    for (const sim::SimCallRecord& call : driver().calls()) EXPECT_EQ(call.operation, "GetActiveOutputMask");
    EXPECT_EQ(logged(), "");
    EXPECT_EQ(countRecords(historyPath()), 0);
    EXPECT_FALSE(gpuWorkers.gate().held());  // a refused preset lets the gate go at once

    useCards({"current"});
    startUp();
    tuning.easySettings = PresetEco;
    easy(PresetCustom);
    EXPECT_EQ(tuning.easySettings, PresetCustom);
    EXPECT_EQ(logged(), "");
}

TEST_F(ApplyTest, EasyFrameRateStepFailsWhenTheStoreIsUnreadable) {
    useCards({"current"});
    startUp();
    tuning.fpsTarget = ValueUnavailable;
    easy(PresetEco);
    EXPECT_EQ(driver().count("NvAPI_DRS_SetSetting"), 0);
    EXPECT_EQ(logged(), test::textFile("GeForce RTX 3080: EASY_SETTINGS = FAILED\n"));
}

TEST_F(ApplyTest, EasyTemperatureFailsWhenTheLastGpuOfTheWalkIsSkipped) {
    useCards({"current", "unlisted"});
    startUp();
    easy(PresetEco);
    EXPECT_EQ(gpu(0).thermalLimit, 70 * 256);
    EXPECT_NE(logged().find("EASY_SETTINGS = FAILED"), std::string::npos);
}

TEST_F(ApplyTest, TrayRequestForcesTheEasyPathFromAnyMode) {
    useCards({"current"});
    startUp();
    panel.advancedMode = 1;
    panel.easyChoice = PresetEco;
    shell.presetApplyRequest = 1;
    shell.input.mouseButton = BUTTON_IDLE;
    ASSERT_TRUE(applyPass(0, 0, true));
    finishApplySettle();
    finishHistoryWriter();
    EXPECT_EQ(shell.presetApplyRequest, 0);
    EXPECT_EQ(tuning.easySettings, PresetEco);
    EXPECT_NE(logged().find("EASY_SETTINGS = SUCCESSFUL"), std::string::npos);
}

TEST_F(ApplyTest, RefusedTrayRequestIsNotRetriedForever) {
    useCards({"unlisted"});
    startUp();
    panel.easyChoice = PresetEco;
    shell.presetApplyRequest = 1;
    ASSERT_TRUE(applyPass(0, 0, true));
    EXPECT_EQ(shell.presetApplyRequest, 0);
    EXPECT_FALSE(applyPass(0, 0, true));
}

// --- the stored performance state at start-up -----------------------------------

TEST_F(ApplyTest, StoredPstateIsForcedAndReadBack) {
    useCards({"current", "current"});
    startUp();
    tuning.pstate = 3;
    applyStoredPstate();
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(gpu(i).dynamicPstates) << i;
        EXPECT_EQ(gpu(i).pstateLimit, 3u) << i;
    }
    EXPECT_EQ(tuning.pstate, 3);

    tuning.pstate = -1;
    applyStoredPstate();
    EXPECT_TRUE(gpu(0).dynamicPstates);
    EXPECT_EQ(gpu(1).pstateLimit, 0u);
}

// The card lists P-states 0 2 3 5 8: its last one can be stored and forced.
TEST_F(ApplyTest, StoredPstateMayBeTheLastOneTheCardLists) {
    useCards({"current"});
    startUp();
    tuning.pstate = 8;
    applyStoredPstate();
    EXPECT_FALSE(gpu(0).dynamicPstates);
    EXPECT_EQ(gpu(0).pstateLimit, 8u);
    EXPECT_EQ(tuning.pstate, 8);
}

}  // namespace
}  // namespace vt
