// A request from the command line, on both sides of the hand-off.
//
// The new copy finds the running one's window, sends it the request as
// WM_COPYDATA and ends with the answer as its exit code; it never shows a
// window of its own. The running copy carries the request out on the roads
// the window's own controls take (the tray's preset, the settings dialog's
// load, the history's load, the reset), so the log, the history and the icons
// show it as if it had been clicked. A copy started with a request and no
// copy before it keeps the request and runs it once its start-up is done.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/shell/CommandLine.h"
#include "platform/Types.h"

namespace vt {

// How long the new copy waits for the running one's answer, in all.
inline constexpr std::uint32_t RequestAnswerWaitMs = 10000;
// Between two asks when the running copy is still starting or in a dialog.
inline constexpr std::uint32_t RequestRetryMs = 250;

// Bad arguments: one line on the standard error of the console this copy
// was started from, or a message box when there is none. Returns the exit
// code (2).
int reportBadArguments(const std::string& error);

// Makes a /load path absolute and checks the file is there; false with the
// reason in `error` otherwise.
bool settleRequestFile(CommandRequest& request, std::string& error);

// The new copy's side. `mutex` is the instance mutex another copy owns.
// Returns the exit code, or -1 when the other copy ended meanwhile and this
// one now owns the mutex and should start as the program.
int handRequestToRunningCopy(const CommandRequest& request, MutexHandle mutex, const std::string& windowClass);

// What the running copy does with a request; Later when it cannot take it
// just now (still starting, a dialog open).
RequestOutcome carryOutRequest(const CommandRequest& request);

// WM_COPYDATA: lParam is the CopyDataRecord. Returns the tagged answer.
LResult onCopyData(LParam lParam);

// A copy started with a request and no copy before it.
void keepRequestForStart(const CommandRequest& request);
// After start-up: the kept request, if any, is posted to run.
void runKeptRequestSoon(WindowHandle window);
// WM_RUN_REQUEST and the retry timer: the kept request runs now, or again
// a moment later while a dialog is open.
void onRunRequest(WindowHandle window);
void onRequestTimer(WindowHandle window, std::uintptr_t timer);

}  // namespace vt
