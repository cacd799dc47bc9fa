// The one driver-settings session the program keeps open: the monitoring
// thread reads the frame-rate limiter through it, and every change of the
// limiter replaces it with a fresh one.
#pragma once

#include "driver/DriverTypes.h"
#include "platform/Shared.h"

namespace vt {

extern Shared<DrsSession> settingsSession;

// Destroys the current session, creates a new one in its place, loads the
// settings and gets the base profile. Any failure gives its status; the new
// session (if any was made) stays as the program's session.
DriverStatus reopenSettingsSession(DrsProfile& baseProfile);

}  // namespace vt
