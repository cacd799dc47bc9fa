// Sleep, resume, a driver that resets or is replaced: what the card is
// checked for, what is given again and what the log says.
#include "app/shell/Recovery.h"

#include <filesystem>
#include <string>
#include <vector>

#include "app/ShellState.h"
#include "gpu/Apply.h"
#include "gpu/GpuRebind.h"
#include "gpu/Monitor.h"
#include "gpu/Reset.h"
#include "gpu/SafetyNet.h"
#include "gpu/SettingsInForce.h"
#include "platform/Messages.h"
#include "sim/Simulator.h"
#include "state/AdvancedPage.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

const WindowHandle Window = reinterpret_cast<WindowHandle>(0x1234);

TEST(CardHolds, EachSettingWithinTheDriversRounding) {
    const CardSettings wanted{30000, -5000, 110000, 83, 60, ValueAutomatic, 70, ValueAutomatic};
    struct Case {
        const char* name;
        void (*change)(CardSettings&);
        bool holds;
    } cases[] = {
        {"the same", [](CardSettings&) {}, true},
        {"graphics offset under a MHz off", [](CardSettings& c) { c.gpuOffset += 999; }, true},
        {"graphics offset a MHz off", [](CardSettings& c) { c.gpuOffset += 1000; }, false},
        {"graphics offset back at 0", [](CardSettings& c) { c.gpuOffset = 0; }, false},
        {"memory offset a MHz off", [](CardSettings& c) { c.memOffset -= 1000; }, false},
        {"power a few thousandths off", [](CardSettings& c) { c.powerTarget += 99; }, true},
        {"power a tenth of a per cent off", [](CardSettings& c) { c.powerTarget -= 100; }, false},
        {"power at the default", [](CardSettings& c) { c.powerTarget = 100000; }, false},
        {"temperature in 1/256 steps", [](CardSettings& c) { c.tempTarget += 1.0f / 256; }, true},
        {"temperature a degree off", [](CardSettings& c) { c.tempTarget -= 1; }, false},
        {"frame-rate limit off", [](CardSettings& c) { c.fpsTarget = ValueAutomatic; }, false},
        {"fan 1 a per cent off", [](CardSettings& c) { c.fan1 = 71; }, true},
        {"fan 1 two off", [](CardSettings& c) { c.fan1 = 68; }, false},
        {"fan 1 back on automatic", [](CardSettings& c) { c.fan1 = ValueAutomatic; }, false},
        {"a fan left to the driver may run at anything", [](CardSettings& c) { c.fan2 = 45; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CardSettings read = wanted;
        c.change(read);
        EXPECT_EQ(cardHolds(wanted, read), c.holds);
    }
}

TEST(MatchByIdentity, FindsEachGpuWhereverItIsNow) {
    const PciIdentity a{0x220610DE, 0x146710DE}, b{0x1B8010DE, 0x119E10DE}, c{0x1E8410DE, 0x118B10DE};
    struct Case {
        const char* name;
        std::vector<PciIdentity> known, found;
        std::vector<int> matched;
    } cases[] = {
        {"same order", {a, b}, {a, b}, {0, 1}},
        {"swapped", {a, b}, {b, a}, {1, 0}},
        {"one gone", {a, b}, {b}, {-1, 0}},
        {"one added", {a, b}, {c, a, b}, {1, 2}},
        {"gone and added", {a, b}, {c, b}, {-1, 1}},
        {"twins keep their order", {a, a, b}, {b, a, a}, {1, 2, 0}},
        {"the same device, another board", {a}, {{a.deviceId, 0x12345678}}, {-1}},
        {"nothing found", {a}, {}, {-1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(matchByIdentity(c.known, c.found), c.matched);
    }
}

TEST(SimulatedEvents, AResetFailsEveryCallThenHandsOutNewHandles) {
    sim::Simulator& driver = sim::Simulator::instance();
    sim::SimConfig config;
    for (const char* model : {"current", "cooler"}) {
        sim::SimGpu gpu;
        ASSERT_TRUE(sim::cardModel(model, gpu));
        config.gpus.push_back(gpu);
    }
    driver.reset(config);
    driver.useManualClock();
    const GpuHandle before = driver.handle(0);
    const std::uint32_t firstDevice = driver.gpu(0).deviceId;
    driver.editGpu(0, [](sim::SimGpu& gpu) { gpu.graphicsDelta = 50000; });
    std::string error;
    EXPECT_FALSE(driver.event("hibernate", error));
    EXPECT_EQ(error, "unknown event: hibernate");
    ASSERT_TRUE(driver.event("update 3000 -6", error));
    ASSERT_TRUE(driver.event("swap", error));  // at the reset's end
    EXPECT_EQ(driver.driverRelease(), 2u);
    driver.advance(2999);
    EXPECT_TRUE(driver.event("", error));  // nothing: the outage still on
    EXPECT_EQ(driver.gpu(0).deviceId, firstDevice);
    driver.advance(1);
    EXPECT_TRUE(driver.event("", error));
    EXPECT_NE(driver.handle(0), before);
    EXPECT_NE(driver.gpu(0).deviceId, firstDevice);  // the other order
    EXPECT_EQ(driver.gpu(1).deviceId, firstDevice);
    EXPECT_EQ(driver.gpu(1).graphicsDelta, 0);  // back on its defaults
    driver.editGpu(1, [](sim::SimGpu& gpu) { gpu.graphicsDelta = 40000; });
    ASSERT_TRUE(driver.event("sleep", error));
    EXPECT_EQ(driver.gpu(1).graphicsDelta, 0);
}

class RecoveryTest : public test::GpuTest {
protected:
    RecoveryTest() {
        useCards({"current"});
        driver().useManualClock();
        startUp();
        monitoringPass();
        std::filesystem::create_directories("profile");
        std::filesystem::create_directories("log");
        fake.instantSleep = true;
        lifecycle.mainWindow = Window;
        resetRecovery();
        forgetSettingsInForce();
    }
    ~RecoveryTest() override {
        lifecycle.mainWindow = nullptr;
        lifecycle.driverLost = 0;
    }

    void passFor(std::uint32_t milliseconds) {
        for (std::uint32_t waited = 0; waited < milliseconds; waited += 1000) {
            fake.sleep(1000);
            driver().advance(1000);
            monitoringPass();
        }
    }
    // The preset, read back by the next pass, and proven unless told otherwise.
    void applyPreset(std::int32_t preset, bool prove = true) {
        beginApply();
        ASSERT_TRUE(applyEasyPreset(preset));
        finishApplySettle();
        monitoringPass();
        if (prove) passFor(31000);
    }
    void resume() {
        onPowerBroadcast(Window, PbtApmResumeAutomatic);
        onRecoveryTimer(Window, TIMER_RESUME_GRACE);
    }
    std::vector<std::string> writes() const {
        std::vector<std::string> found;
        for (const sim::SimCallRecord& call : driver().calls()) {
            if (call.operation.starts_with("Set") || call.operation == "NvAPI_DRS_SetSetting") {
                found.push_back(call.operation);
            }
        }
        return found;
    }
    static std::size_t count(const std::string& text, const std::string& part) {
        std::size_t found = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
        return found;
    }
    // The log after `mark`, or all of it.
    std::string logSince(std::size_t mark) const { return log().substr(mark); }
};

TEST_F(RecoveryTest, AResumeGivesBackOnlyWhatTheCardLost) {
    struct Case {
        const char* name;
        bool sleep;
        const char* line;
        bool writes;
    } cases[] = {
        {"the card slept and woke on its defaults", true, "RESUME = REAPPLY\n", true},
        {"the card kept them", false, "RESUME = HELD\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        applyPreset(PresetHighPerformance);
        const std::int32_t given = driver().gpu(0).graphicsDelta;
        ASSERT_NE(given, 0);
        std::string error;
        if (c.sleep) {
            ASSERT_TRUE(driver().event("sleep", error));
        }
        driver().clearCalls();
        const std::size_t mark = log().size();
        resume();
        finishApplySettle();
        const std::string since = logSince(mark);
        EXPECT_EQ(since.find(test::textFile(c.line)), 0u) << since;
        EXPECT_EQ(count(since, "EASY_SETTINGS = SUCCESSFUL"), c.writes ? 1u : 0u) << since;
        EXPECT_EQ(!writes().empty(), c.writes);
        EXPECT_EQ(driver().gpu(0).graphicsDelta, given);
    }
}

TEST_F(RecoveryTest, SettingsNeverAppliedAreNotCheckedAndADefaultsResetForgetsThem) {
    resume();  // nothing applied since the start
    EXPECT_EQ(log().find("RESUME"), std::string::npos);
    applyPreset(PresetEco);
    resetGpusToDefaults();
    resetTakenOver();
    std::string error;
    ASSERT_TRUE(driver().event("sleep", error));
    driver().clearCalls();
    resume();
    EXPECT_EQ(log().find("RESUME"), std::string::npos);
    EXPECT_TRUE(writes().empty());
}

TEST_F(RecoveryTest, OneGracePeriodForABurstOfResumeEvents) {
    struct Case {
        const char* name;
        std::vector<WParam> events;
        std::size_t gracePeriodsStarted;
    } cases[] = {
        {"automatic, then the user's", {PbtApmResumeAutomatic, PbtApmResumeSuspend}, 1},
        {"the user's alone", {PbtApmSuspend, PbtApmResumeSuspend}, 1},
        {"a second automatic restarts the period", {PbtApmResumeAutomatic, PbtApmResumeAutomatic}, 2},
        {"a new sleep in between", {PbtApmResumeAutomatic, PbtApmSuspend, PbtApmResumeSuspend}, 2},
        {"a suspend alone", {PbtApmSuspend}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRecovery();
        fake.clearCalls();
        for (WParam event : c.events) onPowerBroadcast(Window, event);
        EXPECT_EQ(fake.count("setTimer 104 3000"), c.gracePeriodsStarted);
    }
}

TEST_F(RecoveryTest, ADriverResetIsSaidOnceAndTheSettingsComeBackOnTheNewHandles) {
    applyPreset(PresetHighPerformance);
    const std::int32_t given = driver().gpu(0).graphicsDelta;
    const GpuHandle before = inventory.slots[0].handle;
    std::string error;
    ASSERT_TRUE(driver().event("reset 3000", error));
    fake.clearCalls();
    monitoringPass();
    EXPECT_EQ(lifecycle.driverLost, 1);
    EXPECT_EQ(fake.count("postMessage 800e"), 1u);
    // The readouts go dead: nothing the card showed last is known now.
    EXPECT_EQ(monitor.gpu[0].gpuClock, 0u);
    EXPECT_EQ(monitor.gpu[0].gpuTemperature, 0);
    EXPECT_EQ(inventory.slots[0].fanSpeed1, 0);
    onDriverLost(Window);
    onDriverLost(Window);  // a second notice changes nothing
    driver().clearCalls();
    for (int second = 0; second < 2; ++second) {
        passFor(1000);  // the passes rest while the driver is away
        onRecoveryTimer(Window, TIMER_REBIND);
    }
    EXPECT_EQ(driver().count("NvAPI_GPU_GetAllClockFrequencies"), 0);
    EXPECT_EQ(driver().count("NvAPI_Initialize"), 2);  // once a second
    EXPECT_EQ(count(log(), "DRIVER = LOST"), 1u);
    EXPECT_EQ(count(log(), "DRIVER = BACK"), 0u);
    driver().advance(1000);
    onRecoveryTimer(Window, TIMER_REBIND);
    EXPECT_EQ(fake.count("killTimer 105"), 1u);
    finishApplySettle();
    EXPECT_NE(inventory.slots[0].handle, before);
    EXPECT_EQ(inventory.slots[0].handle, driver().handle(0));
    EXPECT_EQ(lifecycle.driverLost, 0);
    EXPECT_EQ(driver().gpu(0).graphicsDelta, given);
    const std::string text = log();
    const std::size_t back = text.find("DRIVER = BACK");
    ASSERT_NE(back, std::string::npos);
    EXPECT_EQ(text.find(test::textFile("DRIVER = BACK\nDRIVER_RESET = REAPPLY\n")), back);
    EXPECT_EQ(count(text, "DRIVER = BACK"), 1u);
    EXPECT_GT(text.find("EASY_SETTINGS = SUCCESSFUL", back), back);
}

TEST_F(RecoveryTest, AGpuThatDidNotComeBackIsShownGoneAndTheOtherFoundWhereItIsNow) {
    useCards({"current", "cooler"});
    startUp();
    monitoringPass();
    for (auto& name : widgetTexts.gpuName) name.assign(u"a card");  // as the list showed them
    std::string error;
    ASSERT_TRUE(driver().event("reset 1000", error));
    ASSERT_TRUE(driver().event("unplug 0", error));  // the display's card is gone; the other moves up
    monitoringPass();
    onDriverLost(Window);
    driver().advance(1000);
    onRecoveryTimer(Window, TIMER_REBIND);
    EXPECT_EQ(driver().gpuCount(), 1);
    EXPECT_EQ(inventory.count, 2);  // the list keeps its places
    EXPECT_EQ(inventory.slots[0].handle, nullptr);
    EXPECT_EQ(inventory.slots[1].handle, driver().handle(0));
    EXPECT_EQ(widgetTexts.gpuName[0].view(), u"- empty -");
    EXPECT_EQ(widgetTexts.gpuName[1].view(), u"a card");
    EXPECT_EQ(lifecycle.driverLost, 0);
}

TEST_F(RecoveryTest, AResetRightAfterAChangeUndoesIt) {
    struct Case {
        const char* name;
        bool lastGood;
        std::int32_t graphicsDelta;  // on the card afterwards
    } cases[] = {
        {"back to the last proven settings", true, 15000},
        {"no proven settings: the defaults stay", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRecovery();
        std::filesystem::remove("profile/lastgood.cfg");
        if (c.lastGood) {
            test::writeFile("profile/lastgood.cfg",
                            "DeviceID = 220610de\nGPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 15000.000\n"
                            "MEM_OFFSET = 0.000\nPOWER_TARGET = 100000.000\nTEMP_TARGET = 83.000\n"
                            "FPS_TARGET = -100\nFAN_SPEED1 = -100\nFAN_SPEED2 = -100\nFAN_LEVEL = 0\n"
                            "FAN_CURVE = 0\nPSTATE = -1\nSLI-SYNC = 1\nVer = 2.10\n");
        }
        applyPreset(PresetHighPerformance, false);  // unproven
        std::string error;
        ASSERT_TRUE(driver().event("reset 1000", error));
        monitoringPass();
        onDriverLost(Window);
        fake.clearCalls();
        driver().advance(1000);
        onRecoveryTimer(Window, TIMER_REBIND);
        EXPECT_EQ(driver().gpu(0).graphicsDelta, c.graphicsDelta);
        EXPECT_NE(log().find(test::textFile("DRIVER = BACK\nDRIVER_RESET = REVERTED\n")), std::string::npos);
        EXPECT_EQ(fake.callsStartingWith("messageBox").size(), 1u);
        EXPECT_EQ(std::filesystem::exists("profile/pending"), c.lastGood);  // the loaded ones prove themselves anew
        EXPECT_FALSE(settingsInForce().has_value() && !c.lastGood);
    }
}

}  // namespace
}  // namespace vt
