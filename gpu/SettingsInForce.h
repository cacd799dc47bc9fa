// What the card was last given and read back as holding, so that a resume or
// a driver reset can tell whether it still does.
//
// The first monitoring pass that the driver answers after a tuning road has
// settled reads the card's values anyway; they are kept here with the
// settings record they came with (no driver call of its own). A later check
// reads the same values back and compares them within the driver's rounding.
// A reset to defaults forgets them: defaults are never re-applied.
#pragma once

#include <cstdint>
#include <optional>

#include "state/GpuInventory.h"
#include "state/TuningSettings.h"

namespace vt {

// The values one GPU holds, in the units the monitoring pass reads them.
struct CardSettings {
    float gpuOffset = 0;    // kHz
    float memOffset = 0;    // kHz
    float powerTarget = 0;  // 1/1000 %
    float tempTarget = 0;   // degrees C
    std::int64_t fpsTarget = ValueAutomatic;
    // Fixed fan levels in %, or ValueAutomatic: the single cooler, fans 1 and 2.
    std::int32_t fan = ValueAutomatic;
    std::int32_t fan1 = ValueAutomatic;
    std::int32_t fan2 = ValueAutomatic;
};

// Whether `read` holds `wanted`, each value within its unit's rounding.
bool cardHolds(const CardSettings& wanted, const CardSettings& read);

// The values of GPU `index` as the last pass left them in the records.
CardSettings cardSettingsFromRecords(int index);

struct SettingsInForce {
    int gpu = 0;  // the GPU they were read from
    std::uint32_t deviceId = 0;
    std::uint32_t subsystemId = 0;
    CardSettings card;
    TuningSettings settings;  // the record as it stood, for the profile that re-applies them
    GpuInventory gpus;
};

// The monitoring pass, after the first answered pass of a proving period.
void noteSettingsInForce(int index);
void forgetSettingsInForce();
std::optional<SettingsInForce> settingsInForce();

}  // namespace vt
