// The window's own state: the polled input model, the pointer tracking and
// the view tree it owns.
//
// All of it lives on the window thread. What other layers read too (the
// lifecycle and busy flags, the program folder, the main window, the modal
// result slots) is in state/Lifecycle.h.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Types.h"
#include "ui/View.h"

namespace vt {

enum ButtonState : std::int32_t {
    BUTTON_IDLE = 0,
    BUTTON_RELEASED = 1,  // for one pass after a release
    BUTTON_PRESSED = 2,   // the pass of a new press
    BUTTON_HELD = 3,
};

inline constexpr std::uintptr_t TIMER_FRAME = 101;
inline constexpr std::uintptr_t TIMER_REFRESH = 102;
inline constexpr std::uintptr_t TIMER_EXIT = 103;
inline constexpr std::uintptr_t TIMER_RESUME_GRACE = 104;  // the driver finishes waking
inline constexpr std::uintptr_t TIMER_REBIND = 105;        // asks a driver that went whether it is back
inline constexpr std::uintptr_t TIMER_REQUEST_RETRY = 106;  // a request from the command line waits for a dialog

struct InputState {
    std::int32_t mouseButton = BUTTON_IDLE;
    std::int32_t leftKey = BUTTON_IDLE;
    std::int32_t rightKey = BUTTON_IDLE;
    std::int32_t leftKeyRepeat = 0;
    std::int32_t rightKeyRepeat = 0;
    std::int32_t prevMouseButton = BUTTON_IDLE;
    std::int32_t prevLeftKey = BUTTON_IDLE;
    std::int32_t prevRightKey = BUTTON_IDLE;
};

// How often the frame timer ticks: not at all (while the pointer rests on the
// window, watching for it to leave), or at the full rate.
enum class FramePace : std::int32_t {
    Stopped = 0,
    Watching = 1,
    Running = 2,
};

// The pointer as the frame timer's pace saw it at the last message.
struct FramePointer {
    Point last{};
    bool wasInside = false;
    std::int32_t quietTicks = 0;  // frame ticks since it last moved
};

struct ShellState {
    std::int32_t startPhase = 0;
    std::int32_t escQuitArmed = 1;

    // Input and pointer tracking.
    std::uint8_t windowDragging = 0;
    std::int32_t captionDragPending = 0;
    std::uint8_t handCursor = 0;
    // The tray menu asks the apply step for the chosen preset.
    std::int32_t presetApplyRequest = 0;
    InputState input;
    // The window's creation starts the frame timer at its full rate.
    FramePace framePace = FramePace::Running;
    FramePointer framePointer;
    // The once-a-second refresh timer is stopped while the window is in the tray.
    bool refreshResting = false;

    // Handles and views. The root owns the whole tree.
    MutexHandle instanceMutex = nullptr;
    FontHandle uiFont = nullptr;
    std::unique_ptr<View> rootView;
    View* capturedView = nullptr;
    View* hoveredView = nullptr;
};

extern ShellState shell;

// Back to the values a fresh process starts with; the tree is deleted.
void resetShellState(ShellState& state = shell);

}  // namespace vt
