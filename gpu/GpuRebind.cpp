#include "gpu/GpuRebind.h"

#include "driver/DriverApi.h"
#include "state/GpuInventory.h"

namespace vt {

std::vector<int> matchByIdentity(std::span<const PciIdentity> known, std::span<const PciIdentity> found) {
    std::vector<int> matched(known.size(), -1);
    std::vector<bool> taken(found.size(), false);
    for (std::size_t k = 0; k < known.size(); ++k) {
        for (std::size_t f = 0; f < found.size(); ++f) {
            if (taken[f] || !(found[f] == known[k])) continue;
            taken[f] = true;
            matched[k] = static_cast<int>(f);
            break;
        }
    }
    return matched;
}

RebindResult rebindGpus() {
    if (DriverApi::initializeAgain() != DriverOk) return RebindResult::DriverAway;
    GpuHandleList handles{};
    std::uint32_t count = 0;
    if (DriverApi::enumPhysicalGpus(handles, count) != DriverOk || count == 0) return RebindResult::DriverAway;
    std::vector<PciIdentity> found;
    for (std::uint32_t i = 0; i < count && i < handles.size(); ++i) {
        PciIdentifiers ids;
        if (DriverApi::getPciIdentifiers(handles[i], ids) != DriverOk) return RebindResult::DriverAway;
        found.push_back({ids.deviceId, ids.subsystemId});
    }
    std::vector<PciIdentity> known;
    for (int i = 0; i < inventory.count && i < MaxGpus; ++i) {
        known.push_back({inventory.slots[i].deviceId, inventory.slots[i].subsystemId});
    }
    const std::vector<int> matched = matchByIdentity(known, found);
    for (std::size_t k = 0; k < matched.size(); ++k) {
        inventory.slots[k].handle = matched[k] >= 0 ? handles[static_cast<std::size_t>(matched[k])] : nullptr;
    }
    return RebindResult::Rebound;
}

}  // namespace vt
