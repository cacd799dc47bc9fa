#include "app/shell/MainWindow.h"

#include <filesystem>
#include <functional>

#include "app/ShellState.h"
#include "app/shell/Startup.h"
#include "app/shell/WindowProcedure.h"
#include "gpu/Monitor.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
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
