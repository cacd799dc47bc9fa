#include "gpu/Monitor.h"
#include "gpu/Workers.h"

#include <chrono>
#include <thread>

#include "app/panels/ActionButtons.h"
#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "driver/DriverOperations.h"
#include "gpu/Apply.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/Reset.h"
#include "sim/SimModel.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

using test::DriverLibrary;

class MonitorTest : public test::GpuTest {
protected:
    ~MonitorTest() override {
        lifecycle.running = 0;
        gpuWorkers.stop();
        endMonitoring();
    }
};

TEST_F(MonitorTest, SamplesTheCurrentGpu) {
    useCards({"cooler"});
    startUp();
    driver().editGpu(0, [](sim::SimGpu& gpu) {
        gpu.temperature = 64.4;
        gpu.fixedLoad = 37;
    });
    driver().advance(1000);
    monitoringPass();
    const GpuReadings& readings = monitor.gpu[0];
    EXPECT_EQ(readings.gpuClock, static_cast<std::uint32_t>(sim::currentGraphicsClock(driver().gpu(0))));
    EXPECT_GT(readings.gpuClock, 0u);
    EXPECT_GT(readings.memClock, 0u);
    EXPECT_EQ(readings.gpuLoad, 37);
    EXPECT_EQ(tuning.powerTargetMin, 50000);
    EXPECT_EQ(tuning.powerTargetMax, 120000);
    EXPECT_EQ(tuning.powerTarget, 100000.0f);
    EXPECT_EQ(tuning.tempTargetMin, 60);
    EXPECT_EQ(tuning.tempTargetMax, 92);
    EXPECT_EQ(tuning.tempTarget, 83.0f);
    EXPECT_EQ(tuning.gpuOffsetMax, 200000.0f);  // the driver's 500 MHz, capped
    EXPECT_EQ(tuning.gpuOffsetMin, -200000.0f);
    EXPECT_EQ(monitor.fpsTargetMin, 30);
    EXPECT_EQ(monitor.fpsTargetMax, 120);
    EXPECT_EQ(tuning.fpsTarget, -100);  // the limiter is off
    EXPECT_GT(monitor.meters.read().gpuClockRatio, 0.0f);
    EXPECT_LE(monitor.meters.read().gpuClockRatio, 1.0f);
    EXPECT_EQ(inventory.slots[0].fanMin, 20);
    EXPECT_EQ(tuning.fanSpeedToKeep, -100);
}

TEST_F(MonitorTest, WithoutTheSettingsStoreTheFrameRateStaysUnavailable) {
    useCards({"current"});
    driver().removeOperation("NvAPI_DRS_CreateSession");
    startUp();
    monitoringPass();
    monitoringPass();
    EXPECT_EQ(tuning.fpsTarget, ValueUnavailable);
    EXPECT_EQ(static_cast<std::uint64_t>(tuning.fpsTarget.load()) >> 32, 0xFFFFFFFFu);

    panel.easyChoice = PresetEco;
    applyEasyPreset(panel.easyChoice);
    finishApplySettle();
    EXPECT_EQ(driver().count("NvAPI_DRS_SetSetting"), 0);
    EXPECT_NE(log().find("EASY_SETTINGS = FAILED"), std::string::npos);
}

TEST_F(MonitorTest, FrameRateSentinelsKeepTheirHighWord) {
    useCards({"current"});
    startUp();
    monitoringPass();
    EXPECT_EQ(tuning.fpsTarget, -100);
    panel.fpsTargetEdit = 90;
    applyAdvancedPage(2, panelPageValues());
    finishApplySettle();
    monitoringPass();
    EXPECT_EQ(tuning.fpsTarget, 90);
    driver().failOperation("NvAPI_DRS_GetBaseProfile", -1);
    monitoringPass();
    EXPECT_EQ(tuning.fpsTarget, ValueUnavailable);
}

TEST_F(MonitorTest, UnflaggedCardShowsOffsetsFromItsMaximumAndNoPowerRanges) {
    useCards({"unlisted"});
    startUp();
    driver().editGpu(0, [](sim::SimGpu& gpu) {
        gpu.graphicsDelta = 20000;
        gpu.graphicsDeltaMin = -400000;
        gpu.graphicsDeltaMax = 135000;
    });
    monitoringPass();
    EXPECT_EQ(tuning.gpuOffset, 155000.0f);  // delta + max
    EXPECT_EQ(tuning.gpuOffsetMax, 135000.0f);
    EXPECT_EQ(tuning.gpuOffsetMin, -165000.0f);  // max - 300000 when the span is wider
    EXPECT_EQ(tuning.powerTargetMin, 0);
    EXPECT_EQ(tuning.powerTargetMax, 0);
    EXPECT_EQ(tuning.tempTargetMin, 0);
    EXPECT_EQ(tuning.tempTargetMax, 0);
    EXPECT_EQ(monitor.voltageOffsetMax, 0);
}

// The power slider never goes below half the card's rated power, whatever
// the driver would allow; above that the driver's minimum stands.
TEST_F(MonitorTest, PowerMinimumIsRaisedToHalfTheRatedPower) {
    struct Case {
        std::uint32_t driverMinimum;
        std::int32_t shown;
    } const cases[] = {{30000, 50000}, {49999, 50000}, {50000, 50000}, {50001, 50001}, {70000, 70000}};
    for (const Case& c : cases) {
        useCards({"cooler"});
        startUp();
        driver().editGpu(0, [&](sim::SimGpu& gpu) { gpu.powerMin = c.driverMinimum; });
        monitoringPass();
        EXPECT_EQ(tuning.powerTargetMin, c.shown) << c.driverMinimum;
        EXPECT_EQ(tuning.powerTargetMax, static_cast<std::int32_t>(driver().gpu(0).powerMax));
    }
}

TEST_F(MonitorTest, FailedTableReadZeroesEveryOffset) {
    useCards({"current"});
    startUp();
    driver().failOperation("NvAPI_GPU_GetPstates20", -5);
    monitoringPass();
    EXPECT_EQ(tuning.gpuOffsetMin, 0.0f);
    EXPECT_EQ(tuning.memOffsetMax, 0.0f);
    EXPECT_EQ(monitor.voltageOffsetMax, 0);
}

TEST_F(MonitorTest, LoadAlwaysComesFromTheFirstGpuOfAFreshEnumeration) {
    useCards({"current", "current"});
    startUp();
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.fixedLoad = 12; });
    driver().editGpu(1, [](sim::SimGpu& gpu) {
        gpu.fixedLoad = 88;
        gpu.outputMask = 1;
    });
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.outputMask = 0; });
    driver().advance(1000);
    monitoringPass();  // the current GPU is now the second one
    EXPECT_EQ(monitor.gpu[1].gpuLoad, 12);
    EXPECT_EQ(monitor.gpu[0].gpuLoad, 0);
}

TEST_F(MonitorTest, LoadLibraryComesOnlyFromTheSystemFolder) {
    useCards({"current"});
    startUp();
    fake.clearCalls();
    monitoringPass();
    std::vector<std::string> loads = fake.callsStartingWith("loadLibrary " + DriverLibrary);
    ASSERT_FALSE(loads.empty());
    for (const std::string& load : loads) EXPECT_EQ(load, "loadLibrary " + DriverLibrary + " flags=800");
    EXPECT_EQ(fake.count("loadLibrary") - fake.count("loadLibrary " + DriverLibrary) -
                  fake.count("loadLibrary msasn1.dll") - fake.count("loadLibrary cryptnet.dll") -
                  fake.count("loadLibrary cryptbase.dll"),
              0);
}

TEST_F(MonitorTest, EveryHolderOfTheGateAndTheTraySkipThePass) {
    useCards({"current"});
    startUp();
    monitoringPass();
    for (GateHolder holder : {GateHolder::Apply, GateHolder::Reset, GateHolder::ProfileLoad, GateHolder::Shutdown}) {
        driver().clearCalls();
        DriverGate::Hold hold = gpuWorkers.gate().close(holder);
        monitoringPass();
        EXPECT_EQ(driver().calls().size(), 0u) << static_cast<int>(holder);
    }
    driver().clearCalls();
    gpuWorkers.enterTray();
    monitoringPass();
    EXPECT_EQ(driver().calls().size(), 0u);
    gpuWorkers.leaveTray();
    monitoringPass();
    EXPECT_GT(driver().calls().size(), 0u);
}

TEST_F(MonitorTest, CurvePageFollowsTheDriversCurve) {
    useCards({"current"});
    startUp();
    lifecycle.mainWindow = reinterpret_cast<WindowHandle>(0x42);
    lifecycle.activePage = 4;
    monitoringPass();
    EXPECT_EQ(fake.count("postMessage 800b"), 1);
    EXPECT_EQ(inventory.slots[0].curveTemp[1], 60);
    EXPECT_EQ(inventory.slots[0].curveFan[3], 85);
    monitoringPass();
    EXPECT_EQ(fake.count("postMessage 800b"), 1);  // unchanged: nothing to move
    lifecycle.activePage = 0;
    driver().editGpu(0, [](sim::SimGpu& gpu) { gpu.curve[0].points[1].temperature = 65 * 256; });
    monitoringPass();
    EXPECT_EQ(fake.count("postMessage 800b"), 1);  // not shown: not followed
    lifecycle.mainWindow = nullptr;
}

TEST_F(MonitorTest, FanFloorsByLevel) {
    EXPECT_EQ(fanFloor(0), 0);
    EXPECT_EQ(fanFloor(1), 50);
    EXPECT_EQ(fanFloor(2), 50);
    EXPECT_EQ(fanFloor(3), 70);
    EXPECT_EQ(fanFloor(4), 0);
}

TEST_F(MonitorTest, FanLevelThreeHoldsTheFloorAndGoesFullWhenHot) {
    useCards({"cooler"});
    startUp();
    tuning.fanLevel = 3;
    struct Case {
        std::int32_t temperature, storedLevel, sent;
    } cases[] = {
        {65, 40, 70},   // below the floor: the floor
        {85, 70, 100},  // hot: full speed
        {75, 72, 75},   // warm, fan above the floor: the temperature
        {75, 40, 70},   // warm, fan below the floor: the floor
        {85, 100, 85},  // hot but already full: the temperature
    };
    for (const Case& c : cases) {
        monitor.gpu[0].gpuTemperature = c.temperature;
        inventory.slots[0].fanSpeed = c.storedLevel;
        fanLevelPass();
        EXPECT_EQ(driver().gpu(0).fans[0].manualLevel, c.sent) << c.temperature << " " << c.storedLevel;
    }
    tuning.fanLevel = 0;
    driver().clearCalls();
    fanLevelPass();
    EXPECT_EQ(driver().count("SetCoolerLevels"), 0);
}

TEST_F(MonitorTest, FanFloorWalksEveryGpuWithSliSync) {
    useCards({"cooler", "cooler", "cooler"});
    startUp();
    tuning.fanLevel = 1;
    monitor.gpu[0].gpuTemperature = 40;  // the current GPU is cool: every GPU to the floor
    fanLevelPass();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(driver().gpu(i).fans[0].manualLevel, 50) << i;

    monitor.gpu[0].gpuTemperature = 90;
    monitor.gpu[1].gpuTemperature = 30;  // cool: left alone
    monitor.gpu[2].gpuTemperature = 60;
    for (int i = 0; i < 3; ++i) inventory.slots[i].fanSpeed = 55;
    fanLevelPass();
    EXPECT_EQ(driver().gpu(0).fans[0].manualLevel, 100);
    EXPECT_EQ(driver().gpu(1).fans[0].manualLevel, 50);
    EXPECT_EQ(driver().gpu(2).fans[0].manualLevel, 60);
}

TEST_F(MonitorTest, ThreadsEndSoonAfterTheProgramStops) {
    useCards({"current"});
    startUp();
    lifecycle.running = 1;
    gpuWorkers.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto stop = std::chrono::steady_clock::now();
    lifecycle.running = 0;
    gpuWorkers.stop();
    const auto waited = std::chrono::steady_clock::now() - stop;
    EXPECT_LT(waited, std::chrono::milliseconds(300));  // the join wakes them; no pass is waited out
    EXPECT_EQ(driver().openSessions(), 0);
}

// The window thread applies and resets while both threads sample and hold
// the floor: nothing here may race (the suite also runs under TSan).
TEST_F(MonitorTest, WorkersRunBesideApplyAndReset) {
    useCards({"cooler", "current"});
    startUp();
    tuning.fanLevel = 2;
    lifecycle.running = 1;
    gpuWorkers.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // past the threads' start
    fake.dialogButtons[139] = {1016, 1016};
    for (int round = 0; round < 2; ++round) {
        panel.advancedMode = 1;
        panel.gpuOffsetEdit = 30.0f + round;
        applyAdvancedPage(0, panelPageValues());
        resetToDefaults();
        resetTakenOver();
        panel.easyChoice = PresetHighPerformance;
        applyEasyPreset(panel.easyChoice);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    lifecycle.running = 0;
    gpuWorkers.stop();
    finishApplySettle();
    EXPECT_EQ(driver().openSessions(), 0);  // the monitoring thread closed the last one
}

// The history record written 1500 ms after an apply holds what the monitor
// read back: the settle's end asks the monitoring thread for a pass at once,
// and the fan-level thread, which sleeps the same way, must not take it.
TEST_F(MonitorTest, TheSettleAsksForAPassAtOnce) {
    useCards({"cooler"});
    startUp();
    tuning.fanLevel = 2;  // the fan-level thread runs its passes too
    lifecycle.running = 1;
    gpuWorkers.start();
    for (int round = 0; round < 4; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 100 * round));  // anywhere in the period
        beginApply();
        applyAdvancedPage(0, panelPageValues());
        // The busy flags hold the driver until the settle ends; a pass already
        // under way when the apply began is over by now.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int before = driver().count("NvAPI_GPU_GetThermalSettings");
        finishApplySettle();
        const auto settled = std::chrono::steady_clock::now();
        while (driver().count("NvAPI_GPU_GetThermalSettings") == before &&
               std::chrono::steady_clock::now() - settled < std::chrono::seconds(2)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_LT(std::chrono::steady_clock::now() - settled, std::chrono::milliseconds(400)) << "round " << round;
    }
}

}  // namespace
}  // namespace vt
