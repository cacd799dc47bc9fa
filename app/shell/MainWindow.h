// Main window initialisation: builds the running application between class
// registration and the message loop.
#pragma once

#include <string>

#include "platform/Types.h"

namespace vt {

// The window's client area, the size of every skin layout.
inline constexpr int WindowWidth = 640;
inline constexpr int WindowHeight = 650;

// Returns 1 when the window is up and the application ready, 0 when start-up
// must end (the user has been told why).
int initMainWindow(const std::string& className, const std::string& title, int showCommand, int startPreset);

// A skin image or background picture that gives no picture ends the program:
// the window cannot be drawn without it. Installed for every view.
void quitOnImageFailure();

}  // namespace vt
