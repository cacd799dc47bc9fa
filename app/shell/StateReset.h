// One reset for the state a run starts from, used by start-up (before the
// driver and the profile come in) and by every test that needs a fresh run.
#pragma once

namespace vt {

// The input model and pointer tracking, the busy flags, the modal result
// slots and the page, the panels' working values, the settings record, the
// GPU inventory, the monitor sample, the GPU operations' window hooks and the
// settings session. What start-up has set up before this point (the lifecycle
// flags, the main window, the program folder, the mutex, the font) is left
// alone: resetLifecycle and resetShellState start those over.
void resetAllState();

}  // namespace vt
