// The process entry point of Vantrelis.exe: installs the Win32 platform and
// runs the program.
#include "platform/win32/Win32Include.h"

#include <commctrl.h>

#include "app/shell/Startup.h"
#include "platform/win32/Win32Platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    vt::Win32Platform win32(instance);
    vt::setPlatform(&win32);

    // The dialogs use tab and progress-bar controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    win32.startGraphics();
    int exitCode = vt::runApplication(showCommand);
    win32.stopGraphics();
    vt::setPlatform(nullptr);
    return exitCode;
}
