#include "gpu/CurrentProfile.h"

#include "gpu/GpuInventory.h"
#include "gpu/InventoryBuilder.h"
#include "settings/Profile.h"
#include "settings/TuningSettings.h"

namespace vt {

void writeCurrentProfile(std::FILE* out) { writeProfile(out, tuning, inventory, currentGpuIndex()); }

}  // namespace vt
