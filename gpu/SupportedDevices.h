// The cards the program knows by PCI id, with what each may be tuned by and
// the values its easy presets use.
//
// A card in no row stays in the inventory and can be monitored, but easy
// mode leaves it alone and every tuning step that needs a capability flag
// skips it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vt {

enum class PresetSource : std::uint8_t {
    Fixed,        // the row's own number
    FromDriver,   // read from the card's power or thermal policy at start-up
    ByBaseClock,  // GPU offset: 0 when the base clock equals the row's, else the row's offset
    Unchanged,    // the row leaves the value as it was
};

struct SupportedDevice {
    std::string_view id;  // 8 lower-case hex digits: device, then vendor 10de
    bool modern;          // ModernTuning
    bool legacy;          // LegacyTuning
    bool alt;             // AltPresetCard
    PresetSource offsetSource;
    std::int32_t gpuOffset;      // MHz
    std::uint32_t baseClockKHz;  // for ByBaseClock
    PresetSource powerSource;
    std::int32_t powerLimit;  // %
    PresetSource tempSource;
    std::int32_t tempLimit;  // degrees C
};

// Every row, in the order the rows are tested.
std::span<const SupportedDevice> supportedDeviceTable();

// "%08x" of a device id word, the form the table is matched against.
void formatDeviceId(std::uint32_t deviceId, char (&text)[9]);

}  // namespace vt
