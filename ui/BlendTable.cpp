#include "ui/BlendTable.h"

namespace vt {

const BlendTable& BlendTable::shared() {
    static const BlendTable table;
    return table;
}

BlendTable::BlendTable() : steps_(std::make_unique_for_overwrite<std::uint8_t[]>(StepCount)) {
    for (int difference = -255; difference <= 255; ++difference) {
        std::uint8_t* stepRow = steps_.get() + (difference + 255) * 256;
        for (int alpha = 0; alpha < 256; ++alpha) {
            stepRow[alpha] = static_cast<std::uint8_t>(static_cast<int>(alpha / 255.0 * difference));
        }
    }
}

}  // namespace vt
