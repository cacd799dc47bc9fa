// The one record of what the user can tune and save.
//
// Each field is named after the profile key that stores it. The scalar fields
// describe the GPU currently shown; the per-GPU fan fields live in GpuSlot
// (gpu/GpuInventory.h). The monitoring thread refreshes several fields while
// the window thread reads and edits them, so shared fields are Shared<T>:
// plain-variable syntax, relaxed atomic access, never a torn value.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Shared.h"
#include "resources/ResourceIds.h"

namespace vt {

enum EasyPreset : std::int32_t {
    PresetHighPerformance = 0,
    PresetDefault = 1,
    PresetEco = 2,
    PresetCustom = 3,
};

// The application icon resource that shows a preset: the window, the tray
// and every later preset change use the same four icons.
constexpr std::uint32_t iconForPreset(std::int32_t preset) {
    switch (preset) {
        case PresetHighPerformance: return IDI_PRESET_HIGHPERFORMANCE;
        case PresetDefault: return IDI_PRESET_DEFAULT;
        case PresetEco: return IDI_PRESET_ECO;
        default: return IDI_PRESET_CUSTOM;
    }
}

// The sentinels every part of the program shares.
inline constexpr std::int32_t ValueAutomatic = -100;     // the driver's default (fans, frame-rate limit)
inline constexpr std::int32_t ValueUnavailable = -1000;  // not read, or the driver's store is unreadable
inline constexpr const char* TextNotFound = "not found";

// Offsets never go beyond these, whatever the driver reports (kHz).
inline constexpr float GpuOffsetCeiling = 200000.0f;
inline constexpr float GpuOffsetFloor = -510000.0f;
inline constexpr float MemOffsetCeiling = 200000.0f;
inline constexpr float MemOffsetFloor = -51000.0f;

// The background picture path: 99 characters and a NUL, like the profile's
// value buffer. Read by the history writer thread while the window thread may
// load a profile, hence the lock.
class BackScreenPath {
public:
    static constexpr std::size_t Capacity = 100;
    BackScreenPath() { set(TextNotFound); }
    BackScreenPath(const BackScreenPath& other) { set(other.get()); }
    BackScreenPath& operator=(const BackScreenPath& other) {
        if (this != &other) set(other.get());
        return *this;
    }
    std::string get() const {
        std::lock_guard guard(lock_);
        return value_;
    }
    // Longer texts are cut at 99 characters.
    void set(const std::string& path) {
        std::lock_guard guard(lock_);
        value_ = path.substr(0, Capacity - 1);
    }
    bool isNotFound() const { return get() == TextNotFound; }

private:
    mutable std::mutex lock_;
    std::string value_;
};

struct TuningSettings {
    Shared<std::int32_t> selectedGpu;   // GPU
    Shared<std::int32_t> easySettings{PresetCustom};  // EASY_SETTINGS, an EasyPreset
    BackScreenPath backScreen;          // BACKSCREEN
    Shared<float> gpuOffset;            // GPU_OFFSET, kHz
    Shared<float> memOffset;            // MEM_OFFSET, kHz
    Shared<float> powerTarget;          // POWER_TARGET, 1/1000 %
    Shared<float> tempTarget;           // TEMP_TARGET, degrees C
    Shared<std::int64_t> fpsTarget;     // FPS_TARGET, frames/s, or -100 / -1000
    Shared<std::int32_t> fanLevel;      // FAN_LEVEL 0..3
    Shared<std::int32_t> pstate{-1};    // PSTATE, -1 = none forced
    Shared<std::int32_t> sliSync{1};    // SLI-SYNC

    // Ranges the driver reports, refreshed by the monitoring thread.
    Shared<float> gpuOffsetMin, gpuOffsetMax;        // kHz
    Shared<float> memOffsetMin, memOffsetMax;        // kHz
    Shared<std::int32_t> powerTargetMin, powerTargetMax;  // 1/1000 %
    Shared<std::int32_t> tempTargetMin, tempTargetMax;    // degrees C

    // Fan values to keep for the current GPU: the speed in % under manual
    // control, -100 under the driver's control, -1000 when unknown.
    Shared<std::int32_t> fanSpeedToKeep;   // FAN_SPEED
    Shared<std::int32_t> fanSpeed1ToKeep{ValueUnavailable};  // FAN_SPEED1
    Shared<std::int32_t> fanSpeed2ToKeep{ValueUnavailable};  // FAN_SPEED2
};

extern TuningSettings tuning;

// Back to the values the program starts with, before any profile is read:
// those a fresh record holds.
void resetTuningSettings(TuningSettings& settings = tuning);

}  // namespace vt
