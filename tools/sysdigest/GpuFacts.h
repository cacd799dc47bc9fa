// The GPU half of the report, read through the program's own driver layer.
//
// A support reader needs to see what the program itself sees: the same
// driver library, found the same safe way (the system folder only), the same
// inventory with the structure versions each GPU's driver accepted. So this
// builds the program's inventory and reads each GPU with those versions;
// when the driver cannot be reached, the report says why and goes on.
#pragma once

#include <vector>

#include "tools/sysdigest/ReportText.h"

namespace vt::sysdigest {

// "Graphics driver" and one "GPU n" section per GPU the program handles.
// Needs the platform installed; brings the driver up if it is not.
std::vector<ReportSection> gpuSections();

}  // namespace vt::sysdigest
