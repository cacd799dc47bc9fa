#include "app/Tray.h"

#include "app/ShellState.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/TuningSettings.h"
#include "ui/PanelEdit.h"

namespace vt {

TrayIconData trayIconData;

namespace {

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
    os.showWindow(shell.mainWindow, SW_SHOWNORMAL);
    os.setForegroundWindow(shell.mainWindow);
    shell.hiddenToTray = 0;
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
            platform().sendMessage(shell.mainWindow, WM_QUIT_REQUEST, 0, 0);
            break;
        default:  // the menu was dismissed
            break;
    }
}

void showTrayMenu() {
    Platform& os = platform();
    os.setForegroundWindow(shell.mainWindow);
    Point cursor = os.cursorPosition();
    MenuHandle menu = os.createPopupMenu();
    for (const MenuItem& item : MenuItems) os.appendMenuItem(menu, item.id, item.text);
    os.trackPopupMenu(menu, cursor, shell.mainWindow);
    // The menu posts its choice to the queue instead of returning it.
    Message chosen;
    if (!os.peekMessage(chosen, true)) {
        os.destroyMenu(menu);
        return;
    }
    os.translateMessage(chosen);
    carryOut(chosen.message == WM_COMMAND ? static_cast<std::uint32_t>(chosen.wParam & 0xFFFF) : 0);
    os.dispatchMessage(chosen);
    os.destroyMenu(menu);
}

}  // namespace

void trayAdd(IconHandle icon) {
    trayIconData = TrayIconData{};
    trayIconData.size = 508;
    trayIconData.window = shell.mainWindow;
    trayIconData.id = TRAY_ICON_ID;
    trayIconData.flags = TrayFlags;
    trayIconData.callbackMessage = WM_TRAY_NOTIFY;
    trayIconData.icon = icon;
    trayIconData.tip = TrayTip;
    platform().notifyIcon(TrayOperation::Add, trayIconData);
}

void trayRemove() { platform().notifyIcon(TrayOperation::Delete, trayIconData); }

void setAppIcon(IconHandle icon) {
    Platform& os = platform();
    trayIconData.icon = icon;
    os.setClassIcon(shell.mainWindow, icon);
    // Hiding and showing again makes the taskbar button take the new icon.
    os.showWindow(shell.mainWindow, SW_HIDE);
    os.showWindow(shell.mainWindow, SW_SHOW);
    os.updateWindow(shell.mainWindow);
    if (WindowHandle taskbar = os.findWindow("Shell_TrayWnd", "")) os.invalidate(taskbar, true);
    os.notifyIcon(TrayOperation::Modify, trayIconData);
}

void onTrayNotify(LParam lParam) {
    switch (static_cast<std::uint32_t>(lParam)) {
        case WM_LBUTTONDOWN:
            openWindow();
            break;
        case WM_RBUTTONDOWN:
            showTrayMenu();
            break;
        default:
            break;
    }
}

}  // namespace vt
