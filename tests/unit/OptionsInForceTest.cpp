#include "app/shell/OptionsInForce.h"

#include <filesystem>
#include <fstream>

#include "app/ShellState.h"
#include "app/shell/Hotkeys.h"
#include "app/shell/Startup.h"
#include "app/shell/Tray.h"
#include "app/shell/WindowProcedure.h"
#include "gpu/Apply.h"
#include "gpu/Monitor.h"
#include "gpu/MonitorRows.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "resources/ResourceIds.h"
#include "settings/MonitorLog.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"
#include "tests/unit/TestSupport.h"
#include "ui/View.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// The options at work in a started program, on the fake platform and the
// simulated driver.
class OptionsInForceTest : public test::GpuTest {
protected:
    OptionsInForceTest() {
        std::filesystem::create_directory("skin");
        std::filesystem::copy_file(VT_TEST_SKIN_ARCHIVE, "skin/imgTemp");
        fake.instantSleep = true;
        fake.startupFolderPath = (folder.path() / "Startup").string();
        std::filesystem::create_directory("Startup");
        resetOptionsInForce();
    }
    ~OptionsInForceTest() override {
        resetOptionsInForce();
        lifecycle.running = 0;
        gpuWorkers.stop();
        endMonitoring();
        shell.rootView.reset();
        widgets = Widgets{};
        resetLifecycle();
        resetShellState();
    }
    void writeOptionsFile(const std::string& text) {
        std::filesystem::create_directories("profile");
        test::writeFile(OptionsPath, text);
    }
    // Started; the fake's loop has run every message start-up posted.
    void startTheProgram() {
        runApplication(SwShowNormal);
        ASSERT_NE(shell.rootView, nullptr);
        lifecycle.running = 1;
        trayAdd(fake.loadIcon(161));
    }
    void choose(std::uint32_t command) {
        fake.menuChoice = command;
        onTrayNotify(WmRButtonDown);
    }
    // Message boxes of the program, by their text.
    int boxes(const std::string& text) const {
        int found = 0;
        for (const std::string& call : fake.callsStartingWith("messageBox ")) {
            found += call.ends_with(" caption=Vantrelis text=" + text) ? 1 : 0;
        }
        return found;
    }
    static std::string hotkeyCall(int id, char key) {
        return "registerHotKey id=" + std::to_string(id) + " modifiers=3 key=" + std::to_string(int(key) / 16) +
               std::to_string(int(key) % 16);
    }
};

// Without the file the program makes no call and no file it did not make before.
TEST_F(OptionsInForceTest, NoOptionsFileChangesNothing) {
    startTheProgram();
    EXPECT_EQ(fake.count("registerHotKey"), 0);
    EXPECT_EQ(fake.count("createShortcut"), 0);
    EXPECT_EQ(fake.count("postMessage 8010"), 0);
    EXPECT_EQ(fake.count("messageBox"), 0);
    EXPECT_FALSE(std::filesystem::exists(OptionsPath));
    EXPECT_FALSE(monitorLogOn());
    EXPECT_FALSE(std::filesystem::exists("log/" + monitorLogName(fake.localTime())));
}

TEST_F(OptionsInForceTest, TrayMenuEndsWithTheOptionsSubmenu) {
    startTheProgram();
    fake.clearCalls();
    choose(0);
    std::vector<std::string> menu;
    for (const std::string& call : fake.calls()) {
        if (call.starts_with("append") || call.starts_with("createPopupMenu")) menu.push_back(call);
    }
    EXPECT_EQ(menu, (std::vector<std::string>{
                        "createPopupMenu",
                        "appendMenuItem 300 highperformance",
                        "appendMenuItem 400 default",
                        "appendMenuItem 500 eco",
                        "appendMenuItem 100 open",
                        "appendMenuItem 200 close",
                        "appendMenuSeparator",
                        "createPopupMenu",
                        "appendCheckItem 600 Windows と同時に起動 unchecked",
                        "appendCheckItem 700 ホットキー (Ctrl+Alt+1/2/3/0) unchecked",
                        "appendCheckItem 800 モニタリングログ unchecked",
                        "appendSubmenu オプション",
                    }));
    // Choosing nothing writes nothing.
    EXPECT_FALSE(std::filesystem::exists(OptionsPath));
}

TEST_F(OptionsInForceTest, EachChangeTakesEffectAndIsSavedAtOnce) {
    startTheProgram();
    choose(IDM_TRAY_HOTKEYS);
    for (int id = 1; id <= 4; ++id) EXPECT_EQ(fake.count(hotkeyCall(id, "1230"[id - 1])), 1) << id;
    EXPECT_EQ(test::readFile(OptionsPath), test::textFile("START_WITH_WINDOWS = 0\nHOTKEYS = 1\nMONITOR_LOG = 0\n"));

    fake.clearCalls();
    choose(0);
    EXPECT_EQ(fake.count("appendCheckItem 700 ホットキー (Ctrl+Alt+1/2/3/0) checked"), 1);

    choose(IDM_TRAY_START_WITH_WINDOWS);
    const std::string link = fake.startupFolderPath + "\\" + StartupShortcutName;
    EXPECT_EQ(fake.count("createShortcut " + link + " target=" + fake.programFile() +
                         " folder=" + lifecycle.programFolder),
              1);
    EXPECT_TRUE(std::filesystem::exists(link));
    EXPECT_EQ(test::readFile(OptionsPath), test::textFile("START_WITH_WINDOWS = 1\nHOTKEYS = 1\nMONITOR_LOG = 0\n"));

    fake.clearCalls();
    choose(IDM_TRAY_HOTKEYS);
    EXPECT_EQ(fake.count("unregisterHotKey"), 4);
    choose(IDM_TRAY_START_WITH_WINDOWS);
    EXPECT_EQ(fake.count("deleteFile " + link), 1);
    EXPECT_FALSE(std::filesystem::exists(link));
    EXPECT_EQ(test::readFile(OptionsPath), test::textFile("START_WITH_WINDOWS = 0\nHOTKEYS = 0\nMONITOR_LOG = 0\n"));
}

TEST_F(OptionsInForceTest, StartPutsTheShortcutInPlaceForTheFolderItRunsFrom) {
    writeOptionsFile("START_WITH_WINDOWS = 1\n");
    startTheProgram();
    const std::string link = fake.startupFolderPath + "\\" + StartupShortcutName;
    EXPECT_EQ(fake.count("createShortcut " + link + " target=" + fake.programFile() +
                         " folder=" + lifecycle.programFolder),
              1);
    EXPECT_EQ(test::readFile(link), fake.programFile() + "\n" + lifecycle.programFolder + "\n");
    EXPECT_EQ(fake.count("messageBox"), 0);
    // Nothing to save: the file says what is in force.
    EXPECT_EQ(test::readFile(OptionsPath), test::textFile("START_WITH_WINDOWS = 1\n"));
}

// The installer's "Windows と同時に起動" leaves the shortcut and no options file.
TEST_F(OptionsInForceTest, AShortcutTheInstallerMadeShowsTheOptionOnAndTurnsOff) {
    std::filesystem::create_directories(fake.startupFolderPath);
    const std::string link = fake.startupFolderPath + "\\" + StartupShortcutName;
    { std::ofstream(link) << "made by the installer"; }
    startTheProgram();
    EXPECT_TRUE(optionsInForce().startWithWindows);
    EXPECT_EQ(fake.count("createShortcut"), 0);
    EXPECT_FALSE(std::filesystem::exists(OptionsPath));
    choose(IDM_TRAY_START_WITH_WINDOWS);
    EXPECT_FALSE(optionsInForce().startWithWindows);
    EXPECT_FALSE(std::filesystem::exists(link));
    EXPECT_EQ(test::readFile(OptionsPath), test::textFile("START_WITH_WINDOWS = 0\nHOTKEYS = 0\nMONITOR_LOG = 0\n"));
}

TEST_F(OptionsInForceTest, ShortcutThatCannotBeMadeLeavesTheOptionOff) {
    startTheProgram();
    fake.failShortcut = true;
    choose(IDM_TRAY_START_WITH_WINDOWS);
    EXPECT_FALSE(optionsInForce().startWithWindows);
    EXPECT_FALSE(std::filesystem::exists(OptionsPath));
    mainWindowProcedure(lifecycle.mainWindow, WM_OPTIONS_NOTICE, 0, 0);
    EXPECT_EQ(boxes("スタートアップにショートカットを作成できませんでした。"), 1);
}

TEST_F(OptionsInForceTest, TakenCombinationIsNamedOnceAndTheOthersWork) {
    fake.takenHotKeys.insert({ModControl | ModAlt, '2'});
    writeOptionsFile("HOTKEYS = 1\n");
    startTheProgram();
    // The notice came through the loop, once.
    EXPECT_EQ(fake.count("postMessage 8010"), 1);
    const std::string notice =
        "ホットキー Ctrl+Alt+2 はほかのプログラムが使っているため使えません。ほかのホットキーは使えます。";
    EXPECT_EQ(boxes(notice), 1);

    // Off and on again: the same combination is not named a second time.
    choose(IDM_TRAY_HOTKEYS);
    choose(IDM_TRAY_HOTKEYS);
    mainWindowProcedure(lifecycle.mainWindow, WM_OPTIONS_NOTICE, 0, 0);
    EXPECT_EQ(boxes(notice), 1);

    // Ctrl+Alt+3 applies eco; Ctrl+Alt+2 never reaches the program. (The
    // apply's one-second settle on the real clock, so that a repeat meets it.)
    fake.instantSleep = false;
    mainWindowProcedure(lifecycle.mainWindow, WmHotKey, 3, 0);
    EXPECT_EQ(tuning.easySettings, PresetEco);
    EXPECT_NE(log().find(": EASY_SETTINGS = SUCCESSFUL"), std::string::npos);
    // Held down, the key repeats: the apply is not made again while it settles.
    const std::size_t applies = driver().calls("SetPstates20").size();
    mainWindowProcedure(lifecycle.mainWindow, WmHotKey, 3, 0);
    EXPECT_EQ(driver().calls("SetPstates20").size(), applies);
    finishApplySettle();

    mainWindowProcedure(lifecycle.mainWindow, WmHotKey, 4, 0);
    EXPECT_EQ(tuning.easySettings, PresetCustom);
    EXPECT_NE(log().find(": RESET = SUCCESSFUL"), std::string::npos);
    EXPECT_EQ(fake.count("dialogBox"), 0);
}

// A hotkey pressed in a game changes the icons; the window stays in the tray.
TEST_F(OptionsInForceTest, HotkeyLeavesAWindowInTheTrayThere) {
    writeOptionsFile("HOTKEYS = 1\n");
    startTheProgram();
    fake.showWindow(lifecycle.mainWindow, SwHide);
    lifecycle.hiddenToTray = 1;
    fake.clearCalls();
    mainWindowProcedure(lifecycle.mainWindow, WmHotKey, 1, 0);
    EXPECT_EQ(tuning.easySettings, PresetHighPerformance);
    EXPECT_EQ(fake.count("showWindow"), 0);
    EXPECT_FALSE(fake.windowVisible(lifecycle.mainWindow));
    EXPECT_EQ(lifecycle.hiddenToTray, 1);
    EXPECT_EQ(FakePlatform::iconResourceId(fake.trayIcon().icon), 164u);
}

TEST_F(OptionsInForceTest, DamagedFileGivesTheDefaultsAndSaysSoOnce) {
    writeOptionsFile("HOTKEYS = perhaps\nMONITOR_LOG = 1\n");
    startTheProgram();
    EXPECT_EQ(fake.count("registerHotKey"), 0);
    EXPECT_FALSE(monitorLogOn());
    EXPECT_EQ(boxes("オプションのファイル profile/options.cfg が壊れているため、すべてのオプションをオフにしました。"), 1);
    mainWindowProcedure(lifecycle.mainWindow, WM_OPTIONS_NOTICE, 0, 0);
    EXPECT_EQ(fake.count("messageBox"), 1);
    // Left as it was until the user changes an option.
    EXPECT_EQ(test::readFile(OptionsPath), test::textFile("HOTKEYS = perhaps\nMONITOR_LOG = 1\n"));
}

TEST_F(OptionsInForceTest, MonitoringLogGetsPassesAndAppliedChanges) {
    writeOptionsFile("MONITOR_LOG = 1\nTHEME = dark\n");
    startTheProgram();
    ASSERT_TRUE(monitorLogOn());
    finishApplySettle();
    monitoringPass();
    applyEasyPreset(PresetEco);
    finishApplySettle();
    monitoringPass();
    choose(IDM_TRAY_MONITOR_LOG);  // off: the last rows are written
    EXPECT_FALSE(monitorLogOn());
    EXPECT_EQ(test::readFile(OptionsPath),
              test::textFile("START_WITH_WINDOWS = 0\nHOTKEYS = 0\nMONITOR_LOG = 0\nTHEME = dark\n"));

    const std::string text = test::readFile("log/" + monitorLogName(fake.localTime()));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 4u) << text;
    EXPECT_EQ(lines[0], std::string(Utf8Mark) + MonitorCsvHeader);
    EXPECT_TRUE(lines[1].ends_with(",")) << lines[1];  // a pass: no event
    EXPECT_TRUE(lines[2].ends_with(",,,,,,,,,,,,,preset eco")) << lines[2];
    EXPECT_TRUE(lines[3].ends_with(",")) << lines[3];
    // The pass after the apply reads the eco offsets back.
    EXPECT_NE(lines[1], lines[3]);
}

}  // namespace
}  // namespace vt
