// What a simulated driver is set up with: its GPUs, built from ready card
// models and adjusted key by key, and the faults it is told to show.
//
// The text form (sim/README.md) is what VANTRELIS_SIM_CONFIG names; host
// tests may also build a SimConfig directly.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimGpu.h"

namespace vt::sim {

inline constexpr std::size_t MaxSimGpus = 6;

struct SimFailure {
    std::string operation;
    std::int32_t status = 0;
    int gpu = -1;  // -1: every GPU (and calls without a GPU)
};

struct SimConfig {
    std::vector<SimGpu> gpus;
    std::vector<SimFailure> failures;
    std::set<std::string> missing;  // operations nvapi_QueryInterface does not hand out
    bool hooks = false;             // offer the tracing hooks
    // A driver that crashes inside the program's process: the call of this
    // operation numbered crashAfter (from 1) raises an access violation.
    std::string crashOperation;
    std::int64_t crashAfter = 1;
    std::uint32_t initializeDelay = 0;  // ms NvAPI_Initialize takes
    std::vector<std::uint32_t> chipsetVersions{0x400E8, 0x300D8, 0x20090};
};

// The ready card models: "current" (two fans, a fan curve, every structure
// version), "cooler" (the older cooler interface), "legacy" (an older card
// that answers only older structure versions), "unlisted" (a card in no row
// of the supported-device table). False for an unknown name.
bool cardModel(std::string_view model, SimGpu& gpu);

// One current card: what the driver is with no configuration at all.
SimConfig defaultConfig();

// Parses the text form. On failure `error` names the line and the problem and
// `config` is left as it was.
bool parseConfig(std::string_view text, SimConfig& config, std::string& error);

}  // namespace vt::sim
