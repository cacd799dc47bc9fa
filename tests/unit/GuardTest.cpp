// The guard's hand-back once the program has died holding fans: each held
// GPU found again by its PCI identity, its fans the driver's again, one log
// line each, the held list gone; nothing at all when the list is empty.
#include "tools/guard/FanHandBack.h"

#include <filesystem>
#include <string>

#include "driver/DriverBinder.h"
#include "settings/SafetyFiles.h"
#include "state/Lifecycle.h"
#include "tests/unit/GpuTestSupport.h"

namespace vt {
namespace {

class GuardTest : public test::GpuTest {
protected:
    GuardTest() {
        std::filesystem::create_directories("profile");
        binder::resetBinding();  // the guard is a process of its own: nothing bound yet
    }
    void holdFan(int gpu) {
        driver().editGpu(gpu, [](sim::SimGpu& card) {
            for (sim::SimFan& fan : card.fans) {
                fan.manual = true;
                fan.manualLevel = 90;
            }
        });
    }
    bool fanManual(int gpu) { return driver().gpu(gpu).fans[0].manual; }
    HeldGpu held(int gpu, const std::string& name) {
        return {driver().gpu(gpu).deviceId, driver().gpu(gpu).subsystemId, name};
    }
};

TEST_F(GuardTest, HeldFansGoBackToTheDriverWithALineEach) {
    useCards({"cooler", "current"});
    holdFan(0);
    holdFan(1);
    test::writeFile("profile/held", heldFansText({held(1, "GeForce RTX 3080"), held(0, "GeForce GTX 1080")}));
    EXPECT_EQ(guard::handHeldFansBack(folder.path().string()), 2);
    EXPECT_FALSE(fanManual(0));
    EXPECT_FALSE(fanManual(1));
    EXPECT_EQ(log(), test::textFile("GeForce RTX 3080: GUARD: FAN = AUTO\nGeForce GTX 1080: GUARD: FAN = AUTO\n"));
    EXPECT_FALSE(std::filesystem::exists("profile/held"));
    EXPECT_EQ(driver().count("RestoreCoolerSettings"), 2);
}

TEST_F(GuardTest, NothingHeldMeansNothingDone) {
    useCards({"cooler"});
    holdFan(0);
    EXPECT_EQ(guard::handHeldFansBack(folder.path().string()), 0);  // no file: a clean end
    test::writeFile("profile/held", "");
    EXPECT_EQ(guard::handHeldFansBack(folder.path().string()), 0);
    EXPECT_TRUE(fanManual(0));
    EXPECT_EQ(log(), "");
    EXPECT_EQ(driver().calls().size(), 0u);  // the driver is not even bound
}

TEST_F(GuardTest, AGpuThatIsGoneOrRefusesIsLoggedAsFailed) {
    useCards({"cooler", "cooler"});
    holdFan(0);
    holdFan(1);
    driver().failOperation("RestoreCoolerSettings", -5, 1);
    HeldGpu gone = held(0, "GeForce GTX 980");
    gone.deviceId = 0x13C010DE;
    test::writeFile("profile/held",
                    heldFansText({gone, held(0, "GeForce GTX 1080 #1"), held(1, "GeForce GTX 1080 #2")}));
    EXPECT_EQ(guard::handHeldFansBack(folder.path().string()), 1);
    // Two cards of one model are told apart by their order.
    EXPECT_FALSE(fanManual(0));
    EXPECT_TRUE(fanManual(1));
    EXPECT_EQ(log(), test::textFile("GeForce GTX 980: GUARD: FAN = FAILED\nGeForce GTX 1080 #1: GUARD: FAN = AUTO\n"
                                    "GeForce GTX 1080 #2: GUARD: FAN = FAILED\n"));
}

}  // namespace
}  // namespace vt
