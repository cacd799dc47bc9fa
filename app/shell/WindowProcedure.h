// The main window's procedure and the two routines it runs on its own.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace vt {

LResult mainWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam);

// Turns a message into the polled input model: mouse button and arrow keys
// as ButtonState values, key repeat counters, snapshots.
void updateInputState(std::uint32_t message, WParam wParam);

// On mouse moves and after every timer tick: drags the captured view and
// tracks the view under the pointer.
void pointerPass();

}  // namespace vt
