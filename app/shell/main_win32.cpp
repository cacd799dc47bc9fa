// The process entry point of Vantrelis.exe: installs the Win32 platform and
// runs the program.
#include "platform/win32/Win32Include.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/shell/Startup.h"
#include "platform/win32/Win32Platform.h"

namespace {

// The arguments after the program's name, split as the C runtime would, in
// the system code page that the program's file paths use.
std::vector<std::string> commandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) {
        const int length = WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(length > 0 ? static_cast<std::size_t>(length - 1) : 0, '\0');
        if (length > 1) WideCharToMultiByte(CP_ACP, 0, wide[i], -1, text.data(), length, nullptr, nullptr);
        arguments.push_back(text);
    }
    LocalFree(wide);
    return arguments;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    vt::Win32Platform win32(instance);
    vt::setPlatform(&win32);

    // The dialogs use tab and progress-bar controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    win32.startGraphics();
    int exitCode = vt::runApplication(showCommand, commandLineArguments());
    win32.stopGraphics();
    vt::setPlatform(nullptr);
    return exitCode;
}
