#include "gpu/SafetyNet.h"

#include <mutex>
#include <vector>

#include "gpu/CurrentProfile.h"
#include "gpu/InventoryBuilder.h"
#include "platform/Platform.h"
#include "state/GpuInventory.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

enum class Stage { Idle, Writing, Proving };

struct Proof {
    std::mutex lock;
    Stage stage = Stage::Idle;
    std::uint32_t writesBegan = 0;
    std::optional<std::uint32_t> answeredSince;
    bool readBack = false;  // a pass has read this road's values back
    std::vector<HeldGpu> held;  // as profile/held says now
} proof;

std::uint32_t now() { return platform().tickCount(); }

void prove() {
    // Byte for byte what the profile writer writes, then the marker goes.
    writeCurrentProfileFile(lastGoodPath());
    removePendingMarker();
    proof.stage = Stage::Idle;
    proof.answeredSince.reset();
}

std::string displayName(const GpuSlot& gpu) { return platform().toMultiByte(std::u16string_view(gpu.name)); }

bool fansManual(const GpuSlot& gpu) {
    if (gpu.caps.NewFanInterface) return gpu.fanSpeed1Manual != 0 || gpu.fanSpeed2Manual != 0;
    return gpu.fanPolicyManual != 0;
}

// The GPUs the fan floor works on: the older cooler interface, every such GPU
// with SLI-SYNC, else the current one.
bool underFanLevel(int index) {
    if (tuning.fanLevel == 0 || inventory.slots[index].caps.NewFanInterface) return false;
    return tuning.sliSync == 1 || index == currentGpuIndex();
}

std::vector<HeldGpu> heldNow() {
    std::vector<HeldGpu> held;
    for (int i = 0; i < inventory.count && i < MaxGpus; ++i) {
        const GpuSlot& gpu = inventory.slots[i];
        if (underFanLevel(i) || fansManual(gpu)) held.push_back({gpu.deviceId, gpu.subsystemId, displayName(gpu)});
    }
    return held;
}

}  // namespace

void tuningWriteBegins(const char* road) {
    const std::lock_guard hold(proof.lock);
    writePendingMarker(road);
    proof.stage = Stage::Writing;
    proof.writesBegan = now();
    proof.answeredSince.reset();
    proof.readBack = false;
}

void tuningWriteSettled() {
    const std::lock_guard hold(proof.lock);
    if (proof.stage == Stage::Writing) proof.stage = Stage::Proving;
}

bool provingPass(bool driverAnswered) {
    const std::lock_guard hold(proof.lock);
    if (proof.stage != Stage::Proving) return false;
    if (!driverAnswered) {
        proof.answeredSince.reset();
        return false;
    }
    const std::uint32_t at = now();
    if (!proof.answeredSince) {
        const bool began = !proof.readBack;
        proof.answeredSince = at;
        proof.readBack = true;
        return began;
    }
    if (at - *proof.answeredSince >= ProvingPeriodMs) prove();
    return false;
}

bool provingOpen() {
    const std::lock_guard hold(proof.lock);
    return proof.stage != Stage::Idle;
}

std::optional<std::uint32_t> sinceUnprovenWrite() {
    const std::lock_guard hold(proof.lock);
    if (proof.stage == Stage::Idle) return std::nullopt;
    return now() - proof.writesBegan;
}

void endProving() {
    const std::lock_guard hold(proof.lock);
    removePendingMarker();
    proof.stage = Stage::Idle;
    proof.answeredSince.reset();
}

void resetSafetyNet() {
    const std::lock_guard hold(proof.lock);
    proof.stage = Stage::Idle;
    proof.answeredSince.reset();
    proof.held.clear();
}

void refreshHeldFans() {
    const std::lock_guard hold(proof.lock);
    std::vector<HeldGpu> held = heldNow();
    if (held == proof.held) return;
    if (writeHeldFans(held)) proof.held = std::move(held);
}

void clearHeldFans() {
    const std::lock_guard hold(proof.lock);
    writeHeldFans({});
    proof.held.clear();
}

StartDecision decideStart(const std::optional<PendingMarker>& marker, bool profileValid, bool lastGoodValid) {
    StartDecision decision;
    if (!marker) return decision;
    decision.applyProfile = false;
    decision.safeStart = true;
    decision.offerProfile = profileValid;
    decision.offerLastGood = lastGoodValid;
    decision.marker = *marker;
    return decision;
}

}  // namespace vt
