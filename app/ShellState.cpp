#include "app/ShellState.h"

namespace vt {

ShellState shell;

void resetShellState(ShellState& state) {
    state.running = 1;
    state.closing = 0;
    state.wndProcEnabled = 0;
    state.initDone = 0;
    state.startPhase = 0;
    state.escQuitArmed = 1;
    state.hiddenToTray = 0;
    state.driverBusy = 0;
    state.applyInProgress = 0;
    state.resetInProgress = 0;
    state.windowDragging = 0;
    state.captionDragPending = 0;
    state.inputHoldOff = 0;
    state.handCursor = 0;
    state.presetApplyRequest = 0;
    state.input = InputState{};
    state.modal = ModalResults{};
    state.activePage = 0;
    state.mainWindow = nullptr;
    state.instanceMutex = nullptr;
    state.uiFont = nullptr;
    state.rootView = nullptr;
    state.capturedView = nullptr;
    state.hoveredView = nullptr;
    state.programFolder.clear();
}

}  // namespace vt
