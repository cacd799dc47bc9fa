#include "gpu/CurrentProfile.h"

#include "gpu/InventoryBuilder.h"
#include "settings/Profile.h"
#include "settings/ReplacingFile.h"
#include "state/GpuInventory.h"
#include "state/TuningSettings.h"

namespace vt {

void writeCurrentProfile(std::FILE* out) { writeProfile(out, tuning, inventory, currentGpuIndex()); }

bool writeCurrentProfileFile(const std::string& path) { return writeReplacing(path, writeCurrentProfile); }

}  // namespace vt
