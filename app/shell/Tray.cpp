#include "app/shell/Tray.h"

#include "app/shell/FrameSchedule.h"
#include "app/shell/OptionsInForce.h"
#include "app/PanelEdit.h"
#include "app/panels/PresetButtons.h"
#include "app/ShellState.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"

namespace vt {

TrayIconData trayIconData;

namespace {

// A new task bar (the shell restarted) has no icons: it broadcasts this
// registered message and every program adds its icon again.
std::uint32_t taskbarCreated = 0;
// The icon is up: added and not removed since. A removed icon stays removed.
bool iconShown = false;
bool stayInTray = false;

struct MenuItem {
    std::uint32_t id;
    const char* text;
};

constexpr MenuItem MenuItems[] = {
    {IDM_TRAY_HIGHPERFORMANCE, "highperformance"},
    {IDM_TRAY_DEFAULT, "default"},
    {IDM_TRAY_ECO, "eco"},
    {IDM_TRAY_OPEN, "open"},
    {IDM_TRAY_CLOSE, "close"},
};

void openWindow() {
    Platform& os = platform();
    os.showWindow(lifecycle.mainWindow, SwShowNormal);
    os.setForegroundWindow(lifecycle.mainWindow);
    gpuWorkers.leaveTray();
    wakeFrameWork();
}

void carryOut(std::uint32_t command) {
    switch (command) {
        case IDM_TRAY_HIGHPERFORMANCE:
        case IDM_TRAY_DEFAULT:
        case IDM_TRAY_ECO:
            choosePreset(static_cast<int>(command / 100 - 3));
            shell.presetApplyRequest = 1;
            openWindow();
            break;
        case IDM_TRAY_OPEN:
            openWindow();
            break;
        case IDM_TRAY_CLOSE:
            trayRemove();
            platform().sendMessage(lifecycle.mainWindow, WM_QUIT_REQUEST, 0, 0);
            break;
        case IDM_TRAY_START_WITH_WINDOWS:
        case IDM_TRAY_HOTKEYS:
        case IDM_TRAY_MONITOR_LOG:
            toggleOption(command);
            break;
        default:  // the menu was dismissed
            break;
    }
}

// After the five items: the options, each ticked while it is on. The
// submenu goes with the menu it belongs to.
void appendOptionsSubmenu(MenuHandle menu) {
    Platform& os = platform();
    const ProgramOptions& options = optionsInForce();
    os.appendMenuSeparator(menu);
    MenuHandle submenu = os.createPopupMenu();
    os.appendCheckItem(submenu, IDM_TRAY_START_WITH_WINDOWS, "Windows と同時に起動", options.startWithWindows);
    os.appendCheckItem(submenu, IDM_TRAY_HOTKEYS, "ホットキー (Ctrl+Alt+1/2/3/0)", options.hotkeys);
    os.appendCheckItem(submenu, IDM_TRAY_MONITOR_LOG, "モニタリングログ", options.monitorLog);
    os.appendSubmenu(menu, submenu, "オプション");
}

void showTrayMenu() {
    Platform& os = platform();
    os.setForegroundWindow(lifecycle.mainWindow);
    Point cursor = os.cursorPosition();
    MenuHandle menu = os.createPopupMenu();
    for (const MenuItem& item : MenuItems) os.appendMenuItem(menu, item.id, item.text);
    appendOptionsSubmenu(menu);
    const std::uint32_t chosen = os.trackPopupMenu(menu, cursor, lifecycle.mainWindow);
    // A notification-area menu closes on a click elsewhere only when its
    // owner gets a message after tracking.
    os.postMessage(lifecycle.mainWindow, WmNull, 0, 0);
    carryOut(chosen);
    os.destroyMenu(menu);
}

}  // namespace

void trayAdd(IconHandle icon) {
    taskbarCreated = platform().registerWindowMessage("TaskbarCreated");
    trayIconData = TrayIconData{};
    trayIconData.size = FullTrayRecordSize;
    trayIconData.window = lifecycle.mainWindow;
    trayIconData.id = TRAY_ICON_ID;
    trayIconData.flags = TrayFlags;
    trayIconData.callbackMessage = WM_TRAY_NOTIFY;
    trayIconData.icon = icon;
    trayIconData.tip = TrayTip;
    platform().notifyIcon(TrayOperation::Add, trayIconData);
    iconShown = true;
}

void trayRemove() {
    platform().notifyIcon(TrayOperation::Delete, trayIconData);
    iconShown = false;
}

bool isTaskbarCreated(std::uint32_t message) { return taskbarCreated != 0 && message == taskbarCreated; }

void trayAddAgain() {
    if (iconShown) platform().notifyIcon(TrayOperation::Add, trayIconData);
}

void setAppIcon(IconHandle icon) {
    Platform& os = platform();
    trayIconData.icon = icon;
    os.setClassIcon(lifecycle.mainWindow, icon);
    // The window's own icons carry the new one to its taskbar button at once;
    // hiding and showing the window for it took seconds and made it flicker.
    os.setWindowIcon(lifecycle.mainWindow, icon);
    // The window is up afterwards, also when it had gone to the tray.
    if (lifecycle.hiddenToTray != 0 && !stayInTray) {
        os.showWindow(lifecycle.mainWindow, SwShow);
        gpuWorkers.leaveTray();
    }
    if (WindowHandle taskbar = os.findWindow("Shell_TrayWnd", "")) os.invalidate(taskbar, true);
    os.notifyIcon(TrayOperation::Modify, trayIconData);
}

WindowStaysInTray::WindowStaysInTray() : previous_(stayInTray) { stayInTray = true; }

WindowStaysInTray::~WindowStaysInTray() { stayInTray = previous_; }

void onTrayNotify(LParam lParam) {
    switch (static_cast<std::uint32_t>(lParam)) {
        case WmLButtonDown:
            openWindow();
            break;
        case WmRButtonDown:
            showTrayMenu();
            break;
        default:
            break;
    }
}

}  // namespace vt
