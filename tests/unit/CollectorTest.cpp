#include "gpu/Collector.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "app/ShellState.h"
#include "state/Lifecycle.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

class CollectorTest : public test::PlatformTest {
protected:
    CollectorTest() { lifecycle.programFolder = "C:\\Program Files\\Vantrelis"; }
    ~CollectorTest() override {
        resetLifecycle();
        resetShellState();
    }

    std::vector<std::string> waitForShellCall() {
        for (int waited = 0; waited < 2000 && fake.count("shellExecute") == 0; waited += 5) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return fake.callsStartingWith("shellExecute");
    }
};

TEST_F(CollectorTest, PathWithBlanksReachesTheCollectorAsOneArgument) {
    startCollector("C:\\Users\\Aki Tanaka\\My Reports\\system log.txt");
    auto calls = waitForShellCall();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0],
              "shellExecute verb=open file=C:\\Program Files\\Vantrelis/Sysdigest.exe "
              "parameters=-o \"C:\\Users\\Aki Tanaka\\My Reports\\system log.txt\" directory=(none) show=5");
}

TEST_F(CollectorTest, TellsWhetherTheShellStartedIt) {
    for (bool fails : {false, true}) {
        fake.failShellExecute = fails;
        std::atomic<int> told{-1};
        startCollector("report.txt", [&](bool started) { told = started ? 1 : 0; });
        for (int waited = 0; waited < 2000 && told == -1; waited += 5) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(told, fails ? 0 : 1) << fails;
    }
}

TEST(CollectorParameters, QuoteThePathWhateverItHolds) {
    EXPECT_EQ(collectorParameters("report.txt"), "-o \"report.txt\"");
    EXPECT_EQ(collectorParameters(""), "-o \"\"");
}

}  // namespace
}  // namespace vt
