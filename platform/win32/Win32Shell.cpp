// The notification-area icon, its popup menu and starting programs through
// the shell.
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

#include <shellapi.h>

#include <cstring>

namespace vt {

using namespace win32;

bool Win32Platform::notifyIcon(TrayOperation operation, const TrayIconData& data) {
    static_assert(sizeof(NOTIFYICONDATAA) == FullTrayRecordSize, "the full record of this width");
    NOTIFYICONDATAA native{};
    native.cbSize = data.size;
    native.hWnd = hwnd(data.window);
    native.uID = data.id;
    native.uFlags = data.flags;
    native.uCallbackMessage = data.callbackMessage;
    native.hIcon = reinterpret_cast<HICON>(data.icon);
    std::strncpy(native.szTip, data.tip.c_str(), sizeof native.szTip - 1);
    static const DWORD operations[] = {NIM_ADD, NIM_MODIFY, NIM_DELETE};
    return Shell_NotifyIconA(operations[static_cast<int>(operation)], &native) != 0;
}

MenuHandle Win32Platform::createPopupMenu() { return reinterpret_cast<MenuHandle>(CreatePopupMenu()); }

void Win32Platform::appendMenuItem(MenuHandle menu, std::uint32_t id, const char* text) {
    AppendMenuA(reinterpret_cast<HMENU>(menu), MF_STRING, id, text);
}

std::uint32_t Win32Platform::trackPopupMenu(MenuHandle menu, Point screen, WindowHandle owner) {
    // The chosen command comes back from the call itself and is not posted:
    // a message already queued can never be taken for it.
    const BOOL chosen = TrackPopupMenu(reinterpret_cast<HMENU>(menu), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                       screen.x, screen.y, 0, hwnd(owner), nullptr);
    return static_cast<std::uint32_t>(chosen);
}

void Win32Platform::destroyMenu(MenuHandle menu) { DestroyMenu(reinterpret_cast<HMENU>(menu)); }

bool Win32Platform::shellExecute(WindowHandle owner, const char* verb, const std::string& file,
                                 const std::string& parameters, const char* directory, int showCommand) {
    // Values up to 32 are the shell's error codes.
    HINSTANCE started = ShellExecuteA(hwnd(owner), verb, file.c_str(), parameters.c_str(), directory, showCommand);
    return reinterpret_cast<INT_PTR>(started) > 32;
}

}  // namespace vt
