// The structure version word each GPU's driver accepted for each versioned
// query, probed once at start-up. A word is the structure size in bytes with
// the version number in the high 16 bits (0x31CF8 = version 3 of 7416 bytes).
#pragma once

#include <cstdint>

namespace vt {

struct StructVersionTable {
    std::uint32_t clockFrequencies = 0;
    std::uint32_t thermalSettings = 0;
    std::uint32_t coolerSettings = 0;
    std::uint32_t pstates20 = 0;
    std::uint32_t powerPolicyInfo = 0;
    std::uint32_t powerPolicyStatus = 0;
    std::uint32_t thermalPolicyInfo = 0;
    std::uint32_t thermalPolicyLimit = 0;
    std::uint32_t memoryInfo = 0;
    std::uint32_t fanCurveInfo = 0;
};

}  // namespace vt
