// Where the collector's start and the progress dialog meet.
//
// The collector is started from a thread of its own while the window thread
// opens the progress dialog, which then waits for the collector's messages.
// When the start fails no message will ever come: the dialog is closed
// instead, whether the failure is known before it opens or only after.
#pragma once

#include "platform/Types.h"

namespace vt {

// Before the start thread runs: nothing known yet, no dialog.
void beginCollectorProgress();
// From the start thread.
void collectorStartOutcome(bool started);
// From the progress dialog's initialisation; ends it at once when the start
// has already failed.
void progressDialogOpened(WindowHandle dialog);
// After the progress dialog closed: true when the start failed. Clears
// what it knew.
bool endCollectorProgress();

}  // namespace vt
