#include "settings/CollectorProgress.h"

#include <mutex>

#include "platform/Messages.h"
#include "platform/Platform.h"

namespace vt {
namespace {

// The outcome and the dialog are read and written together, so that either
// the dialog sees the failure or the failing thread sees the dialog.
std::mutex lock;
bool startFailed = false;
WindowHandle openDialog = nullptr;

}  // namespace

void beginCollectorProgress() {
    std::lock_guard guard(lock);
    startFailed = false;
    openDialog = nullptr;
}

void collectorStartOutcome(bool started) {
    WindowHandle waiting = nullptr;
    {
        std::lock_guard guard(lock);
        if (started) return;
        startFailed = true;
        waiting = openDialog;
    }
    if (waiting != nullptr) platform().postMessage(waiting, WM_PROGRESS_CLOSE, 0, 0);
}

void progressDialogOpened(WindowHandle dialog) {
    {
        std::lock_guard guard(lock);
        if (!startFailed) {
            openDialog = dialog;
            return;
        }
    }
    platform().endDialog(dialog, 0);
}

bool endCollectorProgress() {
    std::lock_guard guard(lock);
    openDialog = nullptr;
    const bool failed = startFailed;
    startFailed = false;
    return failed;
}

}  // namespace vt
