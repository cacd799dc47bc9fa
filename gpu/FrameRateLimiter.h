// The frame-rate limiter: a setting of the driver's settings store, the only
// one the program touches, reached through the one settings session the
// program keeps.
//
// The monitoring thread reads the limiter through that session; every change
// of the limiter first replaces the session with a fresh one, so a change
// never works on settings loaded before it. Apply, reset and profile loads
// all write it here, and differ only in what they log.
#pragma once

#include <cstdint>

#include "driver/DriverTypes.h"
#include "platform/Shared.h"

namespace vt {

extern Shared<DrsSession> settingsSession;

// Destroys the program's session, creates a new one in its place, loads the
// settings and gets the base profile. Any failure gives its status; the new
// session (if one was made) stays as the program's session.
DriverStatus reopenSettingsSession(DrsProfile& baseProfile);
// The same without destroying a session first: at start-up none is the
// program's yet.
DriverStatus openSettingsSession(DrsProfile& baseProfile);
// Ends with a freshly created session whatever happened before, so the
// monitoring thread always has one after a reset.
void renewSettingsSession();

struct LimiterWrite {
    bool set = false;    // the driver took the value
    bool saved = false;  // and saved the settings
};

// Sets the limiter in the base profile of the program's session and, when
// that worked, saves the settings. `pause` waits 10 ms after each of the two,
// as a profile load does.
LimiterWrite writeFrameRateLimit(DrsProfile profile, std::uint32_t fps, bool pause);
// The limiter back to the driver's default, saved; true when both worked.
bool restoreFrameRateLimit(DrsProfile profile);

}  // namespace vt
