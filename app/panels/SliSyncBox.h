// The SLI-SYNC check box: whether tuning goes to every GPU or only to the
// selected one.
//
// The box shows its normal image (image state 0) while synchronisation is on
// and its pressed image (state 1) while it is off. One press toggles it once,
// however many passes see that press.
#pragma once

#include "platform/Types.h"

namespace vt {

// Toggles on the pass of a press on the box; sets the hand cursor over it.
void sliSyncPass(Point cursor);

// Back to the start: armed for the next press.
void resetSliSyncBox();

}  // namespace vt
