// The main window's procedure: the program's heart beat.
//
// Every message passes four stages: the gate (nothing before start-up is
// done), the modal guard (a program dialog is open), the input model (raw
// button and key messages become ButtonState values the panels poll) and the
// panel pass; then the message's own handling.
#include "app/panels/CurveEditor.h"
#include "app/shell/WindowProcedure.h"

#include <cstdio>
#include <optional>

#include "app/shell/AppWindowHooks.h"
#include "app/shell/CommandHandOff.h"
#include "app/panels/EasyPanel.h"
#include "app/shell/FrameSchedule.h"
#include "app/shell/Hotkeys.h"
#include "app/shell/OptionsInForce.h"
#include "app/shell/MainWindow.h"
#include "app/shell/Recovery.h"
#include "app/shell/SafeStart.h"
#include "app/panels/MonitorPanel.h"
#include "app/PanelEdit.h"
#include "app/panels/PanelPass.h"
#include "app/PointerMoment.h"
#include "app/ShellState.h"
#include "app/shell/Shutdown.h"
#include "app/shell/Tray.h"
#include "gpu/Apply.h"
#include "gpu/Monitor.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "ui/BackBuffer.h"
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
    if (!lifecycle.modal.anyOpen()) return false;
    shell.input.mouseButton = BUTTON_IDLE;
    return isOneOf(message, {WmKeyDown, WmTimer, WmMouseMove, WmLButtonDown, WmLButtonUp, WmSetCursor,
                             WmExitSizeMove});
}

void runPanelPass(std::uint32_t message) {
    if (shell.startPhase < 2 || lifecycle.initDone == 0) return;
    if (isOneOf(message, {WmKeyDown, WmTimer, WmMouseMove, WmLButtonDown, WmLButtonUp, WmSetCursor,
                          WmExitSizeMove})) {
        panelInputPass();
    }
    if (lifecycle.running == 1 && lifecycle.closing == 0 && !applySettling()) refreshSliders();
    if (lifecycle.running == 1 && lifecycle.closing == 0) enableCurveEditing();
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
    lifecycle.running = 0;
    if (shell.escQuitArmed == 1) {
        shell.escQuitArmed = 0;
        platform().sendMessage(window, WM_QUIT_REQUEST, 0, 0);
    }
}

void refreshReadouts() {
    // In the tray nothing is shown and the monitor is paused: the readouts
    // are made again on the first tick after the window comes back.
    if (shell.startPhase < 2 || lifecycle.hiddenToTray != 0) return;
    Point cursor = cursorInClient();
    refreshMonitor();
    // No repaint while the window is being dragged over a widget.
    bool overWidget = shell.rootView != nullptr && shell.rootView->hitTest(cursor) != nullptr;
    if (!(overWidget && shell.windowDragging == 1)) repaint();
}

void onFrameTick() {
    if (shell.startPhase >= 2) presetIndicatorStep();
    if (shell.startPhase == 1) {
        shell.startPhase = 2;
        // The first sample came before the window could show it.
        if (monitor.meters.sampledGpu() >= 0) refreshReadouts();
    }
    pointerPass();
}

void onRefreshTick() {
    refreshReadouts();
    pointerPass();
}

void onTimer(WindowHandle window, WParam timer) {
    if (lifecycle.running == 0) {
        if (timer == TIMER_EXIT) platform().sendMessage(window, WmDestroy, 0, 0);
        return;
    }
    if (timer == TIMER_FRAME) onFrameTick();
    if (timer == TIMER_REFRESH) onRefreshTick();
    onRecoveryTimer(window, timer);
    onRequestTimer(window, timer);
}

void onButtonDown(WindowHandle window, LParam lParam) {
    if (lifecycle.running == 0 || shell.rootView == nullptr) return;
    Platform& os = platform();
    View* view = shell.rootView->hitTest(cursorInClient());
    if (view == nullptr) return;
    if (view == shell.rootView.get()) {
        // A press on the bare background moves the window, as a caption would.
        shell.windowDragging = 1;
        shell.captionDragPending = 1;
        os.postMessage(window, WmNcLButtonDown, HtCaption, lParam);
    }
    view->press(cursorOnScreen());
    shell.capturedView = view;
    if (view != shell.rootView.get()) repaint();
}

void onButtonUp() {
    if (lifecycle.running == 0) return;
    shell.windowDragging = 0;
    if (shell.capturedView != nullptr) {
        shell.capturedView->release(cursorOnScreen());
        shell.capturedView = nullptr;
        repaint();
    }
}

void showAndActivate(WindowHandle window) {
    platform().showWindow(window, SwShowNormal);
    platform().setForegroundWindow(window);
    gpuWorkers.leaveTray();
    wakeFrameWork();
}

void onQuitRequest(WindowHandle window) {
    lifecycle.running = 0;
    gpuWorkers.closeForShutdown();
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
    bool frameClass = (message == WmTimer && wParam == TIMER_FRAME) ||
                      isOneOf(message, {WmLButtonDown, WmLButtonUp, WmNcLButtonUp, WmSetCursor, WmExitSizeMove});
    if (frameClass) {
        in.prevMouseButton = in.mouseButton;
        in.prevLeftKey = in.leftKey;
        in.prevRightKey = in.rightKey;
        bool releaseClass = isOneOf(message, {WmLButtonUp, WmNcLButtonUp, WmExitSizeMove}) ||
                            (message == WmSetCursor && shell.captionDragPending == 1);
        if (message != WmLButtonDown && in.mouseButton < BUTTON_PRESSED) {
            in.mouseButton = BUTTON_IDLE;
            shell.captionDragPending = 0;
        } else if (releaseClass) {
            in.mouseButton = BUTTON_RELEASED;
            shell.captionDragPending = 0;
        } else if (!applySettling()) {
            bool down = in.mouseButton == BUTTON_PRESSED || in.mouseButton == BUTTON_HELD;
            in.mouseButton = down ? BUTTON_HELD : BUTTON_PRESSED;
        }
    }
    if (message == WmKeyDown) {
        if (wParam == VkLeft) {
            in.leftKeyRepeat += 1;
            in.leftKey = in.prevLeftKey >= BUTTON_PRESSED ? BUTTON_HELD : BUTTON_PRESSED;
        } else if (wParam == VkRight) {
            in.rightKeyRepeat += 1;
            in.rightKey = in.prevRightKey >= BUTTON_PRESSED ? BUTTON_HELD : BUTTON_PRESSED;
        }
        return;
    }
    if (message == WmKeyUp) {
        in.leftKeyRepeat = 0;
        in.rightKeyRepeat = 0;
        if (wParam == VkLeft) in.leftKey = BUTTON_RELEASED;
        if (wParam == VkRight) in.rightKey = BUTTON_RELEASED;
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
    if (lifecycle.running != 1 || shell.rootView == nullptr) return;
    Point cursor = cursorInClient();
    if (shell.capturedView != nullptr && panel.anyDrag()) {
        const DragBox box = curveDragBox(lifecycle.activePage);
        shell.capturedView->dragTo(dragPosition(*shell.capturedView, cursor, lifecycle.activePage, box));
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
        // Painted once when the mark is set, not on every pass it stays: a
        // full repaint per frame tick slows the panel passes (and so every
        // hover delay) several times over.
        if (hovered != nullptr && !hovered->hovered()) {
            hovered->setHovered(true);
            if (hovered != shell.rootView.get()) repaint();
        }
    } else {
        hovered = shell.rootView->hitTest(cursor);
    }
}

namespace {

LResult handleMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    Platform& os = platform();
    switch (message) {
        case WmCreate:
            os.setTimer(window, TIMER_FRAME, FramePeriodMs);
            shell.framePace = FramePace::Running;
            os.setTimer(window, TIMER_REFRESH, RefreshPeriodMs);
            shell.refreshResting = false;
            shell.startPhase += 1;
            return 0;
        case WmPaint:
            paint(window);
            return finishWithCursor();
        case WmSetCursor:
        case WmExitSizeMove:
            if (lifecycle.running) shell.windowDragging = 0;
            return finishWithCursor();
        case WmKeyDown:
            if (wParam == VkEscape) {
                onEscape(window);
                return 0;
            }
            return finishWithCursor();
        case WmTimer:
            onTimer(window, wParam);
            return finishWithCursor();
        case WmMouseMove:
            pointerPass();
            return finishWithCursor();
        case WmLButtonDown:
            onButtonDown(window, lParam);
            return finishWithCursor();
        case WmLButtonUp:
            onButtonUp();
            return finishWithCursor();
        case WM_TRAY_NOTIFY:
            onTrayNotify(lParam);
            return 0;
        case WM_SHOW_INSTANCE:
            // A copy on its way out must not take the hand-over: its window goes in a moment.
            if (lifecycle.running == 0) return ShowInstanceEnding;
            showAndActivate(window);
            finishWithCursor();
            return ShowInstanceShown;
        case WM_SCANNER_DONE:
            logLine("SCANNER = END\n");
            return finishWithCursor();
        case WM_QUIT_REQUEST:
            onQuitRequest(window);
            return 0;
        case WM_FIRST_SAMPLE:
            // Whichever comes last, this or the window's first frame tick, shows it.
            refreshReadouts();
            return 0;
        case WM_SAFE_START:
            offerSafeStartChoice();
            return 0;
        case WmPowerBroadcast:
            onPowerBroadcast(window, wParam);
            return 1;
        case WM_DRIVER_LOST:
            onDriverLost(window);
            return 0;
        case WmCopyData:
            return onCopyData(lParam);
        case WM_RUN_REQUEST:
            onRunRequest(window);
            return 0;
        case WmHotKey:
            onHotkey(wParam);
            return 0;
        case WM_OPTIONS_NOTICE:
            showOptionNotices();
            return 0;
        case WM_CURVE_FOLLOWED:
            // The monitoring thread saw the driver's curve move; the points and
            // the tray tip follow here, on the thread that owns them.
            placeCurvePoints();
            hookRefreshTrayTip();
            repaint();
            return 0;
        case WmDestroy:
            runShutdown();
            return 0;
        default:
            if (isTaskbarCreated(message)) {
                trayAddAgain();
                return 0;
            }
            return os.defaultWindowProcedure(window, message, wParam, lParam);
    }
}

}  // namespace

LResult mainWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    if (lifecycle.wndProcEnabled == 0) return platform().defaultWindowProcedure(window, message, wParam, lParam);
    // A paint looks at nothing and runs no loop of its own: one asked for
    // within a message stays in that message's moment.
    std::optional<PointerMoment> moment;
    if (message != WmPaint) moment.emplace();
    if (swallowedByModalGuard(message)) return 0;
    updateInputState(message, wParam);
    runPanelPass(message);
    const LResult result = handleMessage(window, message, wParam, lParam);
    // The window is gone once its shutdown ran: no timer to change. A paint
    // changes nothing the timers go by.
    if (message != WmDestroy && message != WmPaint) {
        scheduleFrameWork(window, message == WmTimer && wParam == TIMER_FRAME);
    }
    return result;
}

}  // namespace vt
