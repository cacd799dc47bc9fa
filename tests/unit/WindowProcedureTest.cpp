#include "app/shell/WindowProcedure.h"

#include <algorithm>
#include <filesystem>

#include "app/ShellState.h"
#include "app/shell/Tray.h"
#include "driver/DriverApi.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "tests/unit/GpuTestSupport.h"
#include "tests/unit/TestImages.h"
#include "ui/BackBuffer.h"
#include "ui/View.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// The main window on the fake platform: a background and one widget on it.
class WindowProcedureTest : public test::GpuTest {
protected:
    WindowProcedureTest() {
        lifecycle.wndProcEnabled = 1;
        fake.registerWindowClass({"VANTRELIS", 0, mainWindowProcedure, nullptr, nullptr});
        window = fake.createWindow("VANTRELIS", "Vantrelis", WsPopup, 100, 50, 640, 650);
        lifecycle.mainWindow = window;
        lifecycle.programFolder = folder.path().string();
        fake.clientOrigin = {100, 50};
        backBuffer.create(window);
        background = test::solidPng(640, 650, 0xFF202020);
        buttonImage = test::solidPng(100, 32, 0xFF3080F0);
        root = new View({0, 0}, nullptr, KindImage, background.data(), background.size());
        button = new View({222, 598}, root, KindImage, buttonImage.data(), buttonImage.size());
        shell.rootView.reset(root);
        lifecycle.initDone = 1;
        send(WmTimer, TIMER_FRAME);  // the first tick starts the panel work
    }
    ~WindowProcedureTest() override {
        shell.rootView.reset();
        backBuffer.destroy();
    }

    LResult send(std::uint32_t message, WParam wParam = 0, LParam lParam = 0) {
        return mainWindowProcedure(window, message, wParam, lParam);
    }
    void pointAt(int x, int y) { fake.cursor = {100 + x, 50 + y}; }
    std::int32_t mouse() const { return shell.input.mouseButton; }

    WindowHandle window = nullptr;
    std::vector<std::uint8_t> background, buttonImage;
    View* root = nullptr;
    View* button = nullptr;
};

TEST_F(WindowProcedureTest, CreationStartsBothTimersAndTheFirstTickThePanels) {
    EXPECT_EQ(fake.timers(window), (std::vector<std::uintptr_t>{TIMER_FRAME, TIMER_REFRESH}));
    EXPECT_EQ(shell.startPhase, 2);
}

TEST_F(WindowProcedureTest, ClickGoesPressedHeldReleasedIdle) {
    pointAt(250, 610);
    send(WmLButtonDown);
    EXPECT_EQ(mouse(), BUTTON_PRESSED);
    EXPECT_EQ(shell.capturedView, button);
    EXPECT_TRUE(button->pressed());
    send(WmTimer, TIMER_FRAME);
    EXPECT_EQ(mouse(), BUTTON_HELD);
    send(WmTimer, TIMER_FRAME);
    EXPECT_EQ(mouse(), BUTTON_HELD);
    send(WmLButtonUp);
    EXPECT_EQ(mouse(), BUTTON_RELEASED);
    EXPECT_EQ(shell.capturedView, nullptr);
    EXPECT_FALSE(button->pressed());
    send(WmTimer, TIMER_FRAME);
    EXPECT_EQ(mouse(), BUTTON_IDLE);
}

TEST_F(WindowProcedureTest, BackgroundPressMovesTheWindowAndEndsInOneRelease) {
    pointAt(400, 40);
    fake.clearCalls();
    send(WmLButtonDown, 1, 0x00280190);
    EXPECT_EQ(mouse(), BUTTON_PRESSED);
    EXPECT_EQ(shell.windowDragging, 1);
    EXPECT_EQ(shell.captionDragPending, 1);
    EXPECT_EQ(fake.count("postMessage a1 w=2 l=2621840"), 1);  // WmNcLButtonDown on the caption
    // The system's move loop ends without a button-up: the first set-cursor
    // message stands for it.
    send(WmSetCursor);
    EXPECT_EQ(mouse(), BUTTON_RELEASED);
    EXPECT_EQ(shell.windowDragging, 0);
    send(WmTimer, TIMER_FRAME);
    EXPECT_EQ(mouse(), BUTTON_IDLE);
    send(WmSetCursor);
    EXPECT_EQ(mouse(), BUTTON_IDLE);
}

TEST_F(WindowProcedureTest, AnApplysSettleKeepsAPressFromRegistering) {
    DriverGate::Hold apply = gpuWorkers.gate().close(GateHolder::Apply);
    pointAt(250, 610);
    send(WmLButtonDown);
    EXPECT_EQ(mouse(), BUTTON_IDLE);
    apply.release();
    send(WmLButtonDown);
    EXPECT_EQ(mouse(), BUTTON_PRESSED);
}

TEST_F(WindowProcedureTest, HeldArrowKeyAndItsRepeatCounter) {
    struct Step {
        std::uint32_t message;
        WParam key;
        std::int32_t leftKey, repeat;
    } steps[] = {
        {WmKeyDown, VkLeft, BUTTON_PRESSED, 1},  // the press
        {WmTimer, TIMER_FRAME, BUTTON_HELD, 2},   // ageing counts once
        {WmTimer, TIMER_FRAME, BUTTON_HELD, 2},
        {WmKeyDown, VkLeft, BUTTON_HELD, 3},  // each auto-repeat
        {WmKeyDown, VkLeft, BUTTON_HELD, 4},
        {WmMouseMove, 0, BUTTON_HELD, 4},
        {WmKeyUp, VkLeft, BUTTON_RELEASED, 0},
        {WmTimer, TIMER_FRAME, BUTTON_IDLE, 0},
    };
    for (const Step& step : steps) {
        send(step.message, step.key);
        EXPECT_EQ(shell.input.leftKey, step.leftKey) << step.message << " " << step.key;
        EXPECT_EQ(shell.input.leftKeyRepeat, step.repeat) << step.message << " " << step.key;
    }
}

TEST_F(WindowProcedureTest, ReleasingAnyKeyResetsBothCounters) {
    send(WmKeyDown, VkLeft);
    send(WmKeyDown, VkRight);
    send(WmTimer, TIMER_FRAME);
    EXPECT_GT(shell.input.leftKeyRepeat, 0);
    EXPECT_GT(shell.input.rightKeyRepeat, 0);
    send(WmKeyUp, 'A');
    EXPECT_EQ(shell.input.leftKeyRepeat, 0);
    EXPECT_EQ(shell.input.rightKeyRepeat, 0);
    EXPECT_EQ(shell.input.leftKey, BUTTON_HELD);  // only its own key-up releases it
}

TEST_F(WindowProcedureTest, OpenDialogSwallowsInputButNotPainting) {
    lifecycle.modal.slot[9] = ModalResults::openSentinel(9);
    pointAt(250, 610);
    shell.input.mouseButton = BUTTON_HELD;
    for (std::uint32_t message : {WmLButtonDown, WmKeyDown, WmTimer, WmMouseMove, WmSetCursor}) {
        EXPECT_EQ(send(message, message == WmKeyDown ? VkEscape : TIMER_FRAME), 0);
    }
    EXPECT_EQ(mouse(), BUTTON_IDLE);
    EXPECT_EQ(shell.capturedView, nullptr);
    EXPECT_EQ(lifecycle.running, 1);  // the Escape never arrived
    fake.clearCalls();
    send(WmPaint);
    EXPECT_EQ(fake.count("presentBackBuffer 640x650"), 1);
    lifecycle.modal.slot[9] = 0;
}

TEST_F(WindowProcedureTest, PaintDrawsTheTreeIntoTheBackBufferAndCopiesIt) {
    fake.clearCalls();
    send(WmPaint);
    EXPECT_EQ(fake.calls(), (std::vector<std::string>{"beginPaint", "presentBackBuffer 640x650", "endPaint"}));
    // The button's blue is in the buffer at its place (rows bottom-up).
    const std::uint8_t* pixel = backBuffer.surface().pixels + ((650 - 1 - 600) * 640 + 230) * 4;
    EXPECT_EQ(pixel[0], 0xF0);
    EXPECT_EQ(pixel[2], 0x30);
}

// The frame timer asks for the shortest period the system gives, the
// refresh and exit timers for a second.
TEST_F(WindowProcedureTest, TimersAskForTheirPeriods) {
    EXPECT_EQ(fake.callsStartingWith("setTimer"), (std::vector<std::string>{"setTimer 101 1", "setTimer 102 1000"}));
    send(WM_QUIT_REQUEST);
    EXPECT_EQ(fake.callsStartingWith("setTimer").back(), "setTimer 103 1000");
}

// A new copy hands over to the running one, but not to one that is ending.
TEST_F(WindowProcedureTest, ShowInstanceIsRefusedOnceTheProgramEnds) {
    fake.showWindow(window, SwHide);
    EXPECT_EQ(send(WM_SHOW_INSTANCE), ShowInstanceShown);
    EXPECT_TRUE(fake.windowVisible(window));
    fake.showWindow(window, SwHide);
    send(WM_QUIT_REQUEST);
    EXPECT_EQ(send(WM_SHOW_INSTANCE), ShowInstanceEnding);
    EXPECT_FALSE(fake.windowVisible(window));
}

TEST_F(WindowProcedureTest, EscapeTwiceSendsOneQuitRequest) {
    send(WmKeyDown, VkEscape);
    EXPECT_EQ(lifecycle.running, 0);
    EXPECT_TRUE(gpuWorkers.gate().heldBy(GateHolder::Shutdown));
    send(WmKeyDown, VkEscape);
    std::vector<std::uintptr_t> timers = fake.timers(window);
    EXPECT_EQ(std::count(timers.begin(), timers.end(), TIMER_EXIT), 1);
}

TEST_F(WindowProcedureTest, QuitRequestEndsTheProgramOnTheExitTimer) {
    send(WM_QUIT_REQUEST);
    EXPECT_EQ(lifecycle.running, 0);
    EXPECT_EQ(fake.quitCode(), -1);
    send(WmTimer, TIMER_FRAME);  // only the exit timer acts now
    EXPECT_EQ(fake.quitCode(), -1);
    send(WmTimer, TIMER_EXIT);
    EXPECT_EQ(fake.quitCode(), 0);
    EXPECT_EQ(shell.rootView, nullptr);
}

TEST_F(WindowProcedureTest, HoverTakesThreePassesFromWidgetToWidget) {
    pointAt(250, 610);
    send(WmMouseMove);
    EXPECT_EQ(shell.hoveredView, button);  // picked, not marked
    EXPECT_FALSE(button->hovered());
    send(WmMouseMove);
    EXPECT_TRUE(button->hovered());
    pointAt(10, 10);
    send(WmMouseMove);
    EXPECT_EQ(shell.hoveredView, nullptr);  // cleared
    EXPECT_FALSE(button->hovered());
    send(WmMouseMove);
    EXPECT_EQ(shell.hoveredView, root);
}

TEST_F(WindowProcedureTest, RefreshTickRepaintsUnlessDraggingOverAWidget) {
    fake.clearCalls();
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(fake.count("invalidate erase=0"), 1);
    shell.windowDragging = 1;
    pointAt(250, 610);
    fake.clearCalls();
    send(WmTimer, TIMER_REFRESH);
    EXPECT_EQ(fake.count("invalidate"), 0);
}

TEST_F(WindowProcedureTest, ShowInstanceBringsTheWindowBack) {
    lifecycle.hiddenToTray = 1;
    send(WM_SHOW_INSTANCE);
    EXPECT_TRUE(fake.windowVisible(window));
    EXPECT_EQ(fake.foregroundWindow(), window);
    EXPECT_EQ(lifecycle.hiddenToTray, 0);
}

TEST_F(WindowProcedureTest, ScannerEndIsLogged) {
    useCards({"cooler"});
    startUp();
    send(WM_SCANNER_DONE);
    EXPECT_EQ(log(), test::textFile("GeForce GTX 1080: SCANNER = END\n"));
}

TEST_F(WindowProcedureTest, CursorFollowsTheHandFlag) {
    shell.handCursor = 1;
    send(WM_SHOW_INSTANCE);
    EXPECT_EQ(fake.cursorShape(), CursorShape::Hand);
    shell.handCursor = 0;
    send(WmSetCursor);
    EXPECT_EQ(fake.cursorShape(), CursorShape::Arrow);
}

TEST_F(WindowProcedureTest, GateLetsEverythingThroughUntouched) {
    lifecycle.wndProcEnabled = 0;
    pointAt(250, 610);
    send(WmLButtonDown);
    send(WmKeyDown, VkEscape);
    EXPECT_EQ(mouse(), BUTTON_IDLE);
    EXPECT_EQ(lifecycle.running, 1);
}

// --- the shutdown sequence ----------------------------------------------------------

TEST_F(WindowProcedureTest, ShutdownSavesTheProfileAndTheEndLine) {
    useCards({"cooler"});
    startUp();
    trayAdd(nullptr);
    tuning.easySettings = PresetEco;
    shell.instanceMutex = reinterpret_cast<MutexHandle>(0x77);
    ASSERT_FALSE(std::filesystem::exists("profile"));
    send(WmDestroy);
    EXPECT_TRUE(std::filesystem::is_directory("profile"));
    std::string saved = test::readFile("profile/profile.cfg");
    EXPECT_TRUE(saved.starts_with(test::textFile("DeviceID = 1b8010de\nGPU = 0\nEASY_SETTINGS = 2\n"))) << saved;
    EXPECT_NE(log().find(test::textFile("--- end application 2026/12/08 09:05:07 ---\n\n")), std::string::npos);
    EXPECT_FALSE(fake.trayIconPresent());
    EXPECT_EQ(fake.count("releaseMutex 77"), 1);
    EXPECT_EQ(fake.quitCode(), 0);
    EXPECT_EQ(driver().count("RestoreCoolerSettings"), 0);  // no fan level: the fans stay as they are
}

// A copy started while this one ends waits for its mutex: it is let go as
// soon as the files are written, before the slow rest of the clean-up.
TEST_F(WindowProcedureTest, ShutdownLetsGoOfTheMutexBeforeTheTrayIcon) {
    useCards({"cooler"});
    startUp();
    trayAdd(nullptr);
    shell.instanceMutex = reinterpret_cast<MutexHandle>(0x77);
    fake.clearCalls();
    send(WmDestroy);
    const std::vector<std::string> done = fake.calls();
    auto at = [&](const std::string& prefix) {
        return std::find_if(done.begin(), done.end(), [&](const std::string& c) { return c.starts_with(prefix); }) -
               done.begin();
    };
    EXPECT_LT(at("releaseMutex 77"), at("notifyIcon delete"));
    EXPECT_LT(at("notifyIcon delete"), static_cast<std::ptrdiff_t>(done.size()));
}

TEST_F(WindowProcedureTest, AProfileThatCannotBePutInPlaceLeavesTheOldOneWhole) {
    useCards({"cooler"});
    startUp();
    std::filesystem::create_directory("profile");
    test::writeFile("profile/profile.cfg", "DeviceID = 1b8010de\nGPU = 0\nEASY_SETTINGS = 1\nVer = 2.10\n");
    const std::string before = test::readFile("profile/profile.cfg");
    tuning.easySettings = PresetEco;
    fake.failFileReplace = true;
    send(WmDestroy);
    EXPECT_EQ(test::readFile("profile/profile.cfg"), before);
    EXPECT_FALSE(std::filesystem::exists("profile/profile.cfg.new"));
}

TEST_F(WindowProcedureTest, ShutdownWithoutALogFolderLosesOnlyTheEndLine) {
    std::filesystem::remove_all("log");
    useCards({"cooler"});
    startUp();
    send(WmDestroy);
    EXPECT_FALSE(std::filesystem::exists("log"));
    EXPECT_TRUE(std::filesystem::exists("profile/profile.cfg"));
}

TEST_F(WindowProcedureTest, ShutdownHandsTheFansBackWhenAFanLevelIsSet) {
    useCards({"cooler", "cooler", "cooler"});
    startUp();
    tuning.fanLevel = 2;
    driver().failOperation("RestoreCoolerSettings", -5, 1);
    send(WmDestroy);
    std::vector<std::string> restores = calls("RestoreCoolerSettings");
    ASSERT_EQ(restores.size(), 2u);  // the second GPU refuses; the walk ends there
    EXPECT_NE(restores[0].find("gpu=0"), std::string::npos);
    EXPECT_NE(restores[1].find("gpu=1"), std::string::npos);
}

TEST_F(WindowProcedureTest, ShutdownWithoutSliSyncRestoresOnlyTheCurrentGpu) {
    useCards({"cooler", "cooler"});
    startUp();
    tuning.fanLevel = 1;
    tuning.sliSync = 0;
    send(WmDestroy);
    std::vector<std::string> restores = calls("RestoreCoolerSettings");
    ASSERT_EQ(restores.size(), 1u);
    EXPECT_NE(restores[0].find("gpu=0"), std::string::npos);
}

}  // namespace
}  // namespace vt
