#include "app/Tray.h"

#include "app/ShellState.h"
#include "app/WindowProcedure.h"
#include "platform/Messages.h"
#include "settings/TuningSettings.h"
#include "tests/unit/TestSupport.h"
#include "ui/PanelEdit.h"

namespace vt {
namespace {

class TrayTest : public test::PlatformTest {
protected:
    TrayTest() {
        resetShellState();
        resetTuningSettings();
        resetPanelEdit();
        shell.wndProcEnabled = 1;
        fake.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
        shell.mainWindow = fake.createWindow("VANTRELIS", "Vantrelis", WS_POPUP, 0, 0, 640, 650);
        trayAdd(fake.loadIcon(161));
        fake.clearCalls();
    }
    ~TrayTest() override {
        resetShellState();
        resetTuningSettings();
        resetPanelEdit();
    }
    void rightClickAndChoose(std::uint32_t command) {
        fake.menuChoice = command;
        onTrayNotify(WM_RBUTTONDOWN);
    }
};

TEST_F(TrayTest, RecordIsTheFull508BytesWithAFixedTip) {
    TrayIconData data = fake.trayIcon();
    EXPECT_EQ(data.size, 508u);
    EXPECT_EQ(data.id, 0x8002u);
    EXPECT_EQ(data.flags, 0x17u);
    EXPECT_EQ(data.callbackMessage, 0x8003u);
    EXPECT_EQ(FakePlatform::iconResourceId(data.icon), 161u);
    EXPECT_EQ(data.tip, "Halvenro Vantrelis");
    EXPECT_EQ(data.window, shell.mainWindow);
}

TEST_F(TrayTest, AppIconChangesEverywhereInItsOrder) {
    fake.registerWindowClass({"Shell_TrayWnd", 0, mainWindowProcedure, nullptr, nullptr});
    fake.createWindow("Shell_TrayWnd", "", 0, 0, 0, 10, 10);
    fake.clearCalls();
    shell.hiddenToTray = 1;
    fake.showWindow(shell.mainWindow, SW_HIDE);
    fake.clearCalls();
    setAppIcon(fake.loadIcon(162));
    EXPECT_EQ(fake.calls(), (std::vector<std::string>{
                                "loadIcon 162",
                                "setClassIcon 162",
                                "showWindow 0",
                                "showWindow 5",
                                "updateWindow",
                                "findWindow Shell_TrayWnd title=",
                                "invalidate erase=1",
                                "notifyIcon modify size=508 id=8002 flags=17 message=8003 icon=162 tip=Halvenro Vantrelis",
                            }));
    EXPECT_TRUE(fake.windowVisible(shell.mainWindow));  // even if it had been hidden to the tray
    EXPECT_EQ(FakePlatform::iconResourceId(fake.trayIcon().icon), 162u);
}

TEST_F(TrayTest, LeftClickBringsTheWindowBack) {
    shell.hiddenToTray = 1;
    onTrayNotify(WM_LBUTTONDOWN);
    EXPECT_TRUE(fake.windowVisible(shell.mainWindow));
    EXPECT_EQ(fake.foregroundWindow(), shell.mainWindow);
    EXPECT_EQ(shell.hiddenToTray, 0);
}

TEST_F(TrayTest, MenuOffersFiveItemsInOrder) {
    rightClickAndChoose(0);
    EXPECT_EQ(fake.callsStartingWith("appendMenuItem"),
              (std::vector<std::string>{"appendMenuItem 300 highperformance", "appendMenuItem 400 default",
                                        "appendMenuItem 500 eco", "appendMenuItem 100 open",
                                        "appendMenuItem 200 close"}));
    EXPECT_EQ(fake.count("destroyMenu"), 1);
}

TEST_F(TrayTest, DismissedMenuChangesNothing) {
    shell.hiddenToTray = 1;
    rightClickAndChoose(0);
    EXPECT_FALSE(fake.windowVisible(shell.mainWindow));
    EXPECT_EQ(shell.presetApplyRequest, 0);
    EXPECT_TRUE(fake.trayIconPresent());
}

TEST_F(TrayTest, PresetChoiceSelectsItRequestsAnApplyAndOpensTheWindow) {
    struct Case {
        std::uint32_t command;
        int preset;
    } cases[] = {{300, PresetHighPerformance}, {400, PresetDefault}, {500, PresetEco}};
    for (const Case& c : cases) {
        shell.hiddenToTray = 1;
        shell.presetApplyRequest = 0;
        fake.showWindow(shell.mainWindow, SW_HIDE);
        rightClickAndChoose(c.command);
        EXPECT_EQ(tuning.easySettings, c.preset) << c.command;
        EXPECT_EQ(panel.easyChoice, c.preset);
        EXPECT_EQ(panel.shownPreset, c.preset);
        EXPECT_EQ(shell.presetApplyRequest, 1);
        EXPECT_TRUE(fake.windowVisible(shell.mainWindow));
        EXPECT_EQ(shell.hiddenToTray, 0);
    }
}

TEST_F(TrayTest, CloseRemovesTheIconAtOnceAndAsksToQuit) {
    rightClickAndChoose(200);
    EXPECT_FALSE(fake.trayIconPresent());
    EXPECT_EQ(shell.running, 0);  // the quit request reached the window
    EXPECT_EQ(fake.count("setTimer 103 1000"), 1);
}

TEST_F(TrayTest, OpenShowsTheWindow) {
    shell.hiddenToTray = 1;
    rightClickAndChoose(100);
    EXPECT_TRUE(fake.windowVisible(shell.mainWindow));
    EXPECT_EQ(shell.hiddenToTray, 0);
    EXPECT_EQ(shell.presetApplyRequest, 0);
}

}  // namespace
}  // namespace vt
