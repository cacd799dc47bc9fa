// The application shell's state: lifecycle flags, busy flags, the polled
// input model and the modal result slots.
//
// The window thread writes almost all of it; the monitoring, fan-level,
// settle and history threads read the lifecycle and busy flags, so those are
// Shared<T>. Everything else is touched on the window thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Shared.h"
#include "platform/Types.h"

namespace vt {

class View;

enum ButtonState : std::int32_t {
    BUTTON_IDLE = 0,
    BUTTON_RELEASED = 1,  // for one pass after a release
    BUTTON_PRESSED = 2,   // the pass of a new press
    BUTTON_HELD = 3,
};

// Application messages in the WM_APP range.
inline constexpr std::uint32_t WM_TRAY_NOTIFY = 0x8003;
inline constexpr std::uint32_t WM_SHOW_INSTANCE = 0x8004;
inline constexpr std::uint32_t WM_SCANNER_DONE = 0x8009;
inline constexpr std::uint32_t WM_QUIT_REQUEST = 0x800A;

inline constexpr std::uintptr_t TIMER_FRAME = 101;
inline constexpr std::uintptr_t TIMER_REFRESH = 102;
inline constexpr std::uintptr_t TIMER_EXIT = 103;

inline constexpr int ModalSlotCount = 9;

// Each modally opened program dialog stores its slot's "open" sentinel before
// it opens; the dialog procedure overwrites it with the closing button's id.
struct ModalResults {
    std::int32_t slot[ModalSlotCount + 1] = {};  // slots are numbered 1..9; [0] is unused
    static constexpr std::int32_t openSentinel(int slotNumber) {
        switch (slotNumber) {
            case 1: return -10000001;
            case 7: return -100;
            case 8: return -10000;
            case 9: return -10;
            default: return -10000000;
        }
    }
    bool anyOpen() const {
        for (int n = 1; n <= ModalSlotCount; ++n) {
            if (slot[n] == openSentinel(n)) return true;
        }
        return false;
    }
};

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

struct ShellState {
    // Lifecycle.
    Shared<std::int32_t> running{1};
    Shared<std::int32_t> closing;
    Shared<std::int32_t> wndProcEnabled;
    Shared<std::int32_t> initDone;
    std::int32_t startPhase = 0;
    std::int32_t escQuitArmed = 1;
    Shared<std::int32_t> hiddenToTray;

    // Busy flags: while any is set the monitoring thread leaves the driver alone.
    Shared<std::int32_t> driverBusy;
    Shared<std::int32_t> applyInProgress;
    Shared<std::int32_t> resetInProgress;

    // Input and pointer tracking.
    std::uint8_t windowDragging = 0;
    std::int32_t captionDragPending = 0;
    Shared<std::int32_t> inputHoldOff;
    std::uint8_t handCursor = 0;
    std::int32_t presetApplyRequest = 0;
    InputState input;
    ModalResults modal;
    // The Advanced Mode page shown: 0 clock offsets, 1 power and temperature,
    // 2 frame-rate target, 3 fan speed, 4 fan curve.
    Shared<std::int32_t> activePage;

    // Windows, views and handles.
    WindowHandle mainWindow = nullptr;
    MutexHandle instanceMutex = nullptr;
    FontHandle uiFont = nullptr;
    View* rootView = nullptr;
    View* capturedView = nullptr;
    View* hoveredView = nullptr;

    // The current directory at start-up; every later path is built on it.
    std::string programFolder;
};

extern ShellState shell;

// Back to the values a fresh process starts with.
void resetShellState(ShellState& state = shell);

}  // namespace vt
