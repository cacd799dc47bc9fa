// The notification-area icon and the application icon.
//
// The icon shows the easy preset in force (the same four icons as the
// window); a left click brings the window back, a right click offers open,
// close and the three presets. setAppIcon changes the icon everywhere at
// once when a preset is applied or the settings are reset.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "resources/ResourceIds.h"

namespace vt {

inline constexpr std::uint32_t TRAY_ICON_ID = 0x8002;
inline constexpr std::uint32_t TrayFlags = 0x17;  // message, icon, tip and balloon fields valid
inline constexpr const char* TrayTip = "Halvenro Vantrelis";


// The one record every tray call uses.
extern TrayIconData trayIconData;

void trayAdd(IconHandle icon);
void trayRemove();
// The shell's task bar started anew and lost every icon ("TaskbarCreated").
bool isTaskbarCreated(std::uint32_t message);
// The same record added again, unless the icon had been removed.
void trayAddAgain();
void setAppIcon(IconHandle icon);
// While one lives, setAppIcon leaves a window that is in the tray there: a
// hotkey or a script's request, made while a game has the screen, changes
// the icons without bringing the window up over it.
class WindowStaysInTray {
public:
    WindowStaysInTray();
    ~WindowStaysInTray();
    WindowStaysInTray(const WindowStaysInTray&) = delete;
    WindowStaysInTray& operator=(const WindowStaysInTray&) = delete;

private:
    bool previous_;
};
// WM_TRAY_NOTIFY: lParam carries the mouse message.
void onTrayNotify(LParam lParam);

}  // namespace vt
