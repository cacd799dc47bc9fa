#include "app/ShellState.h"

namespace vt {

ShellState shell;

void resetShellState(ShellState& state) {
    state.startPhase = 0;
    state.escQuitArmed = 1;
    state.windowDragging = 0;
    state.captionDragPending = 0;
    state.handCursor = 0;
    state.presetApplyRequest = 0;
    state.input = InputState{};
    state.framePace = FramePace::Running;
    state.framePointer = FramePointer{};
    state.instanceMutex = nullptr;
    state.uiFont = nullptr;
    state.capturedView = nullptr;
    state.hoveredView = nullptr;
    state.rootView.reset();
}

}  // namespace vt
