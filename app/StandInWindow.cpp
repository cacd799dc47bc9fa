// A plain popup window titled "Vantrelis" that lets the entry point, the
// message loop and the hand-over to a running copy run before the skinned
// main window exists. It is replaced by the main window initialisation.
#include "app/MainWindow.h"
#include "app/ShellState.h"
#include "platform/Messages.h"
#include "platform/Platform.h"

namespace vt {

int initMainWindow(const std::string& className, const std::string& title, int showCommand, int) {
    Platform& os = platform();
    Size screen = os.screenSize();
    WindowHandle window =
        os.createWindow(className, title, WS_POPUP, screen.width / 2 - 320, screen.height / 2 - 325, 640, 650);
    if (window == nullptr) {
        shell.wndProcEnabled = 0;
        os.messageBox(nullptr, "ウィンドウを作成できません", "Vantrelis");
        return 0;
    }
    shell.mainWindow = window;
    os.showWindow(window, showCommand);
    os.updateWindow(window);
    return 1;
}

LResult mainWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    Platform& os = platform();
    if (shell.wndProcEnabled == 0) return os.defaultWindowProcedure(window, message, wParam, lParam);
    switch (message) {
        case WM_SHOW_INSTANCE:
            os.showWindow(window, SW_SHOWNORMAL);
            os.setForegroundWindow(window);
            shell.hiddenToTray = 0;
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) os.sendMessage(window, WM_DESTROY, 0, 0);
            return 0;
        case WM_DESTROY:
            shell.running = 0;
            if (shell.instanceMutex != nullptr) {
                os.releaseMutex(shell.instanceMutex);
                os.closeMutex(shell.instanceMutex);
                shell.instanceMutex = nullptr;
            }
            os.postQuitMessage(0);
            return 0;
        default:
            return os.defaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace vt
