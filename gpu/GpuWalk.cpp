#include "gpu/GpuWalk.h"

#include "gpu/InventoryBuilder.h"
#include "state/TuningSettings.h"

namespace vt {

bool sendToGpus(const WalkSend& send, const WalkClassify& classify, WalkEnd end) {
    if (tuning.sliSync != 1) {
        if (inventory.count == 0) return false;
        return send(inventory.slots[currentGpuIndex()]) == DriverOk;
    }
    bool failed = false;
    bool lastFailed = false;
    int sent = 0;
    for (int i = 0; i < inventory.count && i < MaxGpus; ++i) {
        GpuSlot& gpu = inventory.slots[i];
        WalkRole role = classify(gpu);
        if (role == WalkRole::Skip) {
            lastFailed = true;
            continue;
        }
        if (role == WalkRole::Fail) {
            failed = true;
            break;
        }
        ++sent;
        lastFailed = send(gpu) != DriverOk;
        if (lastFailed) {
            failed = true;
            if (end != WalkEnd::Never) break;
        }
    }
    if (sent == 0) return false;
    if (end == WalkEnd::LastDecides) return !failed && !lastFailed;
    return !failed;
}

}  // namespace vt
