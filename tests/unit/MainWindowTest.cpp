#include "app/shell/MainWindow.h"

#include <filesystem>
#include <functional>

#include "app/ShellState.h"
#include "app/shell/Shutdown.h"
#include "app/shell/Startup.h"
#include "app/shell/WindowProcedure.h"
#include "gpu/Monitor.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "resources/ResourceIds.h"
#include "sim/Simulator.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// Start-up on the fake platform with the simulated driver and the skin
// archive the build packed, in the scratch folder as the working folder.
class MainWindowTest : public test::GpuTest {
protected:
    MainWindowTest() {
        std::filesystem::remove_all("log");
        installSkin(folder.path());
        fake.screen = {1280, 1024};
        lifecycle.wndProcEnabled = 1;
        fake.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
        fake.clearCalls();
    }
    ~MainWindowTest() override {
        lifecycle.running = 0;
        gpuWorkers.stop();
        endMonitoring();
        shell.rootView.reset();
        widgets = Widgets{};
    }

    static void installSkin(const std::filesystem::path& where) {
        std::filesystem::create_directories(where / "skin");
        std::filesystem::copy_file(VT_TEST_SKIN_ARCHIVE, where / "skin" / "imgTemp",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    int start(int preset = 3) { return initMainWindow("VANTRELIS", "Vantrelis", SwShowNormal, preset); }
    std::vector<std::string> boxes() const { return fake.callsStartingWith("messageBox"); }
    void expectFatal(const std::string& box) {
        EXPECT_EQ(start(), 0);
        EXPECT_EQ(boxes(), std::vector<std::string>{box});
        EXPECT_EQ(lifecycle.wndProcEnabled, 0);
        EXPECT_FALSE(fake.trayIconPresent());
        EXPECT_EQ(shell.rootView, nullptr);
    }
};

TEST_F(MainWindowTest, BuildsTheWholeApplicationAndShowsTheWindowLast) {
    ASSERT_EQ(start(2), 1);
    EXPECT_EQ(fake.count("createWindow VANTRELIS title=Vantrelis style=80000000 at=320,187 size=0x0"), 1);
    EXPECT_EQ(fake.windowRect(lifecycle.mainWindow), (Rect{320, 187, 960, 837}));
    EXPECT_TRUE(fake.trayIconPresent());
    EXPECT_EQ(FakePlatform::iconResourceId(fake.trayIcon().icon), 162u);
    EXPECT_EQ(fake.count("createUiFont 12 400 128 ＭＳ Ｐゴシック"), 1);
    EXPECT_EQ(lifecycle.programFolder, folder.path().string());
    EXPECT_EQ(inventory.count, 1);
    EXPECT_NE(shell.rootView, nullptr);
    EXPECT_EQ(shell.rootView.get(), widgets.root);
    EXPECT_TRUE(test::readFile("log/log.txt").starts_with("--- start application 2026/12/08 09:05:07 ---"));
    EXPECT_TRUE(std::filesystem::exists("history/historycfg"));  // no valid profile: a fresh history
    EXPECT_TRUE(fake.windowVisible(lifecycle.mainWindow));
    auto calls = fake.calls();
    EXPECT_EQ(calls.back(), "updateWindow");
    EXPECT_EQ(boxes().size(), 0u);
}

TEST_F(MainWindowTest, StoredProfileIsAppliedAndTheHistoryKept) {
    std::filesystem::create_directories("profile");
    test::writeFile("profile/profile.cfg", "DeviceID = 220610de\nGPU = 0\nEASY_SETTINGS = 0\nGPU_OFFSET = 30000.000\n"
                                           "MEM_OFFSET = 0.000\nPOWER_TARGET = 100000.000\nTEMP_TARGET = 83.000\n"
                                           "FPS_TARGET = -100\nFAN_SPEED1 = -100\nFAN_SPEED2 = -100\nFAN_LEVEL = 0\n"
                                           "FAN_CURVE = 0\nPSTATE = 3\nSLI-SYNC = 0\nVer = 2.10\n");
    std::filesystem::create_directories("history");
    test::writeFile("history/historycfg", "Create = 2026/12/01 08:00:00\nVer = 2.10\n\n");
    ASSERT_EQ(start(0), 1);
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 30000);
    EXPECT_EQ(tuning.sliSync, 0);
    EXPECT_EQ(driver().gpu(0).pstateLimit, 3u);  // the stored performance state, forced
    EXPECT_EQ(tuning.easySettings, PresetHighPerformance);
    EXPECT_EQ(widgets.presetButton[0]->imageState(), 1);
    EXPECT_EQ(widgets.presetButton[1]->imageState(), 0);
    EXPECT_NE(test::readFile("history/historycfg"), "");
}

// --- a start behind an unproven apply's marker -------------------------------------------

constexpr const char* StoredProfile =
    "DeviceID = 220610de\nGPU = 0\nEASY_SETTINGS = 0\nGPU_OFFSET = 30000.000\nMEM_OFFSET = 0.000\n"
    "POWER_TARGET = 110000.000\nTEMP_TARGET = 83.000\nFPS_TARGET = -100\nFAN_SPEED1 = -100\nFAN_SPEED2 = -100\n"
    "FAN_LEVEL = 0\nFAN_CURVE = 0\nPSTATE = 3\nSLI-SYNC = 0\nVer = 2.10\n";
constexpr const char* ProvenProfile =
    "DeviceID = 220610de\nGPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 15000.000\nMEM_OFFSET = 0.000\n"
    "POWER_TARGET = 100000.000\nTEMP_TARGET = 83.000\nFPS_TARGET = -100\nFAN_SPEED1 = -100\nFAN_SPEED2 = -100\n"
    "FAN_LEVEL = 0\nFAN_CURVE = 0\nPSTATE = -1\nSLI-SYNC = 1\nVer = 2.10\n";

// The calls that change what the card does, as the simulated driver records them.
std::vector<std::string> tuningWrites() {
    std::vector<std::string> writes;
    for (const sim::SimCallRecord& call : sim::Simulator::instance().calls()) {
        const std::string& op = call.operation;
        if (op.starts_with("Set") || op == "EnableDynamicPstates" || op == "RestoreCoolerSettings" ||
            op == "NvAPI_DRS_SetSetting" || op == "NvAPI_DRS_SaveSettings" ||
            op == "NvAPI_DRS_RestoreProfileDefaultSetting") {
            writes.push_back(op);
        }
    }
    return writes;
}

class SafeStartTest : public MainWindowTest {
protected:
    void storeFiles(const char* marker, bool lastGood) {
        std::filesystem::create_directories("profile");
        test::writeFile("profile/profile.cfg", StoredProfile);
        if (marker != nullptr) test::writeFile("profile/pending", marker);
        if (lastGood) test::writeFile("profile/lastgood.cfg", ProvenProfile);
        std::filesystem::create_directories("history");
        test::writeFile("history/historycfg", "Create = 2026/12/01 08:00:00\nVer = 2.10\n\n");
    }
    // The notice the start posted, answered with `button` (0: its close box).
    void answerNotice(int button) {
        fake.dialogButtons[IDD_SAFE_START].push_back(button == 0 ? -1 : button);
        ASSERT_EQ(fake.count("postMessage 800d"), 1);
        mainWindowProcedure(lifecycle.mainWindow, WM_SAFE_START, 0, 0);
    }
    void shutDown() {
        lifecycle.running = 0;
        runShutdown();
    }
};

TEST_F(SafeStartTest, AMarkerKeepsEveryTuningWriteBackAndSaysSo) {
    storeFiles("ROAD = preset\nTIME = 2026/12/08 21:14:03\n", false);
    ASSERT_EQ(start(0), 1);
    EXPECT_EQ(tuningWrites(), std::vector<std::string>{});
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 0);
    EXPECT_TRUE(driver().gpu(0).dynamicPstates);  // not even the stored performance state
    const std::string log = test::readFile("log/log.txt");
    EXPECT_EQ(log, test::textFile("--- start application 2026/12/08 09:05:07 ---\n"
                                  "SAFE_START = preset 2026/12/08 21:14:03\n"));
    EXPECT_NE(test::readFile("history/historycfg"), "");  // the profile is valid: the history stays
    EXPECT_EQ(fake.count("postMessage 800d"), 1);
}

TEST_F(SafeStartTest, EachChoiceOfTheNotice) {
    struct Case {
        const char* name;
        bool lastGood;
        int button;
        std::int32_t graphicsDelta;  // on the card afterwards
        bool profileKept;            // the shutdown left profile.cfg as it was (else it saved what is in force)
    } cases[] = {
        {"keep the defaults", true, IDC_SAFE_DEFAULTS, 0, true},
        {"the close box counts as the defaults", true, 0, 0, true},
        {"apply them now", false, IDC_SAFE_APPLY, 30000, false},
        {"the last proven settings", true, IDC_SAFE_LASTGOOD, 15000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh(sim::SimConfig{});
        useCards({"current"});
        std::filesystem::remove_all("profile");
        std::filesystem::remove_all("log");
        fake.clearCalls();
        storeFiles("ROAD = apply\nTIME = 2026/12/08 21:14:03\n", c.lastGood);
        ASSERT_EQ(start(), 1);
        driver().clearCalls();
        answerNotice(c.button);
        EXPECT_EQ(driver().gpu(0).graphicsDelta, c.graphicsDelta);
        EXPECT_EQ(tuningWrites().empty(), c.graphicsDelta == 0);
        monitoringPass();  // the monitoring thread reads the card back within a second
        shutDown();
        const std::string saved = test::readFile("profile/profile.cfg");
        if (c.profileKept) {
            EXPECT_EQ(saved, test::textFile(StoredProfile));  // the test stored it in text mode
        } else {
            EXPECT_NE(saved.find("GPU_OFFSET = " + std::to_string(c.graphicsDelta) + ".000"), std::string::npos) << saved;
        }
        EXPECT_FALSE(std::filesystem::exists("profile/pending"));  // the clean end takes the marker
        lifecycle.running = 1;
        gpuWorkers.reopenGate();
    }
}

TEST_F(SafeStartTest, TheNoticeOffersOnlyWhatThereIs) {
    struct Case {
        const char* name;
        bool validProfile;
        bool lastGood;
        bool notice;
        std::vector<std::string> shown;  // the buttons the dialog procedure shows or hides
    } cases[] = {
        {"profile and last proven", true, true, true, {"showDialogItem 1034 show", "showDialogItem 1036 show"}},
        {"profile only", true, false, true, {"showDialogItem 1034 show", "showDialogItem 1036 hide"}},
        {"last proven only", false, true, true, {"showDialogItem 1034 hide", "showDialogItem 1036 show"}},
        {"nothing to offer", false, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh(sim::SimConfig{});
        useCards({"current"});
        std::filesystem::remove_all("profile");
        fake.clearCalls();
        storeFiles("damaged\0\x01", c.lastGood);
        if (!c.validProfile) test::writeFile("profile/profile.cfg", "DeviceID = 1b8010de\nVer = 2.10\n");
        ASSERT_EQ(start(), 1);
        EXPECT_NE(test::readFile("log/log.txt").find(test::textFile("SAFE_START = unknown unknown\n")), std::string::npos);
        EXPECT_EQ(fake.count("postMessage 800d"), c.notice ? 1 : 0);
        if (c.notice) {
            answerNotice(IDC_SAFE_DEFAULTS);
            EXPECT_EQ(fake.callsStartingWith("showDialogItem 103"), c.shown);
        }
        EXPECT_EQ(tuningWrites(), std::vector<std::string>{});
        std::filesystem::remove_all("log");
        lifecycle.running = 0;
        gpuWorkers.stop();
        endMonitoring();
        lifecycle.running = 1;
    }
}

TEST_F(SafeStartTest, WithoutAMarkerTheStartIsAsAlwaysAndLeavesOneOfItsOwn) {
    storeFiles(nullptr, false);
    ASSERT_EQ(start(0), 1);
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 30000);
    EXPECT_EQ(fake.count("postMessage 800d"), 0);
    EXPECT_EQ(test::readFile("log/log.txt"), test::textFile("--- start application 2026/12/08 09:05:07 ---\n"));
    // The start-up's own road is proving now.
    EXPECT_EQ(test::readFile("profile/pending"), test::textFile("ROAD = startup\nTIME = 2026/12/08 09:05:07\n"));
}

TEST_F(MainWindowTest, ProfileOfOtherGpusIsIgnored) {
    std::filesystem::create_directories("profile");
    test::writeFile("profile/profile.cfg", "DeviceID = 1b8010de\nGPU_OFFSET = 30000.000\nPSTATE = 3\nVer = 2.10\n");
    ASSERT_EQ(start(), 1);
    EXPECT_EQ(driver().gpu(0).graphicsDelta, 0);
    EXPECT_EQ(tuning.pstate, -1);
    EXPECT_TRUE(driver().gpu(0).dynamicPstates);
}

TEST_F(MainWindowTest, FiveGpusAreNoticedOnceAndFourUsed) {
    useCards({"current", "current", "current", "current", "current"});
    ASSERT_EQ(start(), 1);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].find("owner=0 "), std::string::npos);  // owned by the main window
    EXPECT_NE(boxes()[0].find("ビデオカードが5枚以上存在します\n認識できるビデオカードは4枚までです\n4枚までを認識します"),
              std::string::npos);
    EXPECT_EQ(inventory.count, 4);
}

TEST_F(MainWindowTest, MissingWindowFailsWithoutAnOwner) {
    fake.failWindowCreation = true;
    expectFatal("messageBox owner=0 caption=Vantrelis text=ウィンドウを作成できません");
}

TEST_F(MainWindowTest, OlderWindowsIsRefused) {
    fake.version = {5, 0, 2195};
    EXPECT_EQ(start(), 0);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_NE(boxes()[0].find("text=XP以降のOSが必要です"), std::string::npos);
    EXPECT_EQ(boxes()[0].find("owner=0 "), std::string::npos);  // owned by the main window
    EXPECT_FALSE(fake.trayIconPresent());
}

TEST_F(MainWindowTest, EachFatalFailureShowsItsMessageAndLeavesNoTrayIcon) {
    enum Fault { Font, DriverStatus, NoGpu, Name, DeviceId, NoArchive, NegativeGpu };
    const std::pair<Fault, std::string> cases[] = {
        {Font, "フォント作成エラー"},
        {DriverStatus, "NvAPIの初期化に失敗しました\nerrorcode -6"},
        {NoGpu, "NvAPIの初期化に失敗しました\nerrorcode -1000"},
        {Name, "GPU名を取得できません"},
        {DeviceId, "デバイスIDを取得できません"},
        {NoArchive, "アーカイブファイルを読み込めません"},
        {NegativeGpu, "GPUActiveIDを取得できません"},
    };
    for (const auto& [fault, text] : cases) {
        SCOPED_TRACE(text);
        FakePlatform fresh;
        setPlatform(&fresh);
        fresh.fixedClock = true;
        fresh.addModule(test::DriverLibrary, {{{"nvapi_QueryInterface", test::exportOf(sim::queryInterfaceEntry())}}});
        fresh.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
        useCards({"current"});
        resetLifecycle();
        resetShellState();
        lifecycle.wndProcEnabled = 1;
        installSkin(folder.path());
        std::filesystem::remove_all("profile");
        switch (fault) {
            case Font: fresh.failFontCreation = true; break;
            case DriverStatus: driver().failOperation("NvAPI_Initialize", -6); break;
            case NoGpu: useCards({}); break;
            case Name: driver().failOperation("NvAPI_GPU_GetFullName", -1); break;
            case DeviceId: driver().failOperation("NvAPI_GPU_GetPCIIdentifiers", -1); break;
            case NoArchive: std::filesystem::remove_all("skin"); break;
            case NegativeGpu:
                std::filesystem::create_directories("profile");
                test::writeFile("profile/profile.cfg", "DeviceID = 220610de\nGPU = -1\nVer = 2.10\n");
                break;
        }
        EXPECT_EQ(initMainWindow("VANTRELIS", "Vantrelis", SwShowNormal, 3), 0);
        std::vector<std::string> shown = fresh.callsStartingWith("messageBox");
        ASSERT_FALSE(shown.empty());
        EXPECT_NE(shown.back().find("caption=Vantrelis text=" + text), std::string::npos) << shown.back();
        EXPECT_EQ(lifecycle.wndProcEnabled, 0);
        EXPECT_FALSE(fresh.trayIconPresent());
        EXPECT_FALSE(fresh.windowVisible(lifecycle.mainWindow));
        EXPECT_EQ(shell.rootView, nullptr);
        setPlatform(&fake);
    }
}

// An archive that is too short still allocates every entry; the images that
// do not decode are reported and the program asks to quit.
TEST_F(MainWindowTest, ShortArchiveEndsTheRunThroughTheViews) {
    std::filesystem::resize_file("skin/imgTemp", 100);
    resetLifecycle();
    resetShellState();
    EXPECT_EQ(runApplication(SwShowNormal), 0);
    EXPECT_GT(fake.count("debugOutput 画像読み込みに失敗しました\n"), 0);
    EXPECT_EQ(fake.quitCode(), 0);
    // The run ended without the shutdown sequence; its tray icon goes all the same.
    EXPECT_FALSE(fake.trayIconPresent());
}

TEST_F(MainWindowTest, WorkingFolderHoldsSkinProfileAndLog) {
    const std::filesystem::path elsewhere = folder.path() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    installSkin(elsewhere);
    std::filesystem::remove_all("skin");
    std::filesystem::current_path(elsewhere);
    EXPECT_EQ(start(), 1);
    EXPECT_EQ(lifecycle.programFolder, elsewhere.string());
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "log" / "log.txt"));
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "history" / "historycfg"));
    std::filesystem::current_path(folder.path());
}

TEST_F(MainWindowTest, WholeRunFromEntryToQuit) {
    fake.queueMessage({nullptr, WmQuit, 0, 0});  // stands for the user's Escape a little later
    fake.clearCalls();
    resetLifecycle();
    resetShellState();
    EXPECT_EQ(runApplication(SwShowNormal), 0);
    EXPECT_EQ(lifecycle.initDone, 1);
    EXPECT_EQ(fake.count("loadAccelerators 109"), 1);
    EXPECT_EQ(fake.count("registerWindowClass VANTRELIS style=3 icon=161 smallIcon=161"), 1);
}

TEST_F(MainWindowTest, EscapeEndsTheRunAboutASecondLater) {
    ASSERT_EQ(start(), 1);
    lifecycle.initDone = 1;
    WindowHandle window = lifecycle.mainWindow;
    mainWindowProcedure(window, WmKeyDown, VkEscape, 0);
    EXPECT_EQ(fake.quitCode(), -1);
    mainWindowProcedure(window, WmTimer, TIMER_EXIT, 0);
    EXPECT_EQ(fake.quitCode(), 0);
    EXPECT_TRUE(std::filesystem::exists("profile/profile.cfg"));
    std::string log = test::readFile("log/log.txt");
    EXPECT_NE(log.find("--- end application"), std::string::npos);
    EXPECT_FALSE(fake.trayIconPresent());
}

}  // namespace
}  // namespace vt
