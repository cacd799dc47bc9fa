#include "tests/unit/GpuTestSupport.h"

#include <filesystem>

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "app/shell/StateReset.h"
#include "driver/DriverApi.h"
#include "driver/DriverBinder.h"
#include "driver/SystemLibraryLoader.h"
#include "gpu/Apply.h"
#include "gpu/ClockRanges.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "gpu/WindowHooks.h"
#include "settings/SettingsHistory.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"

namespace vt::test {
namespace {

void resetSharedState() {
    resetLifecycle();
    resetShellState();
    resetAllState();
}

}  // namespace

GpuTest::GpuTest() {
    resetSharedState();
    lifecycle.programFolder = folder.path().string();
    fake.fixedClock = true;
    std::filesystem::create_directory("log");  // start-up makes it
    driver().useManualClock();
}

GpuTest::~GpuTest() {
    finishApplySettle();
    finishHistoryWriter();
    endMonitoring();  // a session opened by a pass belongs to this test's driver
    resetSharedState();
}

// A new driver is a new process's view of it: nothing bound, nothing known.
void GpuTest::startAfresh(const sim::SimConfig& config) {
    binder::resetBinding();
    resetGpuInventory();
    driver().reset(config);
    driver().useManualClock();
}

void GpuTest::useCards(const std::vector<std::string>& models) {
    sim::SimConfig config;
    for (const std::string& model : models) {
        sim::SimGpu gpu;
        EXPECT_TRUE(sim::cardModel(model, gpu)) << model;
        config.gpus.push_back(gpu);
    }
    if (!config.gpus.empty()) config.gpus.front().outputMask = 1;
    startAfresh(config);
}

void GpuTest::useDeviceIds(const std::string& model, const std::vector<std::uint32_t>& deviceIds) {
    sim::SimConfig config;
    for (std::uint32_t id : deviceIds) {
        sim::SimGpu gpu;
        EXPECT_TRUE(sim::cardModel(model, gpu)) << model;
        gpu.deviceId = id;
        config.gpus.push_back(gpu);
    }
    if (!config.gpus.empty()) config.gpus.front().outputMask = 1;
    startAfresh(config);
}

void GpuTest::startUp() {
    InventoryResult result = buildInventory();
    ASSERT_EQ(result.failure, InventoryResult::None) << result.status;
    readRanges();
    driver().clearCalls();
}

void GpuTest::readRanges() {
    readSettingRanges(inventory.slots[currentGpuIndex()]);
    tuning.fpsTarget = ValueAutomatic;
}

std::string GpuTest::log() const { return readFile("log/log.txt"); }

std::vector<std::string> GpuTest::calls(const std::string& operation) const {
    std::vector<std::string> out;
    for (const sim::SimCallRecord& record : sim::Simulator::instance().calls(operation)) out.push_back(record.text());
    return out;
}

}  // namespace vt::test
