// When the frame timer runs.
//
// The frame work (panel pass, pointer pass, preset fade) only has something to
// do while the user acts on the window or something on it moves; otherwise
// every tick repeats the last one. The timer therefore runs at its full rate
// only while something needs it, and not at all otherwise. While the pointer
// rests on the window, the system is asked to say when it leaves (it reports
// no move outside the window). Whenever it runs, it runs at the rate it always did.
#pragma once

#include <cstdint>

#include "app/ShellState.h"
#include "platform/Types.h"

namespace vt {

inline constexpr std::uint32_t FramePeriodMs = 1;
inline constexpr std::uint32_t RefreshPeriodMs = 1000;
// Frame ticks after the pointer's last move, inside the window or out of it,
// before the pace may drop: a move from one widget to another takes three
// pointer passes (clear, pick, mark).
inline constexpr std::int32_t SettleTicks = 3;

// Everything the pace depends on, as the window sees it after a message.
struct FrameNeeds {
    bool starting = false;      // the first tick or the start-up not yet done
    bool inputActive = false;   // a button or arrow key not idle, a press captured, a window move
    bool dragging = false;      // a slider knob or a curve point follows the pointer
    bool fading = false;        // a preset overlay's level is not yet at its target
    bool applyPending = false;  // a preset asked for from the tray, or an apply's hold-off
    bool pointerInside = false;  // over the shown window
    bool pointerMoved = false;   // since the last message, inside the window or out of it
    bool hoverCounting = false;  // a widget's help is on its way
    std::int32_t quietTicks = 0;  // frame ticks since the pointer last moved
};

FramePace framePace(const FrameNeeds& needs);

// After every message: gathers the needs from the window's state and starts
// or stops the frame timer when its pace changes. `frameTick` says whether
// the message was a frame tick (they count the quiet ticks). The refresh
// timer rests while the window is hidden to the tray, where nothing it
// refreshes is seen, and ticks again from the moment the window is back.
void scheduleFrameWork(WindowHandle window, bool frameTick);

// The window was shown again: its passes run as after a pointer move, so that
// whatever lies under the pointer now is seen.
void wakeFrameWork();

}  // namespace vt
