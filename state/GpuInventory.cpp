#include "state/GpuInventory.h"

namespace vt {

GpuInventory inventory;

void resetGpuInventory(GpuInventory& gpus) {
    gpus.count = 0;
    for (GpuSlot& slot : gpus.slots) slot = GpuSlot{};
}

}  // namespace vt
