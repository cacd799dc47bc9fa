#include "app/panels/ProfileLoads.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/ProfileApplication.h"

#include <filesystem>
#include <map>

#include "app/PanelEdit.h"
#include "driver/DriverOperations.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

// A profile as the writer makes it, with the given lines replacing its own.
std::string profile(const std::string& deviceIds, std::map<std::string, std::string> changes) {
    std::vector<std::pair<std::string, std::string>> lines = {
        {"DeviceID", deviceIds},     {"GPU", "0"},           {"EASY_SETTINGS", "3"},
        {"GPU_OFFSET", "0.000"},     {"MEM_OFFSET", "0.000"}, {"POWER_TARGET", "100000.000"},
        {"TEMP_TARGET", "83.000"},   {"FPS_TARGET", "0"},    {"FAN_SPEED", "-100"},
        {"FAN_LEVEL", "0"},          {"FAN_CURVE", "0"},     {"PSTATE", "-1"},
        {"SLI-SYNC", "1"},           {"Ver", "2.10"},
    };
    std::string text;
    for (auto& [key, value] : lines) {
        auto change = changes.find(key);
        if (change != changes.end()) {
            value = change->second;
            changes.erase(change);
        }
        if (value != "-") text += key + " = " + value + "\n";
    }
    // Keys the writer does not emit on this card go before the fan level.
    for (const auto& [key, value] : changes) {
        if (value == "-") continue;
        std::size_t at = text.find("FAN_LEVEL");
        text.insert(at, key + " = " + value + "\n");
    }
    return text;
}

class ProfileApplicationTest : public test::GpuTest {
protected:
    void loadFile(const std::string& text) {
        test::writeFile("chosen.cfg", text);
        loadProfileFile("chosen.cfg");
    }
    std::string record(const std::string& stamp, const std::string& profileText) {
        return "Create = " + stamp + "\n" + profileText + "\n";
    }
};

TEST_F(ProfileApplicationTest, FileAppliesEveryKeyInOrderWithItsLines) {
    useCards({"cooler"});
    startUp();
    inventory.slots[0].fanMin = 20;  // as the monitoring thread reads them
    inventory.slots[0].fanMax = 100;
    loadFile(profile("1b8010de", {{"GPU_OFFSET", "75000.000"},
                                  {"MEM_OFFSET", "-20000.000"},
                                  {"POWER_TARGET", "110000.000"},
                                  {"TEMP_TARGET", "80.000"},
                                  {"FPS_TARGET", "90"},
                                  {"FAN_SPEED", "55"},
                                  {"FAN_LEVEL", "2"},
                                  {"EASY_SETTINGS", "1"}}));
    const sim::SimGpu card = driver().gpu(0);
    EXPECT_EQ(card.graphicsDelta, 75000);
    EXPECT_EQ(card.memoryDelta, -20000);
    EXPECT_EQ(card.powerLimit, 110000u);
    EXPECT_EQ(card.thermalLimit, 80 * 256);
    EXPECT_EQ(card.fans[0].manualLevel, 55);
    EXPECT_EQ(driver().savedSetting(FrameRateLimiterSetting), std::optional<std::uint32_t>(90));
    EXPECT_EQ(log(), test::textFile("GeForce GTX 1080: SLI-SYNC = 1\n"
                                    "GeForce GTX 1080: GPU_OFFSET = 75000\n"
                                    "GeForce GTX 1080: MEM_OFFSET = -20000\n"
                                    "GeForce GTX 1080: POWER_TARGET = 110000\n"
                                    "GeForce GTX 1080: TEMP_TARGET = 80\n"
                                    "GeForce GTX 1080: FPS_TARGET = 90\n"
                                    "GeForce GTX 1080: FAN_SPEED = 55\n"
                                    "GeForce GTX 1080: PSTATE = -1\n"));
    EXPECT_EQ(tuning.fanLevel, 2);
    EXPECT_EQ(tuning.easySettings, PresetDefault);
    EXPECT_EQ(panel.easyChoice, PresetDefault);
    EXPECT_FALSE(gpuWorkers.gate().held());
    // The tuning values are left for the monitoring thread to read back.
    EXPECT_EQ(tuning.gpuOffset, 0.0f);
}

TEST_F(ProfileApplicationTest, ForcesThePerformanceStateOnlyWithoutOffsets) {
    struct Case {
        const char* gpuOffset;
        const char* pstate;
        std::int32_t forced;
    } cases[] = {
        {"0.000", "2", 2},
        {"50000.000", "2", -1},  // an offset on a tunable card wins
        {"0.000", "8", 8},       // the last state the driver lists is still one it has
        {"0.000", "9", -1},      // the driver lists states up to 8
        {"0.000", "-1", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.gpuOffset) + " P" + c.pstate);
        useCards({"cooler"});  // lists P-states 0, 2, 5 and 8
        startUp();
        std::filesystem::remove("log/log.txt");
        loadFile(profile("1b8010de", {{"GPU_OFFSET", c.gpuOffset}, {"PSTATE", c.pstate}}));
        EXPECT_EQ(tuning.pstate, c.forced);
        EXPECT_NE(log().find(test::textFile("PSTATE = " + std::to_string(c.forced) + "\n")), std::string::npos);
        EXPECT_EQ(driver().gpu(0).pstateLimit, c.forced < 0 ? 0u : static_cast<std::uint32_t>(c.forced));
    }
}

TEST_F(ProfileApplicationTest, ZeroTemperatureSendsAndLogsNothing) {
    useCards({"cooler"});
    startUp();
    loadFile(profile("1b8010de", {{"TEMP_TARGET", "0.000"}}));
    EXPECT_EQ(driver().count("SetThermalPolicyLimit"), 0);
    EXPECT_EQ(log().find("TEMP_TARGET"), std::string::npos);
}

TEST_F(ProfileApplicationTest, AutomaticFrameRateRestoresTheDefault) {
    useCards({"cooler"});
    startUp();
    loadFile(profile("1b8010de", {{"FPS_TARGET", "-100"}}));
    EXPECT_EQ(driver().count("NvAPI_DRS_RestoreProfileDefaultSetting"), 1);
    EXPECT_NE(log().find(test::textFile("FPS_TARGET = RESET\n")), std::string::npos);
    EXPECT_EQ(driver().openSessions(), 1);
}

TEST_F(ProfileApplicationTest, BothFansAutomaticLogTwoResetLines) {
    useCards({"current"});
    startUp();
    driver().editGpu(0, [](sim::SimGpu& gpu) {
        for (sim::SimFan& fan : gpu.fans) fan.manual = true, fan.manualLevel = 70;
    });
    loadFile(profile("220610de", {{"FAN_SPEED", "-"}, {"FAN_SPEED1", "-100"}, {"FAN_SPEED2", "-100"}}));
    EXPECT_FALSE(driver().gpu(0).fans[0].manual);
    EXPECT_FALSE(driver().gpu(0).fans[1].manual);
    EXPECT_NE(log().find(test::textFile("GeForce RTX 3080: FAN_SPEED1 = RESET\nGeForce RTX 3080: FAN_SPEED2 = RESET\n")),
              std::string::npos);
}

TEST_F(ProfileApplicationTest, FixedFanSpeedsFromAFileOnTheTwoFanCard) {
    useCards({"current"});
    startUp();
    inventory.slots[0].fan1Min = inventory.slots[0].fan2Min = 30;
    inventory.slots[0].fan1Max = inventory.slots[0].fan2Max = 100;
    loadFile(profile("220610de", {{"FAN_SPEED", "-"}, {"FAN_SPEED1", "65"}, {"FAN_SPEED2", "10"}}));
    EXPECT_EQ(driver().gpu(0).fans[0].manualLevel, 65);
    EXPECT_EQ(inventory.slots[0].fanSpeed1Manual, 1);
    // 10 % is outside the second fan's range: its entry goes out empty.
    EXPECT_NE(log().find(test::textFile("FAN_SPEED1 = 65, FAN_SPEED2 = RESET\n")), std::string::npos);
}

TEST_F(ProfileApplicationTest, UnsupportedCardLogsFailedPowerAndTemperature) {
    useCards({"unlisted"});
    startUp();
    loadFile(profile("128710de", {}));
    EXPECT_EQ(driver().count("SetPowerPolicyStatus"), 0);
    EXPECT_NE(log().find(test::textFile("GeForce GT 730: POWER_TARGET = FAILED\nGeForce GT 730: TEMP_TARGET = FAILED\n")),
              std::string::npos);
}

TEST_F(ProfileApplicationTest, MissingFileKeysKeepTheirDefaults) {
    useCards({"cooler"});
    startUp();
    tuning.sliSync = 0;
    tuning.fanLevel = 3;
    tuning.selectedGpu = 1;
    loadFile("Ver = 2.10\n");
    EXPECT_EQ(tuning.selectedGpu, 0);  // the file variant's default
    EXPECT_EQ(tuning.sliSync, 0);
    EXPECT_EQ(tuning.fanLevel, 3);
    EXPECT_EQ(tuning.easySettings, PresetCustom);
    EXPECT_FALSE(gpuWorkers.gate().held());
}

TEST_F(ProfileApplicationTest, BackgroundIsLoggedOnlyWhenThePictureOpens) {
    useCards({"cooler"});
    startUp();
    int reloads = 0;
    windowHooks.reloadBackground = [&] { ++reloads; };
    test::writeFile("night.png", "not really a picture");
    loadFile(profile("1b8010de", {{"BACKSCREEN", "night.png"}}));
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(tuning.backScreen.get(), "night.png");
    EXPECT_NE(log().find(test::textFile("GeForce GTX 1080: BACKSCREEN = night.png\n")), std::string::npos);

    std::filesystem::remove("log/log.txt");
    loadFile(profile("1b8010de", {{"BACKSCREEN", "gone.png"}}));
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(tuning.backScreen.get(), "not found");
    EXPECT_EQ(log().find("BACKSCREEN"), std::string::npos);
}

TEST_F(ProfileApplicationTest, HistoryRecordStopsAtAMissingRequiredKey) {
    useCards({"cooler"});
    startUp();
    std::string complete = profile("1b8010de", {{"GPU_OFFSET", "30000.000"}});
    std::string broken = profile("1b8010de", {{"GPU_OFFSET", "40000.000"}, {"POWER_TARGET", "-"}});
    // The newest record lacks POWER_TARGET; the search would run on into... nothing.
    test::writeFile("h", record("2026/12/01 08:00:00", complete) + record("2026/12/02 08:00:00", broken));
    EXPECT_FALSE(applyHistoryRecord("h", 1));
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 40000);  // applied before the stop
    EXPECT_EQ(driver().count("SetPowerPolicyStatus"), 0);
    EXPECT_FALSE(gpuWorkers.gate().held());

    EXPECT_TRUE(applyHistoryRecord("h", 2));
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 30000);
    EXPECT_FALSE(applyHistoryRecord("h", 3));
}

TEST_F(ProfileApplicationTest, HistoryFanCurveIsOneOnlyForOne) {
    useCards({"cooler"});
    startUp();
    for (const char* stored : {"1", "2", "-1"}) {
        test::writeFile("h", record("2026/12/01 08:00:00", profile("1b8010de", {{"FAN_CURVE", stored}})));
        ASSERT_TRUE(applyHistoryRecord("h", 1));
        EXPECT_EQ(inventory.slots[0].fanCurve, std::string(stored) == "1" ? 1 : 0) << stored;
        loadFile(profile("1b8010de", {{"FAN_CURVE", stored}}));
        EXPECT_EQ(inventory.slots[0].fanCurve, std::stoi(stored)) << stored;
    }
}

TEST_F(ProfileApplicationTest, SelectionOutsideTheInventoryNeverIndexesPastIt) {
    useCards({"cooler"});
    startUp();
    loadFile(profile("1b8010de", {{"GPU", "7"}, {"GPU_OFFSET", "20000.000"}}));
    EXPECT_EQ(tuning.selectedGpu, 7);  // kept as read, and written back so
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 20000);
    EXPECT_NE(log().find(": GPU_OFFSET = 20000"), std::string::npos);
}

// With SLI-SYNC on, the temperature target goes to the current GPU and then
// to every capable GPU in turn until one refuses, whatever the current GPU
// answered first.
TEST_F(ProfileApplicationTest, TemperatureWalkRunsEvenWhenTheCurrentGpuRefusedFirst) {
    sim::SimConfig config;
    for (int i = 0; i < 2; ++i) {
        sim::SimGpu gpu;
        ASSERT_TRUE(sim::cardModel("cooler", gpu));
        gpu.outputMask = i == 1 ? 1 : 0;  // the display, and so the current GPU, is the second
        config.gpus.push_back(gpu);
    }
    startAfresh(config);
    startUp();
    ASSERT_EQ(currentGpuIndex(), 1);
    driver().failOperation("SetThermalPolicyLimit", -5, 1);
    std::filesystem::create_directory("profile");
    test::writeFile("profile/profile.cfg", profile("1b8010de1b8010de", {{"TEMP_TARGET", "79.000"}}));
    tuning.sliSync = 1;
    applyStartupProfile();
    std::vector<std::string> sent;
    for (const std::string& call : calls("SetThermalPolicyLimit")) sent.push_back(call.substr(0, call.find(" status=")));
    EXPECT_EQ(sent, (std::vector<std::string>{"SetThermalPolicyLimit gpu=1", "SetThermalPolicyLimit gpu=0",
                                              "SetThermalPolicyLimit gpu=1"}));
    EXPECT_EQ(driver().gpu(0).thermalLimit, 79 * 256);
}

// A hand-edited profile may hold any number: what reaches the driver is held
// inside the driver's 32-bit words.
TEST_F(ProfileApplicationTest, NumbersBeyondTheDriverWordsAreHeldAtTheirEnds) {
    struct Case {
        std::string key, value, operation, sent;
    } cases[] = {
        {"GPU_OFFSET", "99999999999.000", "SetPstates20", "delta=2147483647"},
        {"GPU_OFFSET", "-1e300", "SetPstates20", "delta=-2147483648"},
        {"MEM_OFFSET", "1e12", "SetPstates20", "delta=2147483647"},
        {"POWER_TARGET", "-99999999999.000", "SetPowerPolicyStatus", "limit=2147483648"},
        {"TEMP_TARGET", "99999999", "SetThermalPolicyLimit", "limit=2147483647"},
        {"TEMP_TARGET", "-99999999", "SetThermalPolicyLimit", "limit=-2147483648"},
    };
    for (const Case& c : cases) {
        useCards({"current"});
        startUp();
        loadFile(profile("220610de", {{c.key, c.value}, {"SLI-SYNC", "0"}}));
        bool seen = false;
        for (const std::string& call : calls(c.operation)) seen |= call.find(c.sent) != std::string::npos;
        EXPECT_TRUE(seen) << c.key << " = " << c.value << " sent no " << c.sent;
    }
}

TEST_F(ProfileApplicationTest, StartUpProfileGoesToEveryGpuAndTakesSliSyncLast) {
    useCards({"cooler", "cooler"});
    startUp();
    std::filesystem::create_directory("profile");
    test::writeFile("profile/profile.cfg",
                    profile("1b8010de1b8010de", {{"GPU_OFFSET", "250000.000"},
                                                 {"POWER_TARGET", "115000.000"},
                                                 {"TEMP_TARGET", "79.000"},
                                                 {"FPS_TARGET", "60"},
                                                 {"SLI-SYNC", "0"},
                                                 {"PSTATE", "5"},
                                                 {"FAN_LEVEL", "1"}}));
    tuning.sliSync = 1;
    applyStartupProfile();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(driver().gpu(i).graphicsDelta, 200000) << i;  // stored capped at 200 MHz
        EXPECT_EQ(driver().gpu(i).powerLimit, 115000u) << i;
        EXPECT_EQ(driver().gpu(i).thermalLimit, 79 * 256) << i;
    }
    EXPECT_EQ(tuning.gpuOffset, 200000.0f);
    EXPECT_EQ(tuning.powerTarget, 115000.0f);
    EXPECT_EQ(tuning.sliSync, 0);
    EXPECT_EQ(tuning.pstate, 5);  // applied later by start-up itself
    EXPECT_EQ(driver().gpu(0).pstateLimit, 0u);
    EXPECT_EQ(tuning.fanLevel, 1);
    EXPECT_EQ(driver().savedSetting(FrameRateLimiterSetting), std::optional<std::uint32_t>(60));
    EXPECT_NE(settingsSession.load(), nullptr);
    EXPECT_EQ(log(), "");  // start-up logs nothing
}

}  // namespace
}  // namespace vt
