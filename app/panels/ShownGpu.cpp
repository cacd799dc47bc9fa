#include "app/panels/ShownGpu.h"

#include "gpu/InventoryBuilder.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

struct Answer {
    bool known = false;
    std::int32_t selectedGpu = 0;
    std::int32_t gpuCount = 0;
    int index = 0;
} answer;

}  // namespace

int shownGpuIndex() {
    const std::int32_t selected = tuning.selectedGpu;
    if (!answer.known || answer.selectedGpu != selected || answer.gpuCount != inventory.count) {
        answer = {true, selected, inventory.count, currentGpuIndex()};
    }
    return answer.index;
}

GpuSlot& shownGpu() { return inventory.slots[shownGpuIndex()]; }

void forgetShownGpu() { answer = {}; }

}  // namespace vt
