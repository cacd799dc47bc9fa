// A stand-in main window titled "Vantrelis": it lets the entry point, the
// message loop and the hand-over to a running copy run, and shows the skinned
// window as the widget layout builds it, before the real main window
// initialisation exists. It is replaced by that initialisation.
#include <cstdio>
#include <string_view>

#include "app/MainWindow.h"
#include "app/ShellState.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "ui/BackBuffer.h"
#include "ui/SkinArchive.h"
#include "ui/WidgetLayout.h"

namespace vt {

namespace {

int failStartUp(std::string_view message, std::FILE* archive) {
    shell.wndProcEnabled = 0;
    showSkinFailure(message);
    if (archive != nullptr) std::fclose(archive);
    backBuffer.destroy();
    return 0;
}

// The skin step: the archive, the whole widget tree, the archive closed again.
int buildSkin() {
    std::FILE* archive = openSkinArchive();
    if (archive == nullptr) return failStartUp(ArchiveUnreadableMessage, nullptr);
    if (!buildWidgetTree(archive, LayoutInputs{}, widgets, widgetTexts)) return failStartUp(OutOfMemoryMessage, archive);
    std::fclose(archive);
    shell.rootView = widgets.root;
    return 1;
}

void paint(WindowHandle window) {
    Platform& os = platform();
    os.beginPaint(window);
    if (shell.rootView != nullptr && backBuffer.exists()) {
        shell.rootView->draw(backBuffer);
        os.presentBackBuffer(window, backBuffer.surface());
    }
    os.endPaint(window);
}

}  // namespace

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
    backBuffer.create(window);
    if (buildSkin() == 0) return 0;
    os.showWindow(window, showCommand);
    os.updateWindow(window);
    return 1;
}

LResult mainWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    Platform& os = platform();
    if (shell.wndProcEnabled == 0) return os.defaultWindowProcedure(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            paint(window);
            return 0;
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
            backBuffer.destroy();
            delete shell.rootView;
            shell.rootView = nullptr;
            widgets = Widgets{};
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
