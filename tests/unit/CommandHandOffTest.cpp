#include "app/shell/CommandHandOff.h"

#include <filesystem>

#include "app/ShellState.h"
#include "gpu/Apply.h"
#include "app/shell/Startup.h"
#include "app/shell/WindowProcedure.h"
#include "gpu/Monitor.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "resources/ResourceIds.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"
#include "tests/unit/TestSupport.h"
#include "ui/View.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// The entry point with arguments, on the fake platform and the simulated
// driver, as a copy that hands its request over and as the copy that takes it.
class CommandHandOffTest : public test::GpuTest {
protected:
    CommandHandOffTest() {
        std::filesystem::create_directory("skin");
        std::filesystem::copy_file(VT_TEST_SKIN_ARCHIVE, "skin/imgTemp");
        fake.instantSleep = true;
        answers.clear();
        received.clear();
    }
    ~CommandHandOffTest() override {
        lifecycle.running = 0;
        gpuWorkers.stop();
        endMonitoring();
        shell.rootView.reset();
        widgets = Widgets{};
        resetLifecycle();
        resetShellState();
    }

    // The running copy's window, answering requests from `answers` in turn.
    void runningCopy() {
        fake.registerWindowClass({"VANTRELIS", 0, &CommandHandOffTest::answering, nullptr, nullptr});
        fake.createWindow("VANTRELIS", "Vantrelis", WsPopup, 0, 0, 640, 650);
        fake.existingMutexes.insert("Vantrelis.exe");
        fake.clearCalls();
    }
    static LResult answering(WindowHandle, std::uint32_t message, WParam, LParam lParam) {
        if (message != WmCopyData) return 0;
        const auto* data = reinterpret_cast<const CopyDataRecord*>(lParam);
        received.emplace_back(static_cast<const char*>(data->data), data->size);
        if (answers.empty()) return 0;
        const LResult answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }

    // The program started and left running, as the message loop would have it.
    void startTheProgram() {
        runApplication(SwShowNormal);
        ASSERT_NE(shell.rootView, nullptr);
        // The fake's loop ends once its queue is empty; the program goes on.
        lifecycle.running = 1;
    }

    // A request as a second copy sends it to the copy this test started.
    LResult sendToThisCopy(const CommandRequest& request) {
        const std::string bytes = serialiseRequest(request);
        CopyDataRecord data{CommandRequestTag, static_cast<std::uint32_t>(bytes.size()), const_cast<char*>(bytes.data())};
        return mainWindowProcedure(lifecycle.mainWindow, WmCopyData, 0, reinterpret_cast<LParam>(&data));
    }

    static inline std::vector<LResult> answers;
    static inline std::vector<std::string> received;
};

TEST_F(CommandHandOffTest, BadArgumentsChangeNothingAndEndWithTwo) {
    struct Case {
        bool console;
        std::vector<std::string> arguments;
        const char* error;
    } const cases[] = {
        {true, {"/bogus"}, "unknown argument \"/bogus\""},
        {false, {"/bogus"}, "unknown argument \"/bogus\""},
        {true, {"/history", "9"}, "/history needs a record number from 1 to 6, not \"9\""},
        {true, {"/load", "missing.cfg"}, "no such profile file \""},
    };
    for (const Case& c : cases) {
        FakePlatform fresh;
        setPlatform(&fresh);
        fresh.parentConsole = c.console;
        EXPECT_EQ(runApplication(SwShowNormal, c.arguments), 2);
        EXPECT_EQ(fresh.count("createMutex"), 0);
        EXPECT_EQ(fresh.count("createWindow"), 0);
        EXPECT_EQ(fresh.count("sendCopyData"), 0);
        EXPECT_EQ(fresh.count("loadLibrary"), 0);
        if (c.console) {
            ASSERT_EQ(fresh.standardError.size(), 1u);
            EXPECT_TRUE(fresh.standardError[0].starts_with(std::string("Vantrelis: ") + c.error))
                << fresh.standardError[0];
            EXPECT_TRUE(fresh.standardError[0].ends_with(std::string("Usage: ") + CommandLineUsage));
            EXPECT_EQ(fresh.count("messageBox"), 0);
        } else {
            EXPECT_TRUE(fresh.standardError.empty());
            EXPECT_EQ(fresh.count(std::string("messageBox owner=0 caption=Vantrelis text=") + c.error), 1);
        }
        setPlatform(&fake);
    }
    EXPECT_FALSE(std::filesystem::exists("log/log.txt"));
    EXPECT_FALSE(std::filesystem::exists("profile"));
}

TEST_F(CommandHandOffTest, RunningCopysAnswerIsTheExitCode) {
    struct Case {
        LResult answer;
        int exitCode;
    } const cases[] = {
        {encodeAnswer(RequestOutcome::Done), 0},
        {encodeAnswer(RequestOutcome::Refused), 1},
        {encodeAnswer(RequestOutcome::NotDone), 2},
        {0, 2},  // a copy that knows no requests
    };
    runningCopy();
    for (const Case& c : cases) {
        answers = {c.answer};
        received.clear();
        fake.clearCalls();
        EXPECT_EQ(runApplication(SwShowNormal, {"/preset", "eco"}), c.exitCode);
        EXPECT_EQ(received, (std::vector<std::string>{"VTRQ1\n1\n2\n"}));
        EXPECT_EQ(fake.count("findWindow VANTRELIS title=Vantrelis"), 1);
        EXPECT_EQ(fake.count("sendCopyData tag=56545251"), 1);
        EXPECT_EQ(fake.count("sendMessage 8004"), 0);  // not the plain hand-over
        EXPECT_EQ(fake.count("registerWindowClass"), 0);
        EXPECT_EQ(fake.count("createWindow"), 0);
        EXPECT_EQ(fake.count("loadLibrary"), 0);
    }
}

// (How a relative path becomes absolute is CommandLine's test; on the host
// the scratch folder's path is already absolute and travels as it is.)
TEST_F(CommandHandOffTest, ProfilePathIsCheckedAndTravelsWhole) {
    test::writeFile("night.cfg", "GPU = 0\n");
    const std::string path = (folder.path() / "night.cfg").string();
    runningCopy();
    answers = {encodeAnswer(RequestOutcome::Done)};
    EXPECT_EQ(runApplication(SwShowNormal, {"/load", path}), 0);
    EXPECT_EQ(received, (std::vector<std::string>{"VTRQ1\n2\n0\n" + path}));
}

// A copy still starting or in a dialog says "later"; the new copy asks again
// within its ten seconds and gives up with 2 after them.
TEST_F(CommandHandOffTest, AsksAgainWhileTheCopyIsBusyThenGivesUp) {
    runningCopy();
    answers = {encodeAnswer(RequestOutcome::Later), encodeAnswer(RequestOutcome::Later),
               encodeAnswer(RequestOutcome::Refused)};
    EXPECT_EQ(runApplication(SwShowNormal, {"/reset"}), 1);
    EXPECT_EQ(received.size(), 3u);

    answers = std::vector<LResult>(1000, encodeAnswer(RequestOutcome::Later));
    received.clear();
    const std::uint32_t before = fake.tickCount();
    EXPECT_EQ(runApplication(SwShowNormal, {"/reset"}), 2);
    const std::uint32_t spent = fake.tickCount() - before;
    EXPECT_GE(spent, RequestAnswerWaitMs);
    EXPECT_LT(spent, RequestAnswerWaitMs + 1000);
    EXPECT_EQ(received.size(), RequestAnswerWaitMs / RequestRetryMs);
}

TEST_F(CommandHandOffTest, NoAnswerInTimeEndsWithTwo) {
    runningCopy();
    fake.copyDataTimesOut = true;
    EXPECT_EQ(runApplication(SwShowNormal, {"/preset", "default"}), 2);
    EXPECT_EQ(fake.count("sendCopyData tag=56545251 bytes=VTRQ1\n1\n1\n timeout=10000"), 1);
    EXPECT_EQ(fake.count("createWindow"), 0);
}

TEST_F(CommandHandOffTest, CopyThatNeverShowsAWindowIsWaitedForTenSeconds) {
    fake.existingMutexes.insert("Vantrelis.exe");
    fake.mutexWaitOutcome = MutexWait::TimedOut;
    EXPECT_EQ(runApplication(SwShowNormal, {"/preset", "eco"}), 2);
    EXPECT_EQ(fake.count("waitForMutex"), static_cast<int>(RequestAnswerWaitMs / RequestRetryMs));
    EXPECT_EQ(fake.count("createWindow"), 0);
}

TEST_F(CommandHandOffTest, QuitWithNoCopyRunningStartsNothing) {
    EXPECT_EQ(runApplication(SwShowNormal, {"/quit"}), 0);
    EXPECT_EQ(fake.count("createWindow"), 0);
    EXPECT_EQ(fake.count("releaseMutex"), 1);
    EXPECT_FALSE(std::filesystem::exists("log/log.txt"));
}

// With no copy before it, the copy starts as the program and runs the
// request once start-up is done, on the tray preset's road.
TEST_F(CommandHandOffTest, WithNoCopyRunningStartsAndApplies) {
    runApplication(SwShowNormal, {"/preset", "eco"});
    EXPECT_EQ(fake.count("createWindow VANTRELIS"), 1);
    EXPECT_EQ(fake.count("postMessage 800f"), 1);
    EXPECT_EQ(tuning.easySettings, PresetEco);
    EXPECT_EQ(FakePlatform::iconResourceId(fake.trayIcon().icon), 162u);
    const std::string log = this->log();
    const std::size_t start = log.find("--- start application");
    const std::size_t applied = log.find(": EASY_SETTINGS = SUCCESSFUL");
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(applied, std::string::npos) << log;
    EXPECT_LT(start, applied);
}

TEST_F(CommandHandOffTest, RunningCopyCarriesRequestsOutOnTheWindowsRoads) {
    startTheProgram();
    fake.clearCalls();

    EXPECT_EQ(sendToThisCopy({RequestKind::Preset, 0, 0, ""}), encodeAnswer(RequestOutcome::Done));
    EXPECT_EQ(tuning.easySettings, PresetHighPerformance);
    // (The fake's loop took the tray icon down as it ended: the class icon shows the change.)
    EXPECT_EQ(FakePlatform::iconResourceId(fake.classIcon()), 164u);
    finishApplySettle();

    // A profile made for another card: offsets this one refuses.
    test::writeFile("other.cfg", "GPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 5000000.000\nMEM_OFFSET = 0.000\n");
    const std::string other = (folder.path() / "other.cfg").string();
    EXPECT_EQ(sendToThisCopy({RequestKind::Load, 0, 0, other}), encodeAnswer(RequestOutcome::Refused));

    EXPECT_EQ(sendToThisCopy({RequestKind::Load, 0, 0, other + ".gone.cfg"}), encodeAnswer(RequestOutcome::NotDone));

    EXPECT_EQ(sendToThisCopy({RequestKind::Reset, 0, 0, ""}), encodeAnswer(RequestOutcome::Done));
    EXPECT_EQ(FakePlatform::iconResourceId(fake.classIcon()), 161u);
    EXPECT_NE(log().find(": RESET = SUCCESSFUL"), std::string::npos);
    // The reset asked nobody: no confirmation dialog.
    EXPECT_EQ(fake.count("dialogBox"), 0);
}

TEST_F(CommandHandOffTest, RunningCopyRefusesWhatIsNotARequestAndWaitsOutDialogs) {
    startTheProgram();
    CopyDataRecord foreign{0x1234, 3, const_cast<char*>("abc")};
    EXPECT_EQ(mainWindowProcedure(lifecycle.mainWindow, WmCopyData, 0, reinterpret_cast<LParam>(&foreign)),
              encodeAnswer(RequestOutcome::NotDone));
    CopyDataRecord garbled{CommandRequestTag, 5, const_cast<char*>("VTRQ1")};
    EXPECT_EQ(mainWindowProcedure(lifecycle.mainWindow, WmCopyData, 0, reinterpret_cast<LParam>(&garbled)),
              encodeAnswer(RequestOutcome::NotDone));

    lifecycle.modal.slot[ResetConfirmSlot] = ModalResults::openSentinel(ResetConfirmSlot);
    EXPECT_EQ(sendToThisCopy({RequestKind::Preset, 2, 0, ""}), encodeAnswer(RequestOutcome::Later));
    EXPECT_NE(tuning.easySettings, PresetEco);
    lifecycle.modal.slot[ResetConfirmSlot] = IDC_RESET_OK;
    EXPECT_EQ(sendToThisCopy({RequestKind::Preset, 2, 0, ""}), encodeAnswer(RequestOutcome::Done));
    EXPECT_EQ(tuning.easySettings, PresetEco);

    // A copy on its way out: the new copy waits for it to go.
    lifecycle.running = 0;
    EXPECT_EQ(sendToThisCopy({RequestKind::Reset, 0, 0, ""}), encodeAnswer(RequestOutcome::Later));
}

}  // namespace
}  // namespace vt
