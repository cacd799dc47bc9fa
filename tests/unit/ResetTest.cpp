#include "app/panels/ActionButtons.h"
#include "gpu/Monitor.h"
#include "gpu/Reset.h"

#include <algorithm>
#include <cstdio>

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "driver/DriverOperations.h"
#include "gpu/CurrentProfile.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "settings/SettingsHistory.h"
#include "sim/SimModel.h"
#include "state/AdvancedPage.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

constexpr int ResetDialog = 139;

class ResetTest : public test::GpuTest {
protected:
    void confirm() { fake.dialogButtons[ResetDialog].push_back(1016); }
    void cancel() { fake.dialogButtons[ResetDialog].push_back(1017); }
    // A card whose settings are all away from the driver's defaults.
    void tuneAway(int index) {
        driver().editGpu(index, [](sim::SimGpu& gpu) {
            gpu.graphicsDelta = 50000;
            gpu.memoryDelta = 100000;
            gpu.powerLimit = gpu.powerMax;
            gpu.thermalLimit = gpu.thermalMax;
            gpu.dynamicPstates = false;
            gpu.pstateLimit = 2;
        });
    }
    std::string profileText() {
        std::FILE* out = std::fopen("now.cfg", "w");
        writeCurrentProfile(out);
        std::fclose(out);
        return test::readFile("now.cfg");
    }
};

TEST_F(ResetTest, CancelTouchesNothingButTheFanLevel) {
    useCards({"cooler"});
    startUp();
    tuning.fanLevel = 3;
    tuning.easySettings = PresetEco;
    cancel();
    EXPECT_TRUE(resetPass(350, 600, true));
    EXPECT_EQ(driver().calls().size(), driver().calls("GetActiveOutputMask").size());
    EXPECT_EQ(log(), "");
    EXPECT_EQ(tuning.fanLevel, 0);
    EXPECT_EQ(tuning.easySettings, PresetEco);
    EXPECT_EQ(shell.input.mouseButton, BUTTON_IDLE);
    EXPECT_EQ(lifecycle.modal.slot[3], 1017);
}

TEST_F(ResetTest, ActsOnlyOnTheActiveButton) {
    useCards({"cooler"});
    startUp();
    EXPECT_FALSE(resetPass(342, 600, true));
    EXPECT_FALSE(resetPass(444, 600, true));
    EXPECT_FALSE(resetPass(350, 600, false));
    DriverGate::Hold pending = gpuWorkers.gate().close(GateHolder::Reset);  // a reset's values not yet taken over
    EXPECT_FALSE(resetPass(350, 600, true));
    EXPECT_EQ(fake.count("dialogBox"), 0);
}

TEST_F(ResetTest, ConfirmedResetPutsEveryValueBack) {
    useCards({"cooler"});
    startUp();
    monitoringPass();  // the monitoring thread's settings session is open, as it is from its start
    tuneAway(0);
    std::vector<std::uint32_t> icons;
    windowHooks.setAppIcon = [&](std::uint32_t icon) { icons.push_back(icon); };
    tuning.pstate = 2;
    confirm();
    ASSERT_TRUE(resetToDefaults());
    const sim::SimGpu card = driver().gpu(0);
    EXPECT_EQ(card.graphicsDelta, 0);
    EXPECT_EQ(card.memoryDelta, 0);
    EXPECT_EQ(card.powerLimit, 100000u);
    EXPECT_EQ(card.thermalLimit, card.thermalDefault);
    EXPECT_TRUE(card.dynamicPstates);
    EXPECT_EQ(card.pstateLimit, 0u);
    EXPECT_FALSE(card.fans[0].manual);
    EXPECT_EQ(log(), test::textFile("GeForce GTX 1080: RESET = SUCCESSFUL\n"));
    EXPECT_EQ(icons, std::vector<std::uint32_t>{161});
    EXPECT_EQ(tuning.easySettings, PresetCustom);
    EXPECT_EQ(tuning.pstate, -1);
    EXPECT_TRUE(resetPending());  // until the panel has taken the values over
    const std::size_t calls = driver().calls().size();
    monitoringPass();  // the monitoring thread keeps off meanwhile
    EXPECT_EQ(driver().calls().size(), calls);
    resetTakenOver();
    EXPECT_FALSE(gpuWorkers.gate().held());
}

// A driver that speaks only the older policy words: the sliders get live
// ranges, the page's apply and the reset reach the card with the right values
// (the reset the default limit, not the maximum that stands where the newest
// layout keeps the default).
TEST_F(ResetTest, OlderPolicyWordsApplyAndResetWithTheirOwnLayouts) {
    sim::SimGpu card;
    ASSERT_TRUE(sim::cardModel("cooler", card));
    card.outputMask = 1;
    card.versions["GetPowerPolicyInfo"] = {0x100B8};
    card.versions["GetPowerPolicyStatus"] = {0x10048};
    card.versions["GetThermalPolicyInfo"] = {0x20068};
    card.versions["GetThermalPolicyLimit"] = {0x20038};
    sim::SimConfig config;
    config.gpus.push_back(card);
    startAfresh(config);
    startUp();
    EXPECT_EQ(tuning.powerTargetMin, std::max<std::int32_t>(card.powerMin, 50000));
    EXPECT_EQ(tuning.powerTargetMax, static_cast<std::int32_t>(card.powerMax));
    EXPECT_EQ(tuning.tempTargetMin, card.thermalMin / 256);
    EXPECT_EQ(tuning.tempTargetMax, card.thermalMax / 256);
    EXPECT_EQ(tuning.powerTarget, static_cast<float>(card.powerLimit));

    panel.advancedMode = 1;
    lifecycle.activePage = PowerPage;
    panel.powerTargetEdit = 110;
    panel.tempTargetEdit = 78;
    shell.input.mouseButton = BUTTON_PRESSED;
    ASSERT_TRUE(applyPass(250, 610, true));
    finishApplySettle();
    EXPECT_EQ(driver().gpu(0).powerLimit, 110000u);
    EXPECT_EQ(driver().gpu(0).thermalLimit, 78 * 256);

    confirm();
    ASSERT_TRUE(resetToDefaults());
    EXPECT_EQ(driver().gpu(0).powerLimit, 100000u);
    EXPECT_EQ(driver().gpu(0).thermalLimit, card.thermalDefault);
    EXPECT_EQ(log(), test::textFile("GeForce GTX 1080: POWER_TARGET = 110000\n"
                                    "GeForce GTX 1080: TEMP_TARGET = 78\n"
                                    "GeForce GTX 1080: RESET = SUCCESSFUL\n"));
}

TEST_F(ResetTest, UnreadablePowerPolicyFailsOnlyItsStep) {
    useCards({"cooler"});
    startUp();
    tuneAway(0);
    tuning.powerTargetMin = 0;  // what the monitoring thread shows for an unreadable policy
    tuning.powerTargetMax = 0;
    confirm();
    resetToDefaults();
    const sim::SimGpu card = driver().gpu(0);
    EXPECT_EQ(card.powerLimit, card.powerMax);
    EXPECT_EQ(card.graphicsDelta, 0);
    EXPECT_EQ(card.thermalLimit, card.thermalDefault);
    EXPECT_EQ(driver().count("NvAPI_DRS_RestoreProfileDefaultSetting"), 1);
    EXPECT_EQ(log(), test::textFile("GeForce GTX 1080: RESET = FAILED\n"));
}

TEST_F(ResetTest, OneFanCardHandsItsFanBackAndSavesAutomatic) {
    useCards({"current"});
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.fans.resize(1); });
    startUp();
    inventory.slots[0].fanSpeed1Manual = 1;
    inventory.slots[0].fanSpeed1 = 80;
    confirm();
    resetToDefaults();
    std::vector<std::string> sent = calls("SetFanCoolerControl");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("count=1"), std::string::npos) << sent[0];
    EXPECT_EQ(tuning.fanSpeed1ToKeep, -100);
    EXPECT_NE(profileText().find(test::textFile("FAN_SPEED1 = -100\n")), std::string::npos);
}

TEST_F(ResetTest, FrameRateStepAlwaysLeavesAFreshSession) {
    useCards({"current"});
    startUp();
    for (bool failing : {false, true}) {
        if (failing) driver().failOperation("NvAPI_DRS_RestoreProfileDefaultSetting", -3);
        DrsSession before = settingsSession;
        confirm();
        resetToDefaults();
        EXPECT_NE(settingsSession.load(), nullptr) << failing;
        EXPECT_NE(settingsSession.load(), before) << failing;
        EXPECT_EQ(driver().openSessions(), 1) << failing;
    }
    EXPECT_NE(log().find("RESET = FAILED"), std::string::npos);
}

TEST_F(ResetTest, StoredCurveComesBackAndTheEditorFollows) {
    useCards({"current"});
    startUp();
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.curve[0].points[1].level = 1; });
    inventory.slots[0].fanCurve = 1;
    panel.curveEditorEnabled = 1;
    int editorResets = 0;
    windowHooks.resetCurveEditor = [&] { ++editorResets; };
    confirm();
    resetToDefaults();
    EXPECT_EQ(driver().gpu(0).curve[0], driver().gpu(0).defaultCurve[0]);
    EXPECT_EQ(inventory.slots[0].fanCurve, 0);
    EXPECT_EQ(panel.curveEditorEnabled, 0);
    EXPECT_EQ(editorResets, 1);
}

TEST_F(ResetTest, SliSyncEndsThePowerWalkAtAnUnflaggedGpu) {
    useCards({"cooler", "unlisted", "cooler"});
    startUp();
    tuneAway(0);
    tuneAway(2);
    confirm();
    resetToDefaults();
    EXPECT_EQ(driver().gpu(0).powerLimit, 100000u);
    EXPECT_EQ(driver().gpu(2).powerLimit, driver().gpu(2).powerMax);  // the walk ended before it
    EXPECT_EQ(driver().gpu(2).graphicsDelta, 0);                      // other steps reach it
    EXPECT_NE(log().find("RESET = FAILED"), std::string::npos);
}

}  // namespace
}  // namespace vt
