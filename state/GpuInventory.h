// What the program knows about each GPU: built once at start-up from the
// driver, then read by every GPU operation.
//
// One GpuSlot per GPU, in enumeration order, holds the GPU's identity, the
// structure versions its driver accepts, its capability flags and easy-mode
// presets (fixed after start-up), and its fan state (refreshed by the
// monitoring thread and changed by apply, reset and profile loads).
#pragma once

#include <cstdint>

#include "driver/DriverTypes.h"
#include "driver/StructVersionTable.h"
#include "platform/Shared.h"

namespace vt {

inline constexpr int MaxGpus = 4;
inline constexpr int GpuNameCapacity = 100;  // UTF-16 characters, names are cut at 39

// The driver's own fan curve as read at start-up: whole degrees and per cent.
struct StoredCurve {
    std::int32_t count = 0;
    struct Point {
        std::int32_t temperature = 0;  // degrees C
        std::int32_t level = 0;        // %
        std::int32_t driverValue = 0;
    } points[3];
};

struct DeviceCaps {
    std::int32_t ModernTuning = 0;
    std::int32_t LegacyTuning = 0;
    std::int32_t AltPresetCard = 0;
    std::int32_t NewFanInterface = 0;
    std::int32_t FanCurveCapable = 0;
};

struct EasyPresets {
    std::int32_t PresetGpuOffset = 0;   // MHz
    std::int32_t PresetPowerLimit = 0;  // %
    std::int32_t PresetTempLimit = 0;   // degrees C
    std::int32_t PresetFpsTarget = 0;   // frames/s; every supported card sets -100
};

struct GpuSlot {
    GpuHandle handle = nullptr;
    char16_t name[GpuNameCapacity] = {};
    std::uint32_t deviceId = 0;  // PCI device in the high half, vendor 0x10DE in the low half
    std::uint32_t subsystemId = 0;  // with deviceId the GPU's PCI identity
    StructVersionTable versions;
    DeviceCaps caps;
    EasyPresets presets;
    std::int32_t fanCount = 0;         // fans on the per-fan interface
    std::int32_t fanRpmAvailable = 0;  // the driver reports fan rpm
    StoredCurve storedCurve;

    // Fan state.
    Shared<std::int32_t> fanSpeed;         // FAN_SPEED, %, single cooler interface
    Shared<std::int32_t> fanPolicyManual;  // the driver reports the manual cooler policy
    Shared<std::int32_t> fanSpeed1;        // FAN_SPEED1, %
    Shared<std::int32_t> fanSpeed2;        // FAN_SPEED2, %
    Shared<std::int32_t> fanSpeed1Manual;  // set by the user; when clear the profile stores -100
    Shared<std::int32_t> fanSpeed2Manual;
    Shared<std::int32_t> fanCurve;         // FAN_CURVE: 1 = the fan follows the curve
    Shared<std::int32_t> fanMin, fanMax;   // single cooler interface, %
    Shared<std::int32_t> fan1Min, fan1Max, fan2Min, fan2Max;
    Shared<std::int32_t> fanRpm, fan1Rpm, fan2Rpm;

    // Fan-curve editor values: inner point temperatures and the five point levels.
    Shared<std::int32_t> curveTemp[3] = {40, 70, 90};
    Shared<std::int32_t> curveFan[5];
};

// Clock offsets, power and (for ModernTuning) temperature may be tuned.
inline bool tunable(const GpuSlot& gpu) { return gpu.caps.ModernTuning || gpu.caps.LegacyTuning; }
// The temperature target may be set and read.
inline bool thermalCapable(const GpuSlot& gpu) { return gpu.caps.ModernTuning || gpu.caps.AltPresetCard; }

struct GpuInventory {
    std::int32_t count = 0;
    GpuSlot slots[MaxGpus];
};

extern GpuInventory inventory;

// Every slot back to its start-up values, count 0.
void resetGpuInventory(GpuInventory& gpus = inventory);

}  // namespace vt
