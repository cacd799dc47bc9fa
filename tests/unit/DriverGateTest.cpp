// The driver gate and the workers' owner: every writer's road takes the gate
// and lets it go, its failure returns included; a monitoring pass never
// overlaps a write; the meters are never read half published.
#include "gpu/DriverGate.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/PanelEdit.h"
#include "app/panels/ActionButtons.h"
#include "gpu/Apply.h"
#include "gpu/Monitor.h"
#include "gpu/ProfileApplication.h"
#include "gpu/Reset.h"
#include "gpu/Workers.h"
#include "settings/SettingsHistory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

TEST(DriverGate, APassRunsOnlyWhileNobodyHoldsIt) {
    DriverGate gate;
    int passes = 0;
    const auto pass = [&] { ++passes; };
    EXPECT_TRUE(gate.runPass(pass));
    {
        DriverGate::Hold apply = gate.close(GateHolder::Apply);
        DriverGate::Hold reset = gate.close(GateHolder::Reset);
        EXPECT_FALSE(gate.runPass(pass));
        apply.release();
        EXPECT_TRUE(gate.heldBy(GateHolder::Reset));
        EXPECT_FALSE(gate.heldBy(GateHolder::Apply));
        EXPECT_FALSE(gate.runPass(pass));
        DriverGate::Hold moved = std::move(reset);  // handed on, still held
        EXPECT_FALSE(reset.held());
        EXPECT_FALSE(gate.runPass(pass));
    }
    EXPECT_FALSE(gate.held());
    EXPECT_TRUE(gate.runPass(pass));
    EXPECT_EQ(passes, 2);
    DriverGate::Hold forGood = gate.close(GateHolder::Shutdown);
    gate.reopen();
    EXPECT_TRUE(gate.runPass(pass));
    forGood.release();  // after a reopen, a late release takes nothing from anybody
    EXPECT_FALSE(gate.held());
}

// A writer that arrives while a pass runs waits for it; a pass never starts
// while a writer holds the gate. Thousands of rounds at every offset.
TEST(DriverGate, AWriteNeverOverlapsAPass) {
    DriverGate gate;
    std::atomic<bool> inPass{false};
    std::atomic<bool> writing{false};
    std::atomic<bool> done{false};
    std::atomic<int> overlaps{0};
    std::atomic<int> passes{0};
    std::thread monitor([&] {
        while (!done) {
            gate.runPass([&] {
                inPass = true;
                if (writing) ++overlaps;
                std::this_thread::yield();
                if (writing) ++overlaps;
                inPass = false;
                ++passes;
            });
        }
    });
    for (int round = 0; round < 3000; ++round) {
        DriverGate::Hold hold = gate.close(round % 2 ? GateHolder::Apply : GateHolder::ProfileLoad);
        writing = true;
        if (inPass) ++overlaps;
        std::this_thread::yield();
        if (inPass) ++overlaps;
        writing = false;
    }
    done = true;
    monitor.join();
    EXPECT_EQ(overlaps, 0);
    EXPECT_GT(passes, 0);
}

// A pass publishes its meters whole: a reader sees one pass's values, all of
// the GPU they name, never some of the next pass's (run under TSan too).
TEST(PublishedMeters, AReaderNeverSeesHalfASample) {
    PublishedMeters meters;
    std::atomic<bool> done{false};
    std::thread pass([&] {
        for (int round = 0; round < 5000; ++round) {
            const float gpu = static_cast<float>(round % 4);
            meters.publish({round % 4, gpu / 4, gpu / 4, gpu * 10, gpu * 20, gpu * 5, gpu * 6, gpu * 7});
        }
        done = true;
    });
    int torn = 0;
    int reads = 0;
    while (!done || reads < 5000) {
        const MeterSample seen = meters.read();
        ++reads;
        if (seen.gpu < 0) continue;
        const float gpu = static_cast<float>(seen.gpu);
        const bool whole = seen.gpuClockRatio == gpu / 4 && seen.memClockRatio == gpu / 4 &&
                           seen.temperature == gpu * 10 && seen.load == gpu * 20 && seen.fanLevel == gpu * 5 &&
                           seen.fan1Level == gpu * 6 && seen.fan2Level == gpu * 7;
        if (!whole) ++torn;
    }
    pass.join();
    EXPECT_EQ(torn, 0);
}

class GateRoadsTest : public test::GpuTest {
protected:
    GateRoadsTest() {
        useCards({"cooler"});
        startUp();
        monitoringPass();  // the session is open, as it is from the thread's start
    }
    // Whether a monitoring pass would reach the driver now.
    bool passRuns() {
        const std::size_t before = driver().calls().size();
        monitoringPass();
        return driver().calls().size() > before;
    }
};

TEST_F(GateRoadsTest, EveryWritersRoadTakesTheGateAndLetsItGo) {
    struct Road {
        const char* name;
        std::function<void()> run;
        bool heldAfterwards;  // until its settle or the panels end it
        std::function<void()> end;
    } roads[] = {
        {"apply of a page", [] { applyAdvancedPage(ClockPage, PageValues{}); }, true, [] { finishApplySettle(); }},
        {"easy preset", [] { applyEasyPreset(PresetEco); }, true, [] { finishApplySettle(); }},
        {"refused preset",
         [] {
             beginApply();
             applyEasyPreset(7);
         },
         false, [] {}},
        {"reset", [] { resetGpusToDefaults(); }, true, [] { resetTakenOver(); }},
        {"profile load", [] { applyProfileFile("missing.cfg"); }, false, [] {}},
        {"history load of an empty slot", [] { applyHistoryRecord(historyPath(), 6); }, false, [] {}},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        ASSERT_FALSE(gpuWorkers.gate().held());
        road.run();
        EXPECT_EQ(gpuWorkers.gate().held(), road.heldAfterwards);
        EXPECT_EQ(passRuns(), !road.heldAfterwards);
        road.end();
        finishHistoryWriter();
        EXPECT_FALSE(gpuWorkers.gate().held());
        EXPECT_TRUE(passRuns());
    }
}

// The real threads beside the window thread's applies: between the first and
// the last write of an apply the monitoring thread reads nothing.
TEST_F(GateRoadsTest, TheMonitoringThreadNeverReadsBetweenAnApplysWrites) {
    lifecycle.running = 1;
    gpuWorkers.start();
    PageValues values;
    for (int round = 0; round < 6; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(70 * round % 300));  // anywhere in the period
        values.gpuOffset = static_cast<float>(10 + round);
        values.memOffset = static_cast<float>(20 + round);
        driver().clearCalls();
        applyAdvancedPage(ClockPage, values);
        const std::vector<sim::SimCallRecord> calls = driver().calls();
        std::vector<std::size_t> writes;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].operation == "SetPstates20") writes.push_back(i);
        }
        ASSERT_GE(writes.size(), 2u) << round;
        for (std::size_t i = writes.front(); i <= writes.back(); ++i) {
            EXPECT_NE(calls[i].operation, "NvAPI_GPU_GetThermalSettings") << "round " << round;
        }
        finishApplySettle();
        finishHistoryWriter();
    }
    lifecycle.running = 0;
    gpuWorkers.stop();
}

// In the tray with no fan level the workers rest: no pass, no wake-up, until
// the window comes back, when a pass follows at once.
TEST_F(GateRoadsTest, InTheTrayTheWorkersRestUntilTheWindowIsBack) {
    tuning.fanLevel = 0;
    lifecycle.running = 1;
    gpuWorkers.enterTray();
    gpuWorkers.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    driver().clearCalls();
    std::this_thread::sleep_for(std::chrono::milliseconds(2300));
    EXPECT_EQ(driver().calls().size(), 0u);
    gpuWorkers.leaveTray();
    const auto back = std::chrono::steady_clock::now();
    while (driver().count("NvAPI_GPU_GetThermalSettings") == 0 &&
           std::chrono::steady_clock::now() - back < std::chrono::seconds(2)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - back, std::chrono::milliseconds(500));
    // A fan level set meanwhile wakes the fan-level thread, which holds the floor.
    tuning.fanLevel = 3;
    gpuWorkers.fanLevelChanged();
    const auto set = std::chrono::steady_clock::now();
    while (driver().count("SetCoolerLevels") == 0 && std::chrono::steady_clock::now() - set < std::chrono::seconds(2)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - set, std::chrono::milliseconds(500));
    lifecycle.running = 0;
    gpuWorkers.stop();
}

}  // namespace
}  // namespace vt
