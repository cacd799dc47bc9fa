// Binding the GPUs the program knows to a driver that came back from a reset
// or an update: the handles it hands out are new, and the order may differ,
// so each GPU is found again by its PCI identity, never by its position.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vt {

struct PciIdentity {
    std::uint32_t deviceId = 0;
    std::uint32_t subsystemId = 0;
    bool operator==(const PciIdentity&) const = default;
};

// For each known GPU, the index of the found one with its identity, or -1
// when it is gone. Each found GPU answers one known GPU; twins (the same
// identity) keep their order among themselves. Found GPUs that answer none
// are new: the program leaves them alone.
std::vector<int> matchByIdentity(std::span<const PciIdentity> known, std::span<const PciIdentity> found);

enum class RebindResult { DriverAway, Rebound };

// Initialize, EnumPhysicalGPUs and the identities of what it found; the
// inventory's handles follow (a GPU that is gone keeps no handle). Runs on the
// window thread while no monitoring pass runs.
RebindResult rebindGpus();

}  // namespace vt
