// The GPU whose values the panels show and edit.
//
// Which GPU that is follows the user's selection and the display outputs, and
// finding out asks the driver. The panels need it on every pass, many times a
// second, so the answer is kept until the selection or the inventory changes.
#pragma once

#include "state/GpuInventory.h"

namespace vt {

int shownGpuIndex();
GpuSlot& shownGpu();
// The next call asks the driver again.
void forgetShownGpu();

}  // namespace vt
