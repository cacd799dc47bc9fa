// What the window thread does when the PC wakes from sleep or the driver
// resets or is replaced: it waits for the driver, binds the GPUs again,
// reads back whether the card still holds the settings in force and gives
// them again only where it does not. Nothing here runs on a run without
// such an event.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace vt {

// WM_POWERBROADCAST: a resume starts (or restarts) the grace period; the
// suspend readies the next resume.
void onPowerBroadcast(WindowHandle window, WParam event);
// WM_DRIVER_LOST from the monitoring thread.
void onDriverLost(WindowHandle window);
// The grace period's and the rebind's timers; false for any other timer.
bool onRecoveryTimer(WindowHandle window, WParam timer);

// A fresh start (tests).
void resetRecovery();

}  // namespace vt
