// Where the pointer is, as the message being handled sees it.
//
// One message runs several passes that each look at the pointer, and under
// Wine every look costs several round trips to the server and one to X. All
// passes of a message belong to the same moment, so the first look within a
// message is kept for the rest of it. A message handled inside another
// (anything a dialog's loop delivers) starts a moment of its own and ends the
// outer one: the outer message looks again afterwards. Outside any message
// every call looks afresh.
#pragma once

#include "platform/Types.h"

namespace vt {

Point cursorOnScreen();
Point cursorInClient();  // in the main window's client coordinates

// Brackets the handling of one message of the main window.
class PointerMoment {
public:
    PointerMoment();
    ~PointerMoment();
    PointerMoment(const PointerMoment&) = delete;
    PointerMoment& operator=(const PointerMoment&) = delete;
};

}  // namespace vt
