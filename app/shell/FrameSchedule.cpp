#include "app/shell/FrameSchedule.h"

#include "app/panels/EasyPanel.h"
#include "app/panels/HoverHelp.h"
#include "app/shell/MainWindow.h"
#include "app/PanelEdit.h"
#include "app/PointerMoment.h"
#include "app/ShellState.h"
#include "gpu/Apply.h"
#include "gpu/Monitor.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

bool inputActive() {
    const InputState& in = shell.input;
    return in.mouseButton != BUTTON_IDLE || in.leftKey != BUTTON_IDLE || in.rightKey != BUTTON_IDLE ||
           shell.capturedView != nullptr || shell.windowDragging != 0 || shell.captionDragPending != 0;
}

bool overShownWindow(Point cursor) {
    if (lifecycle.hiddenToTray != 0) return false;
    return cursor.x >= 0 && cursor.y >= 0 && cursor.x < WindowWidth && cursor.y < WindowHeight;
}

FrameNeeds gatherNeeds(bool frameTick) {
    const Point cursor = cursorInClient();
    const bool inside = overShownWindow(cursor);
    FramePointer& pointer = shell.framePointer;
    // Moves outside the window, far from it, are none of its business.
    const bool moved = (cursor.x != pointer.last.x || cursor.y != pointer.last.y) && (inside || pointer.wasInside);
    pointer.last = cursor;
    pointer.wasInside = inside;
    if (moved) {
        pointer.quietTicks = 0;
    } else if (frameTick && pointer.quietTicks < SettleTicks) {
        pointer.quietTicks += 1;
    }

    FrameNeeds needs;
    needs.starting = shell.startPhase < 2 || lifecycle.initDone == 0;
    needs.inputActive = inputActive();
    needs.dragging = panel.anyDrag();
    needs.fading = presetFadePending();
    needs.applyPending = shell.presetApplyRequest != 0 || applySettling();
    needs.pointerInside = inside;
    needs.pointerMoved = moved;
    needs.hoverCounting = inside && shell.rootView != nullptr && hoverHelpCounting(*shell.rootView);
    needs.quietTicks = pointer.quietTicks;
    return needs;
}

void scheduleRefresh(WindowHandle window) {
    const bool rest = lifecycle.hiddenToTray != 0;
    if (lifecycle.running != 1 || rest == shell.refreshResting) return;
    shell.refreshResting = rest;
    if (rest) {
        platform().killTimer(window, TIMER_REFRESH);
    } else {
        platform().setTimer(window, TIMER_REFRESH, RefreshPeriodMs);
        gpuWorkers.requestPass();  // the monitor read nothing in the tray: the first tick back shows today's values
    }
}

}  // namespace

FramePace framePace(const FrameNeeds& needs) {
    if (needs.starting || needs.inputActive || needs.dragging || needs.fading || needs.applyPending) {
        return FramePace::Running;
    }
    if (needs.pointerMoved || needs.quietTicks < SettleTicks) return FramePace::Running;
    if (needs.pointerInside && needs.hoverCounting) return FramePace::Running;
    return needs.pointerInside ? FramePace::Watching : FramePace::Stopped;
}

void wakeFrameWork() { shell.framePointer.quietTicks = 0; }

void scheduleFrameWork(WindowHandle window, bool frameTick) {
    scheduleRefresh(window);
    const FramePace pace = lifecycle.running == 1 ? framePace(gatherNeeds(frameTick)) : FramePace::Stopped;
    if (pace == shell.framePace) return;
    shell.framePace = pace;
    Platform& os = platform();
    switch (pace) {
        case FramePace::Stopped: os.killTimer(window, TIMER_FRAME); break;
        case FramePace::Watching:
            os.killTimer(window, TIMER_FRAME);
            os.trackPointerLeave(window);
            break;
        case FramePace::Running: os.setTimer(window, TIMER_FRAME, FramePeriodMs); break;
    }
}

}  // namespace vt
