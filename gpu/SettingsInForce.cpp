#include "gpu/SettingsInForce.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

namespace vt {
namespace {

// The driver's rounding: offsets in whole MHz steps, the power target to a
// tenth of a per cent, the temperature target in 1/256 degrees of whole ones,
// fan levels to the per cent.
constexpr float OffsetSlackKHz = 1000;
constexpr float PowerSlack = 100;
constexpr float TemperatureSlack = 0.5f;
constexpr std::int32_t FanSlack = 1;

bool near(float a, float b, float slack) { return std::fabs(a - b) < slack; }

bool fanHeld(std::int32_t wanted, std::int32_t read) {
    if (wanted == ValueAutomatic || wanted == ValueUnavailable) return true;  // the driver's to choose
    return read != ValueAutomatic && read != ValueUnavailable && std::abs(wanted - read) <= FanSlack;
}

struct Kept {
    std::mutex lock;
    std::optional<SettingsInForce> settings;
} kept;

}  // namespace

bool cardHolds(const CardSettings& wanted, const CardSettings& read) {
    return near(wanted.gpuOffset, read.gpuOffset, OffsetSlackKHz) &&
           near(wanted.memOffset, read.memOffset, OffsetSlackKHz) &&
           near(wanted.powerTarget, read.powerTarget, PowerSlack) &&
           near(wanted.tempTarget, read.tempTarget, TemperatureSlack) && wanted.fpsTarget == read.fpsTarget &&
           fanHeld(wanted.fan, read.fan) && fanHeld(wanted.fan1, read.fan1) && fanHeld(wanted.fan2, read.fan2);
}

CardSettings cardSettingsFromRecords(int index) {
    const GpuSlot& gpu = inventory.slots[index];
    CardSettings card;
    card.gpuOffset = tuning.gpuOffset;
    card.memOffset = tuning.memOffset;
    card.powerTarget = tuning.powerTarget;
    card.tempTarget = tuning.tempTarget;
    card.fpsTarget = tuning.fpsTarget;
    if (!gpu.caps.NewFanInterface) {
        card.fan = gpu.fanPolicyManual ? gpu.fanSpeed.load() : ValueAutomatic;
    } else {
        card.fan1 = gpu.fanSpeed1Manual ? gpu.fanSpeed1.load() : ValueAutomatic;
        card.fan2 = gpu.fanSpeed2Manual && gpu.fanCount >= 2 ? gpu.fanSpeed2.load() : ValueAutomatic;
    }
    return card;
}

void noteSettingsInForce(int index) {
    SettingsInForce noted;
    noted.gpu = index;
    noted.deviceId = inventory.slots[index].deviceId;
    noted.subsystemId = inventory.slots[index].subsystemId;
    noted.card = cardSettingsFromRecords(index);
    noted.settings = tuning;
    noted.gpus = inventory;
    const std::lock_guard hold(kept.lock);
    kept.settings = std::move(noted);
}

void forgetSettingsInForce() {
    const std::lock_guard hold(kept.lock);
    kept.settings.reset();
}

std::optional<SettingsInForce> settingsInForce() {
    const std::lock_guard hold(kept.lock);
    return kept.settings;
}

}  // namespace vt
