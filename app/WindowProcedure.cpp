// The main window's procedure: the program's heart beat.
//
// Every message passes four stages: the gate (nothing before start-up is
// done), the modal guard (a program dialog is open), the input model (raw
// button and key messages become ButtonState values the panels poll) and the
// panel pass; then the message's own handling.
#include "app/WindowProcedure.h"

#include <cstdio>

#include "app/AppWindowHooks.h"
#include "app/MainWindow.h"
#include "app/PanelPass.h"
#include "app/ShellState.h"
#include "app/Shutdown.h"
#include "app/Tray.h"
#include "gpu/Monitor.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "ui/BackBuffer.h"
#include "ui/PanelEdit.h"
#include "ui/Repaint.h"
#include "ui/View.h"

namespace vt {
namespace {

bool isOneOf(std::uint32_t message, std::initializer_list<std::uint32_t> messages) {
    for (std::uint32_t candidate : messages) {
        if (message == candidate) return true;
    }
    return false;
}

// While a program dialog is open the main window ignores input and its
// timers, but it still paints.
bool swallowedByModalGuard(std::uint32_t message) {
    if (!shell.modal.anyOpen()) return false;
    shell.input.mouseButton = BUTTON_IDLE;
    return isOneOf(message, {WM_KEYDOWN, WM_TIMER, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_SETCURSOR,
                             WM_EXITSIZEMOVE});
}

Point clientCursor() {
    Platform& os = platform();
    return os.screenToClient(shell.mainWindow, os.cursorPosition());
}

void runPanelPass(std::uint32_t message) {
    if (shell.startPhase < 2 || shell.initDone == 0) return;
    if (isOneOf(message, {WM_KEYDOWN, WM_TIMER, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_SETCURSOR,
                          WM_EXITSIZEMOVE})) {
        panelInputPass();
    }
    if (shell.running == 1 && shell.closing == 0 && shell.applyInProgress == 0) refreshSliders();
    if (shell.running == 1 && shell.closing == 0) enableCurveEditing();
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

void onEscape(WindowHandle window) {
    shell.running = 0;
    if (shell.escQuitArmed == 1) {
        shell.escQuitArmed = 0;
        platform().sendMessage(window, WM_QUIT_REQUEST, 0, 0);
    }
}

void onFrameTick() {
    if (shell.startPhase >= 2) presetIndicatorStep();
    if (shell.startPhase == 1) shell.startPhase = 2;
    pointerPass();
}

void onRefreshTick() {
    if (shell.startPhase >= 2) {
        Point cursor = clientCursor();
        refreshMonitor();
        // No repaint while the window is being dragged over a widget.
        bool overWidget = shell.rootView != nullptr && shell.rootView->hitTest(cursor) != nullptr;
        if (!(overWidget && shell.windowDragging == 1)) repaint();
    }
    pointerPass();
}

void onTimer(WindowHandle window, WParam timer) {
    if (shell.running == 0) {
        if (timer == TIMER_EXIT) platform().sendMessage(window, WM_DESTROY, 0, 0);
        return;
    }
    if (timer == TIMER_FRAME) onFrameTick();
    if (timer == TIMER_REFRESH) onRefreshTick();
}

void onButtonDown(WindowHandle window, LParam lParam) {
    if (shell.running == 0 || shell.rootView == nullptr) return;
    Platform& os = platform();
    View* view = shell.rootView->hitTest(clientCursor());
    if (view == nullptr) return;
    if (view == shell.rootView) {
        // A press on the bare background moves the window, as a caption would.
        shell.windowDragging = 1;
        shell.captionDragPending = 1;
        os.postMessage(window, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
    }
    view->press(os.cursorPosition());
    shell.capturedView = view;
    if (view != shell.rootView) repaint();
}

void onButtonUp() {
    if (shell.running == 0) return;
    shell.windowDragging = 0;
    if (shell.capturedView != nullptr) {
        shell.capturedView->release(platform().cursorPosition());
        shell.capturedView = nullptr;
        repaint();
    }
}

void showAndActivate(WindowHandle window) {
    platform().showWindow(window, SW_SHOWNORMAL);
    platform().setForegroundWindow(window);
    shell.hiddenToTray = 0;
}

void onQuitRequest(WindowHandle window) {
    shell.running = 0;
    shell.driverBusy = 1;
    platform().setTimer(window, TIMER_EXIT, 1000);
}

// Messages handled here end with the cursor shape re-asserted.
LResult finishWithCursor() {
    platform().setCursor(shell.handCursor ? CursorShape::Hand : CursorShape::Arrow);
    return 0;
}

}  // namespace

void updateInputState(std::uint32_t message, WParam wParam) {
    InputState& in = shell.input;
    bool frameClass = (message == WM_TIMER && wParam == TIMER_FRAME) ||
                      isOneOf(message, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_NCLBUTTONUP, WM_SETCURSOR, WM_EXITSIZEMOVE});
    if (frameClass) {
        in.prevMouseButton = in.mouseButton;
        in.prevLeftKey = in.leftKey;
        in.prevRightKey = in.rightKey;
        bool releaseClass = isOneOf(message, {WM_LBUTTONUP, WM_NCLBUTTONUP, WM_EXITSIZEMOVE}) ||
                            (message == WM_SETCURSOR && shell.captionDragPending == 1);
        if (message != WM_LBUTTONDOWN && in.mouseButton < BUTTON_PRESSED) {
            in.mouseButton = BUTTON_IDLE;
            shell.captionDragPending = 0;
        } else if (releaseClass) {
            in.mouseButton = BUTTON_RELEASED;
            shell.captionDragPending = 0;
        } else if (shell.inputHoldOff != 1) {
            bool down = in.mouseButton == BUTTON_PRESSED || in.mouseButton == BUTTON_HELD;
            in.mouseButton = down ? BUTTON_HELD : BUTTON_PRESSED;
        }
    }
    if (message == WM_KEYDOWN) {
        if (wParam == VK_LEFT) {
            in.leftKeyRepeat += 1;
            in.leftKey = in.prevLeftKey >= BUTTON_PRESSED ? BUTTON_HELD : BUTTON_PRESSED;
        } else if (wParam == VK_RIGHT) {
            in.rightKeyRepeat += 1;
            in.rightKey = in.prevRightKey >= BUTTON_PRESSED ? BUTTON_HELD : BUTTON_PRESSED;
        }
        return;
    }
    if (message == WM_KEYUP) {
        in.leftKeyRepeat = 0;
        in.rightKeyRepeat = 0;
        if (wParam == VK_LEFT) in.leftKey = BUTTON_RELEASED;
        if (wParam == VK_RIGHT) in.rightKey = BUTTON_RELEASED;
        return;
    }
    auto age = [](std::int32_t& key, std::int32_t& repeat) {
        if (key == BUTTON_PRESSED) {
            key = BUTTON_HELD;
            repeat += 1;
        } else if (key == BUTTON_RELEASED) {
            key = BUTTON_IDLE;
        }
    };
    age(in.leftKey, in.leftKeyRepeat);
    age(in.rightKey, in.rightKeyRepeat);
}

void pointerPass() {
    if (shell.running != 1 || shell.rootView == nullptr) return;
    Point cursor = clientCursor();
    if (shell.capturedView != nullptr && panel.anyDrag()) {
        DragBox box = curveDragBox(shell.activePage);
        shell.capturedView->dragTo(cursor.x, cursor.y, shell.activePage, box.xMax, box.yMax, box.xMin, box.yMin);
        refreshCurveSegments();
        refreshCurveLabels();
        repaint();
    }
    // A move from one widget to another takes three passes: clear, pick, mark.
    View*& hovered = shell.hoveredView;
    if (hovered != nullptr && hovered->hitTest(cursor) != hovered) {
        hovered->setHovered(false);
        hovered = nullptr;
        repaint();
    } else if (hovered != nullptr) {
        hovered = shell.rootView->hitTest(cursor);
        if (hovered != nullptr) {
            hovered->setHovered(true);
            if (hovered != shell.rootView) repaint();
        }
    } else {
        hovered = shell.rootView->hitTest(cursor);
    }
}

LResult mainWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    Platform& os = platform();
    if (shell.wndProcEnabled == 0) return os.defaultWindowProcedure(window, message, wParam, lParam);
    if (swallowedByModalGuard(message)) return 0;
    updateInputState(message, wParam);
    runPanelPass(message);

    switch (message) {
        case WM_CREATE:
            os.setTimer(window, TIMER_FRAME, 1);
            os.setTimer(window, TIMER_REFRESH, 1000);
            shell.startPhase += 1;
            return 0;
        case WM_PAINT:
            paint(window);
            return finishWithCursor();
        case WM_SETCURSOR:
        case WM_EXITSIZEMOVE:
            if (shell.running) shell.windowDragging = 0;
            return finishWithCursor();
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                onEscape(window);
                return 0;
            }
            return finishWithCursor();
        case WM_TIMER:
            onTimer(window, wParam);
            return finishWithCursor();
        case WM_MOUSEMOVE:
            pointerPass();
            return finishWithCursor();
        case WM_LBUTTONDOWN:
            onButtonDown(window, lParam);
            return finishWithCursor();
        case WM_LBUTTONUP:
            onButtonUp();
            return finishWithCursor();
        case WM_TRAY_NOTIFY:
            onTrayNotify(lParam);
            return 0;
        case WM_SHOW_INSTANCE:
            showAndActivate(window);
            return finishWithCursor();
        case WM_SCANNER_DONE:
            logLine("SCANNER = END\n");
            return finishWithCursor();
        case WM_QUIT_REQUEST:
            onQuitRequest(window);
            return 0;
        case WM_CURVE_FOLLOWED:
            // The monitoring thread saw the driver's curve move; the points follow here.
            placeCurvePoints();
            repaint();
            return 0;
        case WM_DESTROY:
            runShutdown();
            return 0;
        default:
            return os.defaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace vt
