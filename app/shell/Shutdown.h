// The orderly end of the program, run when the window receives WmDestroy
// one second after the quit request.
#pragma once

namespace vt {

// Saves the profile, writes the log's end line, hands the fans back when a
// fan level was set, releases the instance mutex (a copy started meanwhile may
// take over from here), removes the tray icon, frees the drawing objects and
// the view tree and ends the message loop.
void runShutdown();

}  // namespace vt
