// The process entry point's logic: single instance, icon choice, class
// registration, main window initialisation and the message loop.
#pragma once

#include <string>
#include <vector>

namespace vt {

inline constexpr const char* InstanceMutexName = "Vantrelis.exe";

// Runs the program to its end and returns the exit code: the quit message's
// code, or 0 when another copy runs or start-up fails. With arguments (the
// command line after the program's name), the exit code of the request when
// another copy carried it out, or 2 for bad arguments.
int runApplication(int showCommand, const std::vector<std::string>& arguments = {});

// The EASY_SETTINGS value of "profile/profile.cfg" below the current
// directory, or 3 when there is no such file or key.
int readStartPreset();

}  // namespace vt
