// The simulated driver as a model: its set-up text, the way the card behaves
// over time, the faults it can be told to show, and what it reports.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "driver/DriverApi.h"
#include "sim/SimModel.h"
#include "tests/unit/DriverTestSupport.h"

namespace vt {
namespace {

using sim::SimConfig;
using sim::SimGpu;

SimConfig parsed(std::string_view text) {
    SimConfig config;
    std::string error;
    EXPECT_TRUE(sim::parseConfig(text, config, error)) << error;
    return config;
}

void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

void clearEnvironment(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

std::string parseError(std::string_view text) {
    SimConfig config;
    std::string error;
    EXPECT_FALSE(sim::parseConfig(text, config, error));
    return error;
}

TEST(SimConfigTest, EmptyTextIsOneCurrentCardThatDrivesTheDisplay) {
    const SimConfig config = parsed("# nothing but a comment\n\n");
    ASSERT_EQ(config.gpus.size(), 1u);
    EXPECT_EQ(config.gpus[0].model, "current");
    EXPECT_EQ(config.gpus[0].deviceId, 0x220610DEu);
    EXPECT_EQ(config.gpus[0].outputMask, 1u);
    EXPECT_EQ(config.gpus[0].fans.size(), 2u);
    EXPECT_TRUE(config.gpus[0].fanCurve);
}

TEST(SimConfigTest, CardModelsAndTheirAdjustments) {
    const SimConfig config = parsed(
        "hooks = 1\n"
        "fail = SetPstates20 -104 gpu=1\n"
        "missing = GetFanCurve GetFanCurveInfo\n"
        "gpu = cooler\n"
        "name = NVIDIA Test Card   # trailing comment\n"
        "device = 0x1c8210de\n"
        "pstates = 0 5 8\n"
        "graphicsDeltaRange = -50000 250000\n"
        "power = 60000 100000 110000\n"
        "thermal = 60 80 90\n"
        "fanRange = 25 95\n"
        "load = 40\n"
        "gpu = current\n"
        "fans = 1\n"
        "display = 0\n"
        "curve = 40:35:1000 60:55:1600 80:90:2700\n"
        "versions.NvAPI_GPU_GetPstates20 = 0x21CF8\n");
    EXPECT_TRUE(config.hooks);
    ASSERT_EQ(config.failures.size(), 1u);
    EXPECT_EQ(config.failures[0].operation, "SetPstates20");
    EXPECT_EQ(config.failures[0].status, -104);
    EXPECT_EQ(config.failures[0].gpu, 1);
    EXPECT_EQ(config.missing.count("GetFanCurveInfo"), 1u);

    ASSERT_EQ(config.gpus.size(), 2u);
    const SimGpu& first = config.gpus[0];
    EXPECT_EQ(first.name, "NVIDIA Test Card");
    EXPECT_EQ(first.deviceId, 0x1C8210DEu);
    EXPECT_EQ(first.pstates, (std::vector<std::uint32_t>{0, 5, 8}));
    EXPECT_EQ(first.graphicsDeltaMin, -50000);
    EXPECT_EQ(first.powerMax, 110000u);
    EXPECT_EQ(first.thermalMax, 90 * 256);
    EXPECT_EQ(first.fans[0].minLevel, 25);
    EXPECT_EQ(first.fixedLoad, 40);
    EXPECT_EQ(first.outputMask, 1u);

    const SimGpu& second = config.gpus[1];
    EXPECT_EQ(second.fans.size(), 1u);
    EXPECT_EQ(second.outputMask, 0u);
    ASSERT_EQ(second.curve.size(), 1u);
    EXPECT_EQ(second.curve[0].points[1], (sim::SimCurvePoint{60 * 256, 55 * 65536 / 100, 1600}));
    EXPECT_EQ(second.versions.at("NvAPI_GPU_GetPstates20"), (std::vector<std::uint32_t>{0x21CF8}));
}

TEST(SimConfigTest, MistakesNameTheirLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"gpu = current\nbogus = 1\n", "line 2: unknown key 'bogus'"},
        {"gpu = quantum\n", "line 1: unknown card model: quantum"},
        {"name = orphan\n", "line 1: 'name' needs a gpu line before it"},
        {"gpu = current\ndevice = 12ab\n", "line 2: not a number: 12ab"},
        {"gpu = current\nfans = 3\n", "line 2: the per-fan interface has 1 or 2 fans, the cooler interface 1"},
        {"gpu = current\npstates = 2 5\n", "line 2: pstates: 1 to 16 ascending ids starting with 0"},
        {"gpu = current\npower = 1 2\n", "line 2: expected 3 numbers, got 2"},
        {"just words\n", "line 1: expected key = value"},
        {"gpu = current\ngpu = current\ngpu = current\ngpu = current\ngpu = current\ngpu = current\ngpu = current\n",
         "line 7: at most 6 GPUs"},
    };
    for (const Case& c : cases) EXPECT_EQ(parseError(c.text), c.error) << c.text;
}

TEST(SimConfigTest, ReadyConfigurationFilesParse) {
    const std::filesystem::path folder = std::filesystem::path(__FILE__).parent_path() / "../../sim/configs";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "sources not reachable from here";
    const std::map<std::string, std::size_t> expected{
        {"current.cfg", 1}, {"cooler.cfg", 1}, {"legacy.cfg", 1}, {"unlisted.cfg", 1}, {"five-gpus.cfg", 5}};
    for (const auto& [name, gpus] : expected) {
        SCOPED_TRACE(name);
        std::ifstream in(folder / name);
        ASSERT_TRUE(in);
        std::ostringstream text;
        text << in.rdbuf();
        EXPECT_EQ(parsed(text.str()).gpus.size(), gpus);
    }
}

class SimulatorTest : public test::InitializedDriverTest {
protected:
    int temperature() {
        ThermalSettings thermal;
        EXPECT_EQ(DriverApi::getThermalSettings(gpu(), 0, thermal), DriverOk);
        return thermal.sensor0Temperature();
    }
};

TEST_F(SimulatorTest, HeavyLoadWarmsTheCardAndTheAutomaticFansFollowTheCurve) {
    use("gpu = current\nload = 100\ntemperature = 35\n");
    const int cold = temperature();
    simulator().advance(60000);
    const int warm = temperature();
    EXPECT_GT(warm, cold + 20);

    FanCoolerStatus fans;
    ASSERT_EQ(DriverApi::getFanCoolerStatus(gpu(), fans), DriverOk);
    const SimGpu state = simulator().gpu(0);
    const int expected = int(std::lround(sim::automaticFanLevel(state, 0)));
    EXPECT_EQ(fans.level(0), expected);
    EXPECT_GT(fans.level(0), 30);
}

TEST_F(SimulatorTest, FasterFansKeepTheCardCooler) {
    use("gpu = current\nload = 100\n");
    simulator().advance(120000);
    const int automatic = temperature();
    FanCoolerControl full;
    full.setFanCount(2);
    full.setFan(0, 1, 100, true);
    full.setFan(1, 2, 100, true);
    ASSERT_EQ(DriverApi::setFanCoolerControl(gpu(), full), DriverOk);
    simulator().advance(120000);
    EXPECT_LT(temperature(), automatic);
}

TEST_F(SimulatorTest, LoadRepeatsEveryMinuteAndTheGpuUsageReportsIt) {
    use("gpu = current\nload = cycle\n");
    const std::pair<std::uint32_t, int> moments[] = {{5000, 2}, {20000, 95}, {45000, 45}, {55000, 2}};
    std::uint32_t elapsed = 0;
    for (auto [at, load] : moments) {
        simulator().advance(at - elapsed);
        elapsed = at;
        const SimGpu state = simulator().gpu(0);
        EXPECT_NEAR(state.load, load, 2.5) << at;
    }
}

TEST_F(SimulatorTest, LowerPowerTargetHoldsTheClockBack) {
    use("gpu = current\nload = 100\ntemperature = 40\n");
    simulator().advance(100);
    ClockFrequencies before;
    ASSERT_EQ(DriverApi::getAllClockFrequencies(gpu(), before), DriverOk);
    PowerPolicyStatus low;
    low.requestLimit(60000);
    ASSERT_EQ(DriverApi::setPowerPolicyStatus(gpu(), low), DriverOk);
    ClockFrequencies after;
    ASSERT_EQ(DriverApi::getAllClockFrequencies(gpu(), after), DriverOk);
    EXPECT_LT(after.graphicsKHz(), before.graphicsKHz());
    EXPECT_LE(sim::powerDrawPercent(simulator().gpu(0)), 60.5);
}

TEST_F(SimulatorTest, ReachingTheTemperatureTargetDropsTheBoost) {
    use("gpu = current\nload = 60\ntemperature = 40\n");
    simulator().editGpu(0, [](SimGpu& gpu) { gpu.thermalLimit = 65 * 256; gpu.temperature = 70; });
    ClockFrequencies clocks;
    ASSERT_EQ(DriverApi::getAllClockFrequencies(gpu(), clocks), DriverOk);
    EXPECT_EQ(clocks.graphicsKHz(), 1440000u);
}

TEST_F(SimulatorTest, CallsBeforeInitialisationAndWithUnknownHandlesAreRefused) {
    binder::resetBinding();
    simulator().reset();
    // Straight to the driver's function, as a program that skipped the initialisation would.
    auto getPstate = reinterpret_cast<std::int32_t(VT_DRIVER_CALL*)(GpuHandle, std::uint32_t*)>(
        sim::queryInterfaceEntry()(0x927DA4F6));
    std::uint32_t pstate = 0;
    EXPECT_EQ(getPstate(gpu(), &pstate), -4);
    ASSERT_EQ(DriverApi::initialize(), DriverOk);
    EXPECT_EQ(getPstate(gpu(), &pstate), 0);
    EXPECT_EQ(getPstate(gpu(1), &pstate), -101);
    EXPECT_EQ(getPstate(gpu(), nullptr), -5);
}

TEST_F(SimulatorTest, FailureCanBeLimitedToOneGpu) {
    use("fail = GetCurrentPstate -6 gpu=1\ngpu = current\ngpu = current\n");
    std::uint32_t pstate = 0;
    EXPECT_EQ(DriverApi::getCurrentPstate(gpu(0), pstate), DriverOk);
    EXPECT_EQ(DriverApi::getCurrentPstate(gpu(1), pstate), -6);
    const auto record = simulator().calls("GetCurrentPstate");
    ASSERT_EQ(record.size(), 2u);
    EXPECT_EQ(record[1].text(), "GetCurrentPstate gpu=1 status=-6");
}

TEST_F(SimulatorTest, NoGpuAtAllMakesEnumerationFail) {
    simulator().reset(SimConfig{});
    binder::resetBinding();
    ASSERT_EQ(DriverApi::initialize(), DriverOk);
    GpuHandleList handles{};
    std::uint32_t count = 9;
    EXPECT_EQ(DriverApi::enumPhysicalGpus(handles, count), -6);
    EXPECT_EQ(count, 0u);
}

TEST_F(SimulatorTest, SessionsAreLimitedAndEachSeesTheSavedSettingsOnlyAfterLoading) {
    DrsSession first = nullptr, second = nullptr;
    DrsProfile profile = nullptr;
    ASSERT_EQ(DriverApi::drsCreateSession(first), DriverOk);
    EXPECT_EQ(DriverApi::drsGetBaseProfile(first, profile), -163);
    ASSERT_EQ(DriverApi::drsLoadSettings(first), DriverOk);
    ASSERT_EQ(DriverApi::drsGetBaseProfile(first, profile), DriverOk);
    DrsSetting setting;
    setting.requestDword(FrameRateLimiterSetting, 2000);
    EXPECT_EQ(DriverApi::drsSetSetting(first, profile, setting), -5);
    setting.requestDword(FrameRateLimiterSetting, 30);
    ASSERT_EQ(DriverApi::drsSetSetting(first, profile, setting), DriverOk);
    ASSERT_EQ(DriverApi::drsSaveSettings(first), DriverOk);

    ASSERT_EQ(DriverApi::drsCreateSession(second), DriverOk);
    DrsProfile secondProfile = nullptr;
    ASSERT_EQ(DriverApi::drsLoadSettings(second), DriverOk);
    ASSERT_EQ(DriverApi::drsGetBaseProfile(second, secondProfile), DriverOk);
    DrsSetting read;
    EXPECT_EQ(DriverApi::drsGetSetting(second, profile, FrameRateLimiterSetting, read), -8);  // another session's
    ASSERT_EQ(DriverApi::drsGetSetting(second, secondProfile, FrameRateLimiterSetting, read), DriverOk);
    EXPECT_EQ(read.currentValue(), 30u);

    std::vector<DrsSession> more;
    DrsSession extra = nullptr;
    while (DriverApi::drsCreateSession(extra) == DriverOk) more.push_back(extra);
    EXPECT_EQ(simulator().openSessions(), 64);
    EXPECT_EQ(DriverApi::drsCreateSession(extra), -130);
}

TEST_F(SimulatorTest, StateFileShowsWhatReachedTheHardwareAfterEverySetCall) {
    const std::string path = (folder.path() / "sim-state.txt").string();
    simulator().setStatePath(path);
    Pstates20 request;
    request.requestClockDelta(Pstates20::GraphicsDomain, 50000);
    ASSERT_EQ(DriverApi::setPstates20(gpu(), request), DriverOk);
    std::string state = test::readFile(path);
    EXPECT_NE(state.find("gpu0.graphicsDelta = 50000\n"), std::string::npos) << state;
    EXPECT_NE(state.find("gpu0.name = NVIDIA GeForce RTX 3080\n"), std::string::npos);
    EXPECT_NE(state.find("gpu0.curve0 = 7680:19660:900 15360:32768:1500 20480:55705:2550\n"), std::string::npos);

    DrsSession session = nullptr;
    DrsProfile profile = nullptr;
    DriverApi::drsCreateSession(session);
    DriverApi::drsLoadSettings(session);
    DriverApi::drsGetBaseProfile(session, profile);
    DrsSetting setting;
    setting.requestDword(FrameRateLimiterSetting, 75);
    DriverApi::drsSetSetting(session, profile, setting);
    DriverApi::drsSaveSettings(session);
    state = test::readFile(path);
    EXPECT_NE(state.find("drs.0x10835002 = 75\n"), std::string::npos) << state;
    EXPECT_NE(state.find("drs.sessions = 1\n"), std::string::npos);
}

TEST_F(SimulatorTest, CallLogHasOneLinePerCall) {
    const std::string path = (folder.path() / "sim-calls.txt").string();
    simulator().setCallLogPath(path);
    std::uint32_t pstate = 0;
    DriverApi::enableDynamicPstates(gpu(), 0);
    DriverApi::setPstateClientLimit(gpu(), PstateClientLimitKind, 5);
    DriverApi::getCurrentPstate(gpu(), pstate);
    EXPECT_EQ(test::readFile(path),
              "EnableDynamicPstates gpu=0 status=0 enable=0\n"
              "SetPstateClientLimit gpu=0 status=0 kind=3 pstate=5\n"
              "GetCurrentPstate gpu=0 status=0 pstate=5\n");
    simulator().setCallLogPath("");
}

TEST_F(SimulatorTest, BrokenConfigurationFileLeavesADriverThatDoesNotInitialise) {
    const std::string config = (folder.path() / "bad.cfg").string();
    const std::string state = (folder.path() / "state.txt").string();
    test::writeFile(config, "gpu = current\nfans = 7\n");
    setEnvironment("VANTRELIS_SIM_CONFIG", config);
    setEnvironment("VANTRELIS_SIM_STATE", state);
    std::string error;
    EXPECT_FALSE(simulator().resetFromEnvironment(error));
    EXPECT_EQ(error, "line 2: the per-fan interface has 1 or 2 fans, the cooler interface 1");
    binder::resetBinding();
    EXPECT_EQ(DriverApi::initialize(), -1);
    EXPECT_NE(test::readFile(state).find("configError = line 2:"), std::string::npos);
    clearEnvironment("VANTRELIS_SIM_CONFIG");
    clearEnvironment("VANTRELIS_SIM_STATE");
    simulator().setStatePath("");
}

}  // namespace
}  // namespace vt
