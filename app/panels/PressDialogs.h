// A program dialog opened by a press on a panel widget.
//
// The dialog takes the mouse, so the press that opened it never sees its
// button-up. Such a dialog is therefore opened on the pass after the press,
// once the window has captured the pressed widget, and that widget is let go
// when the dialog closes; otherwise it would stay pressed and act again.
#pragma once

#include <cstdint>

namespace vt {

// Runs the dialog in its result slot, then leaves the mouse idle and no
// widget pressed, and repaints the window. Returns the id of the button that closed it (0 for none).
std::int32_t runDialogAfterPress(std::uint32_t templateId, int slot);

}  // namespace vt
