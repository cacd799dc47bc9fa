// The one procedure behind every modal dialog of the program: the settings
// dialog, the error notices, the confirmations and the progress dialog.
//
// It records the identifier of the button that closed a dialog in that
// dialog's `ModalResults` slot, centres every dialog on the main window,
// lays out the settings dialog's two tabs, and takes the collector's
// progress messages. What a button means is decided by whoever opened the
// dialog, after it has closed.
#pragma once

#include <cstdint>

#include "platform/Shared.h"
#include "platform/Types.h"
#include "resources/ResourceIds.h"

namespace vt {

struct DialogState {
    std::int32_t selectedTab = 0;     // of the settings dialog
    // What the safe start's notice offers besides keeping the defaults.
    bool offerStoredProfile = false;
    bool offerLastGood = false;
    Shared<std::int32_t> collectorRunning;  // the progress dialog is the one open
};
extern DialogState dialogs;

std::intptr_t dialogProcedure(WindowHandle dialog, std::uint32_t message, WParam wParam, LParam lParam);

// Stores the slot's "open" sentinel, runs the dialog modally over the main
// window and returns what the slot holds afterwards.
std::int32_t runSlotDialog(std::uint32_t templateId, int slot);
// A notice without a result slot (the error dialogs).
void showNotice(std::uint32_t templateId);

// The six history captions: each record's time stamp, newest first.
void setHistoryCaptions(WindowHandle dialog);

}  // namespace vt
