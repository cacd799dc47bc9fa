// The process entry point's logic: single instance, icon choice, class
// registration, main window initialisation and the message loop.
#pragma once

namespace vt {

inline constexpr const char* InstanceMutexName = "Vantrelis.exe";

// Runs the program to its end and returns the exit code: the quit message's
// code, or 0 when another copy runs or start-up fails.
int runApplication(int showCommand);

// The EASY_SETTINGS value of "profile/profile.cfg" below the current
// directory, or 3 when there is no such file or key.
int readStartPreset();

}  // namespace vt
