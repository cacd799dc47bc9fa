#include "gpu/SupportedDevices.h"

#include <cstdio>

namespace vt {
namespace {

using enum PresetSource;

// Each row: id, ModernTuning, LegacyTuning, AltPresetCard, GPU offset
// (source, MHz, base clock in kHz), power limit (source, %), temperature
// limit (source, degrees C). Tested top to bottom; every matching row applies.
constexpr SupportedDevice Table[] = {
    {"268410de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"270210de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"270410de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"270510de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"278210de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"278310de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"278610de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"280510de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"280310de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"288210de", true, false, false, Fixed, 30, 0u, FromDriver, 0, FromDriver, 0},
    {"220410de", true, false, false, Fixed, 88, 0u, FromDriver, 0, FromDriver, 0},
    {"220810de", true, false, false, Fixed, 86, 0u, FromDriver, 0, FromDriver, 0},
    {"220a10de", true, false, false, Fixed, 85, 0u, FromDriver, 0, FromDriver, 0},
    {"221610de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"220610de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"248c10de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"248210de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"248810de", true, false, false, Fixed, 86, 0u, FromDriver, 0, FromDriver, 0},
    {"248410de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"248910de", true, false, false, Fixed, 84, 0u, FromDriver, 0, FromDriver, 0},
    {"250410de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"250310de", true, false, false, Fixed, 90, 0u, FromDriver, 0, FromDriver, 0},
    {"250710de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"1e0710de", true, false, false, Fixed, 83, 0u, FromDriver, 0, FromDriver, 0},
    {"1e0410de", true, false, false, Fixed, 77, 0u, FromDriver, 0, FromDriver, 0},
    {"1e8710de", true, false, false, Fixed, 86, 0u, FromDriver, 0, FromDriver, 0},
    {"1e8210de", true, false, false, Fixed, 86, 0u, FromDriver, 0, FromDriver, 0},
    {"1e8110de", true, false, false, Fixed, 92, 0u, FromDriver, 0, FromDriver, 0},
    {"1e8410de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"1f0310de", true, false, false, Fixed, 83, 0u, FromDriver, 0, FromDriver, 0},
    {"1f0610de", true, false, false, Fixed, 83, 0u, FromDriver, 0, FromDriver, 0},
    {"1f0210de", true, false, false, Fixed, 81, 0u, FromDriver, 0, FromDriver, 0},
    {"1f1010de", true, false, false, Fixed, 59, 0u, FromDriver, 0, FromDriver, 0},
    {"1e8910de", true, false, false, Fixed, 84, 0u, FromDriver, 0, FromDriver, 0},
    {"1f0810de", true, false, false, Fixed, 84, 0u, FromDriver, 0, FromDriver, 0},
    {"218210de", true, false, false, Fixed, 88, 0u, FromDriver, 0, FromDriver, 0},
    {"21c410de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"218410de", true, false, false, Fixed, 89, 0u, FromDriver, 0, FromDriver, 0},
    {"218810de", true, false, false, Fixed, 80, 0u, FromDriver, 0, FromDriver, 0},
    {"218710de", true, false, false, Fixed, 86, 0u, FromDriver, 0, FromDriver, 0},
    {"1f8210de", true, false, false, Fixed, 83, 0u, FromDriver, 0, FromDriver, 0},
    {"1b8210de", true, false, false, Fixed, 84, 0u, Fixed, 120, Fixed, 90},
    {"1d0110de", true, false, false, Fixed, 73, 0u, Fixed, 100, Fixed, 83},
    {"1b0610de", true, false, false, Fixed, 95, 0u, Fixed, 120, Fixed, 90},
    {"129210de", false, true, false, Fixed, 30, 0u, Unchanged, 0, Unchanged, 0},
    {"1c8210de", true, false, false, Fixed, 70, 0u, Fixed, 100, Fixed, 85},
    {"1c8110de", true, false, false, Fixed, 70, 0u, Fixed, 100, Fixed, 85},
    {"1c0210de", true, false, false, Fixed, 70, 0u, Fixed, 115, Fixed, 85},
    {"1c0310de", true, false, false, Fixed, 70, 0u, Fixed, 115, Fixed, 85},
    {"1b8110de", true, false, false, Fixed, 70, 0u, Fixed, 112, Fixed, 85},
    {"1b8010de", true, false, false, Fixed, 80, 0u, Fixed, 115, Fixed, 85},
    {"17c210de", true, false, false, Fixed, 50, 0u, Fixed, 110, Fixed, 85},
    {"140210de", true, false, false, Fixed, 41, 0u, Fixed, 115, Fixed, 85},
    {"17c810de", true, false, false, Fixed, 40, 0u, Fixed, 100, Fixed, 85},
    {"13c010de", true, false, false, Fixed, 46, 0u, Fixed, 109, Fixed, 85},
    {"13c210de", true, false, false, Fixed, 44, 0u, Fixed, 115, Fixed, 85},
    {"140110de", true, false, false, Fixed, 47, 0u, Fixed, 107, Fixed, 85},
    {"138010de", true, false, false, Fixed, 42, 0u, Fixed, 100, Fixed, 85},
    {"100510de", true, false, false, Fixed, 33, 0u, Fixed, 115, Fixed, 85},
    {"100410de", true, false, false, ByBaseClock, 35, 1019500u, Fixed, 106, Fixed, 85},
    {"118410de", true, false, false, ByBaseClock, 43, 1163000u, Fixed, 115, Fixed, 85},
    {"118710de", true, false, true, Fixed, 39, 0u, Fixed, 115, Fixed, 85},
    {"118010de", false, true, false, ByBaseClock, 40, 1124000u, Fixed, 115, Unchanged, 0},
    {"118910de", false, true, false, Fixed, 37, 0u, Unchanged, 0, Unchanged, 0},
    {"118310de", false, true, false, Fixed, 37, 0u, Unchanged, 0, Unchanged, 0},
    {"11c010de", false, true, true, Fixed, 39, 0u, Fixed, 110, Fixed, 85},
    {"11c210de", false, true, false, Fixed, 39, 0u, Unchanged, 0, Unchanged, 0},
    {"11c610de", false, true, false, Fixed, 37, 0u, Unchanged, 0, Unchanged, 0},
    {"0fc610de", false, true, false, Fixed, 42, 0u, Unchanged, 0, Unchanged, 0},
};

}  // namespace

std::span<const SupportedDevice> supportedDeviceTable() { return Table; }

void formatDeviceId(std::uint32_t deviceId, char (&text)[9]) {
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(deviceId));
}

}  // namespace vt
