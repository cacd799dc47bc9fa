// The orderly end of the program, run when the window receives WmDestroy
// one second after the quit request.
#pragma once

namespace vt {

// Saves the profile, writes the log's end line, removes the tray icon, hands
// the fans back when a fan level was set, frees the drawing objects and the
// view tree, releases the instance mutex and ends the message loop.
void runShutdown();

}  // namespace vt
