#include "app/shell/Tray.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "app/shell/WindowProcedure.h"
#include "platform/Messages.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

class TrayTest : public test::PlatformTest {
protected:
    TrayTest() {
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        resetPanelEdit();
        lifecycle.wndProcEnabled = 1;
        fake.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
        lifecycle.mainWindow = fake.createWindow("VANTRELIS", "Vantrelis", WsPopup, 0, 0, 640, 650);
        trayAdd(fake.loadIcon(161));
        fake.clearCalls();
    }
    ~TrayTest() override {
        resetLifecycle();
        resetShellState();
        resetTuningSettings();
        resetPanelEdit();
    }
    void rightClickAndChoose(std::uint32_t command) {
        fake.menuChoice = command;
        onTrayNotify(WmRButtonDown);
    }
};

// A restarted task bar has lost every icon and says so with "TaskbarCreated":
// the same record goes up again, unless the icon had been taken down.
TEST_F(TrayTest, RestartedTaskBarGetsTheSameIconAgain) {
    const std::uint32_t taskbarCreated = fake.registerWindowMessage("TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    setAppIcon(fake.loadIcon(162));
    fake.restartTaskbar();
    fake.clearCalls();
    EXPECT_EQ(mainWindowProcedure(lifecycle.mainWindow, taskbarCreated, 0, 0), 0);
    EXPECT_EQ(fake.count("notifyIcon"), 1);
    EXPECT_EQ(fake.count("notifyIcon add"), 1);
    EXPECT_TRUE(fake.trayIconPresent());
    EXPECT_EQ(FakePlatform::iconResourceId(fake.trayIcon().icon), 162u);
    EXPECT_EQ(fake.trayIcon().tip, "Halvenro Vantrelis");

    trayRemove();
    fake.restartTaskbar();
    fake.clearCalls();
    mainWindowProcedure(lifecycle.mainWindow, taskbarCreated, 0, 0);
    EXPECT_EQ(fake.count("notifyIcon"), 0);
    EXPECT_FALSE(fake.trayIconPresent());
}

TEST_F(TrayTest, RecordIsTheFullOneOfThisWidthWithAFixedTip) {
    TrayIconData data = fake.trayIcon();
    // The shell's record: 508 bytes in a 32-bit process, 528 in a 64-bit one.
    EXPECT_EQ(data.size, sizeof(void*) == 8 ? 528u : 508u);
    EXPECT_EQ(data.id, 0x8002u);
    EXPECT_EQ(data.flags, 0x17u);
    EXPECT_EQ(data.callbackMessage, 0x8003u);
    EXPECT_EQ(FakePlatform::iconResourceId(data.icon), 161u);
    EXPECT_EQ(data.tip, "Halvenro Vantrelis");
    EXPECT_EQ(data.window, lifecycle.mainWindow);
}

TEST_F(TrayTest, AppIconChangesEverywhereWithoutHidingTheWindow) {
    fake.registerWindowClass({"Shell_TrayWnd", 0, mainWindowProcedure, nullptr, nullptr});
    fake.createWindow("Shell_TrayWnd", "", 0, 0, 0, 10, 10);
    const std::string modify = "notifyIcon modify size=" + std::to_string(FullTrayRecordSize) + " id=8002 flags=17 message=8003 icon=162 tip=Halvenro Vantrelis";
    struct Case {
        const char* name;
        std::int32_t hiddenToTray;
        std::vector<std::string> calls;
    } cases[] = {
        {"shown: never hidden, not even for a moment", 0,
         {"loadIcon 162", "setClassIcon 162", "setWindowIcon 162", "findWindow Shell_TrayWnd title=",
          "invalidate erase=1", modify}},
        {"hidden to the tray: shown again", 1,
         {"loadIcon 162", "setClassIcon 162", "setWindowIcon 162", "showWindow 5", "findWindow Shell_TrayWnd title=",
          "invalidate erase=1", modify}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lifecycle.hiddenToTray = c.hiddenToTray;
        fake.showWindow(lifecycle.mainWindow, c.hiddenToTray ? SwHide : SwShow);
        fake.clearCalls();
        setAppIcon(fake.loadIcon(162));
        EXPECT_EQ(fake.calls(), c.calls);
        EXPECT_TRUE(fake.windowVisible(lifecycle.mainWindow));
        // A window that is up again is not left marked as hidden: the monitor would stay paused.
        EXPECT_EQ(lifecycle.hiddenToTray, 0);
        EXPECT_EQ(FakePlatform::iconResourceId(fake.trayIcon().icon), 162u);
    }
}

TEST_F(TrayTest, LeftClickBringsTheWindowBack) {
    lifecycle.hiddenToTray = 1;
    onTrayNotify(WmLButtonDown);
    EXPECT_TRUE(fake.windowVisible(lifecycle.mainWindow));
    EXPECT_EQ(fake.foregroundWindow(), lifecycle.mainWindow);
    EXPECT_EQ(lifecycle.hiddenToTray, 0);
}

TEST_F(TrayTest, MenuOffersFiveItemsInOrder) {
    rightClickAndChoose(0);
    EXPECT_EQ(fake.callsStartingWith("appendMenuItem"),
              (std::vector<std::string>{"appendMenuItem 300 highperformance", "appendMenuItem 400 default",
                                        "appendMenuItem 500 eco", "appendMenuItem 100 open",
                                        "appendMenuItem 200 close"}));
    EXPECT_EQ(fake.count("destroyMenu"), 1);
}

// The choice comes back from the menu itself: a timer or paint message
// already waiting in the queue is neither taken for it nor lost, and the
// owner gets the message after tracking that lets the menu close when the
// user clicks elsewhere.
TEST_F(TrayTest, ChoiceIsTheMenusOwnWhateverWaitsInTheQueue) {
    for (std::uint32_t queued : {WmTimer, WmPaint}) {
        fake.postMessage(lifecycle.mainWindow, queued, 101, 0);
        fake.clearCalls();
        lifecycle.hiddenToTray = 1;
        rightClickAndChoose(IDM_TRAY_ECO);
        EXPECT_EQ(tuning.easySettings, PresetEco) << queued;
        EXPECT_EQ(shell.presetApplyRequest, 1);
        EXPECT_EQ(fake.count("postMessage 0 w=0 l=0"), 1);
        const std::vector<std::string> calls = fake.calls();
        const auto tracked = std::find_if(calls.begin(), calls.end(),
                                          [](const std::string& call) { return call.starts_with("trackPopupMenu"); });
        ASSERT_NE(tracked, calls.end());
        EXPECT_EQ(*(tracked + 1), "postMessage 0 w=0 l=0");
        Message first;
        ASSERT_TRUE(fake.peekMessage(first, true));
        EXPECT_EQ(first.message, queued);  // still there for the loop
        Message next;
        while (fake.peekMessage(next, true)) {
        }
        shell.presetApplyRequest = 0;
    }
}

TEST_F(TrayTest, DismissedMenuChangesNothing) {
    lifecycle.hiddenToTray = 1;
    rightClickAndChoose(0);
    EXPECT_FALSE(fake.windowVisible(lifecycle.mainWindow));
    EXPECT_EQ(shell.presetApplyRequest, 0);
    EXPECT_TRUE(fake.trayIconPresent());
}

TEST_F(TrayTest, PresetChoiceSelectsItRequestsAnApplyAndOpensTheWindow) {
    struct Case {
        std::uint32_t command;
        int preset;
    } cases[] = {{300, PresetHighPerformance}, {400, PresetDefault}, {500, PresetEco}};
    for (const Case& c : cases) {
        lifecycle.hiddenToTray = 1;
        shell.presetApplyRequest = 0;
        fake.showWindow(lifecycle.mainWindow, SwHide);
        rightClickAndChoose(c.command);
        EXPECT_EQ(tuning.easySettings, c.preset) << c.command;
        EXPECT_EQ(panel.easyChoice, c.preset);
        EXPECT_EQ(panel.shownPreset, c.preset);
        EXPECT_EQ(shell.presetApplyRequest, 1);
        EXPECT_TRUE(fake.windowVisible(lifecycle.mainWindow));
        EXPECT_EQ(lifecycle.hiddenToTray, 0);
    }
}

TEST_F(TrayTest, CloseRemovesTheIconAtOnceAndAsksToQuit) {
    rightClickAndChoose(200);
    EXPECT_FALSE(fake.trayIconPresent());
    EXPECT_EQ(lifecycle.running, 0);  // the quit request reached the window
    EXPECT_EQ(fake.count("setTimer 103 1000"), 1);
}

TEST_F(TrayTest, OpenShowsTheWindow) {
    lifecycle.hiddenToTray = 1;
    rightClickAndChoose(100);
    EXPECT_TRUE(fake.windowVisible(lifecycle.mainWindow));
    EXPECT_EQ(lifecycle.hiddenToTray, 0);
    EXPECT_EQ(shell.presetApplyRequest, 0);
}

}  // namespace
}  // namespace vt
