#include "app/shell/Startup.h"

#include <filesystem>

#include "app/ShellState.h"
#include "gpu/Monitor.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "state/Lifecycle.h"
#include "tests/unit/GpuTestSupport.h"
#include "ui/View.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// The entry point on the fake platform, with the simulated driver and the
// skin archive the build packed beside the program.
class StartupTest : public test::GpuTest {
protected:
    StartupTest() {
        std::filesystem::create_directory("skin");
        std::filesystem::copy_file(VT_TEST_SKIN_ARCHIVE, "skin/imgTemp");
    }
    ~StartupTest() override { endRun(); }

    // What the shutdown would do for a run the test ended early.
    static void endRun() {
        lifecycle.running = 0;
        gpuWorkers.stop();
        endMonitoring();
        shell.rootView.reset();
        widgets = Widgets{};
        resetLifecycle();
        resetShellState();
    }

    // A new process: its own platform, with the simulated driver in its
    // system folder, and nothing of the last run's state.
    void startProcessOn(FakePlatform& fresh) {
        setPlatform(&fresh);
        fresh.addModule(test::DriverLibrary,
                        {{{"nvapi_QueryInterface", test::exportOf(sim::queryInterfaceEntry())}}});
        useCards({"current"});
        resetLifecycle();
        resetShellState();
    }

    // A window of the copy that is already running, recording what it receives.
    WindowHandle runningCopyWindow() {
        fake.registerWindowClass({"RUNNING", 0, &StartupTest::recordingProcedure, nullptr, nullptr});
        return fake.createWindow("RUNNING", "Vantrelis", WsPopup, 0, 0, 640, 650);
    }

    // Answers the hand-over as a running copy does.
    static LResult recordingProcedure(WindowHandle, std::uint32_t message, WParam wParam, LParam lParam) {
        received.push_back({nullptr, message, wParam, lParam});
        return message == WM_SHOW_INSTANCE ? ShowInstanceShown : 0;
    }

    static inline std::vector<Message> received;
};

TEST_F(StartupTest, SecondCopyShowsTheFirstAndExitsWithoutAWindow) {
    received.clear();
    runningCopyWindow();
    fake.existingMutexes.insert("Vantrelis.exe");
    fake.clearCalls();

    EXPECT_EQ(runApplication(SwShowNormal), 0);

    ASSERT_EQ(received.size(), 2u);  // WmCreate of the fixture, then the hand-over
    EXPECT_EQ(received[1].message, WM_SHOW_INSTANCE);
    EXPECT_EQ(received[1].wParam, 0u);
    EXPECT_EQ(received[1].lParam, 0);
    EXPECT_EQ(fake.count("findWindow (any) title=Vantrelis"), 1);
    EXPECT_EQ(fake.count("registerWindowClass"), 0);
    EXPECT_EQ(fake.count("createWindow"), 0);
    EXPECT_EQ(fake.count("loadIcon"), 0);
}

TEST_F(StartupTest, SecondCopyExitsEvenBeforeTheFirstHasAWindow) {
    fake.existingMutexes.insert("Vantrelis.exe");
    EXPECT_EQ(runApplication(SwShowNormal), 0);
    EXPECT_EQ(fake.count("sendMessage"), 0);
    EXPECT_EQ(fake.count("createWindow"), 0);
}

// A copy started while the last one is ending (its window gone, its mutex
// not yet) waits for the mutex and runs once it has it; a copy that is still
// starting keeps the mutex, and the new one exits as before.
TEST_F(StartupTest, CopyStartedWhileTheLastOneEndsRunsOnceTheMutexIsFree) {
    struct Case {
        MutexWait outcome;
        bool runs;
    } const cases[] = {{MutexWait::Acquired, true}, {MutexWait::TimedOut, false}, {MutexWait::Failed, false}};
    for (const Case& c : cases) {
        FakePlatform fresh;
        startProcessOn(fresh);
        fresh.existingMutexes.insert("Vantrelis.exe");
        fresh.mutexWaitOutcome = c.outcome;
        runApplication(SwShowNormal);
        const std::vector<std::string> waits = fresh.callsStartingWith("waitForMutex");
        ASSERT_EQ(waits.size(), 1u);
        EXPECT_TRUE(waits[0].ends_with(" ms=2000")) << waits[0];
        EXPECT_EQ(fresh.count("createWindow"), c.runs ? 1 : 0) << static_cast<int>(c.outcome);
        EXPECT_EQ(shell.instanceMutex != nullptr, c.runs);
        endRun();
        setPlatform(&fake);
    }
}

// A copy that is ending says so, and one that died before it could answer
// says nothing: neither has taken the hand-over, so the new copy waits.
TEST_F(StartupTest, CopyThatFindsAnEndingCopysWindowWaitsForItToGo) {
    struct Case {
        const char* className;
        WindowProcedure procedure;
    } const cases[] = {
        {"ENDING",
         [](WindowHandle, std::uint32_t message, WParam, LParam) -> LResult {
             return message == WM_SHOW_INSTANCE ? ShowInstanceEnding : 0;
         }},
        {"GONE", [](WindowHandle, std::uint32_t, WParam, LParam) -> LResult { return 0; }},
    };
    for (const Case& c : cases) {
        FakePlatform fresh;
        startProcessOn(fresh);
        fresh.registerWindowClass({c.className, 0, c.procedure, nullptr, nullptr});
        fresh.createWindow(c.className, "Vantrelis", WsPopup, 0, 0, 640, 650);
        fresh.existingMutexes.insert("Vantrelis.exe");
        fresh.mutexWaitOutcome = MutexWait::Acquired;
        runApplication(SwShowNormal);
        EXPECT_EQ(fresh.count("waitForMutex"), 1) << c.className;
        EXPECT_EQ(fresh.count("createWindow VANTRELIS"), 1) << c.className;
        endRun();
        setPlatform(&fake);
    }
}

TEST_F(StartupTest, CopyThatFindsTheRunningWindowDoesNotWait) {
    runningCopyWindow();
    fake.existingMutexes.insert("Vantrelis.exe");
    fake.mutexWaitOutcome = MutexWait::Acquired;
    EXPECT_EQ(runApplication(SwShowNormal), 0);
    EXPECT_EQ(fake.count("waitForMutex"), 0);
    EXPECT_EQ(fake.count("createWindow VANTRELIS"), 0);
}

TEST_F(StartupTest, FailedMutexEndsSilently) {
    fake.failMutexCreation = true;
    EXPECT_EQ(runApplication(SwShowNormal), 0);
    EXPECT_EQ(fake.count("findWindow"), 0);
    EXPECT_EQ(fake.count("messageBox"), 0);
    EXPECT_EQ(fake.count("createWindow"), 0);
}

TEST_F(StartupTest, TakesTheMutexInitiallyOwned) {
    runApplication(SwShowNormal);
    EXPECT_EQ(fake.count("createMutex Vantrelis.exe owned"), 1);
}

TEST_F(StartupTest, ClassIconFollowsTheStoredPreset) {
    struct Case {
        const char* profile;  // null: no profile file
        std::uint32_t icon;
    } cases[] = {
        {nullptr, 161},
        {"EASY_SETTINGS = 0\n", 164},
        {"EASY_SETTINGS = 1\n", 163},
        {"EASY_SETTINGS = 2\n", 162},
        {"EASY_SETTINGS = 3\n", 161},
        {"EASY_SETTINGS = 7\n", 161},
        {"EASY_SETTINGS = -1\n", 161},
        {"GPU = 0\n", 161},  // the key is missing
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all("profile");
        if (c.profile != nullptr) {
            std::filesystem::create_directory("profile");
            test::writeFile("profile/profile.cfg", c.profile);
        }
        FakePlatform fresh;
        startProcessOn(fresh);
        runApplication(SwShowNormal);
        std::string expected = "registerWindowClass VANTRELIS style=3 icon=" + std::to_string(c.icon) +
                               " smallIcon=" + std::to_string(c.icon);
        EXPECT_EQ(fresh.count(expected), 1) << (c.profile ? c.profile : "no profile");
        EXPECT_EQ(FakePlatform::iconResourceId(fresh.classIcon()), c.icon);
        endRun();
        setPlatform(&fake);
    }
}

TEST_F(StartupTest, ReadsOnlyTheCurrentDirectorysProfile) {
    std::filesystem::create_directories("elsewhere/profile");
    test::writeFile("elsewhere/profile/profile.cfg", "EASY_SETTINGS = 0\n");
    EXPECT_EQ(readStartPreset(), 3);
    std::filesystem::current_path("elsewhere");
    EXPECT_EQ(readStartPreset(), 0);
    std::filesystem::current_path(folder.path());
}

TEST_F(StartupTest, CreatesTheTitledPopupCentredOnTheScreen) {
    fake.screen = {1280, 1024};
    runApplication(SwShowNormal);
    EXPECT_EQ(fake.count("createWindow VANTRELIS title=Vantrelis style=80000000 at=320,187 size=0x0"), 1);
    EXPECT_EQ(fake.windowRect(fake.lastCreatedWindow()), (Rect{320, 187, 960, 837}));
    EXPECT_TRUE(fake.windowVisible(fake.lastCreatedWindow()));
}

TEST_F(StartupTest, LoopEndsWithTheQuitMessagesCode) {
    fake.queueMessage({nullptr, WmQuit, 7, 0});
    EXPECT_EQ(runApplication(SwShowNormal), 7);
    EXPECT_EQ(lifecycle.initDone, 1);
    EXPECT_EQ(fake.count("loadAccelerators 109"), 1);
}

TEST_F(StartupTest, FailedWindowCreationShowsTheMessageAndSkipsTheLoop) {
    fake.failWindowCreation = true;
    EXPECT_EQ(runApplication(SwShowNormal), 0);
    EXPECT_EQ(fake.count("messageBox owner=0 caption=Vantrelis text=ウィンドウを作成できません"), 1);
    EXPECT_EQ(fake.count("loadAccelerators"), 0);
    EXPECT_EQ(lifecycle.wndProcEnabled, 0);
}

}  // namespace
}  // namespace vt
