#include "ui/BlendTable.h"

namespace vt {

const BlendTable& BlendTable::shared() {
    static const BlendTable table;
    return table;
}

// The blend step trunc(a / 255.0 * (s - d)) depends only on s - d and a, so it
// is computed 511 x 256 times instead of 16.7 million; every (d, s) row is then
// d plus the step row of s - d, a loop the compiler vectorises. The result
// always lies between d and s, so adding modulo 256 is exact.
BlendTable::BlendTable() : entries_(std::make_unique_for_overwrite<std::uint8_t[]>(EntryCount)) {
    constexpr int Differences = 511;  // s - d from -255 to 255
    auto steps = std::make_unique_for_overwrite<std::uint8_t[]>(Differences * 256);
    for (int difference = -255; difference <= 255; ++difference) {
        std::uint8_t* stepRow = steps.get() + (difference + 255) * 256;
        for (int alpha = 0; alpha < 256; ++alpha) {
            stepRow[alpha] = static_cast<std::uint8_t>(static_cast<int>(alpha / 255.0 * difference));
        }
    }
    for (int destination = 0; destination < 256; ++destination) {
        const auto base = static_cast<std::uint8_t>(destination);
        for (int source = 0; source < 256; ++source) {
            const std::uint8_t* stepRow = steps.get() + (source - destination + 255) * 256;
            std::uint8_t* out = entries_.get() + index(base, static_cast<std::uint8_t>(source), 0);
            for (int alpha = 0; alpha < 256; ++alpha) out[alpha] = static_cast<std::uint8_t>(base + stepRow[alpha]);
        }
    }
}

}  // namespace vt
