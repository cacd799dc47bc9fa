// The alpha-blend table that skin images are drawn with.
//
// Every skin pixel is blended into the back buffer channel by channel. The
// answer for a (destination, source, alpha) triple is the destination plus a
// step that depends only on source - destination and alpha, so the table
// keeps the 511 x 256 steps (128 KiB, built once per process and shared
// read-only afterwards) instead of all 16.7 million answers: a blend is one
// look-up and one addition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vt {

class BlendTable {
public:
    static constexpr std::size_t StepCount = 511u * 256u;

    // The answer for [d][s][a] = (d + trunc(a / 255.0 * (s - d))) mod 256.
    static constexpr std::uint8_t formula(int destination, int source, int alpha) {
        double step = alpha / 255.0 * (source - destination);
        return static_cast<std::uint8_t>(destination + static_cast<int>(step));
    }

    // The process's table, built on first use (thread-safe).
    static const BlendTable& shared();

    BlendTable();
    BlendTable(const BlendTable&) = delete;
    BlendTable& operator=(const BlendTable&) = delete;

    // The step lies between 0 and s - d, so adding it modulo 256 is exact.
    std::uint8_t blend(std::uint8_t destination, std::uint8_t source, std::uint8_t alpha) const {
        const std::size_t difference = static_cast<std::size_t>(source - destination + 255);
        return static_cast<std::uint8_t>(destination + steps_[(difference << 8) | alpha]);
    }

private:
    std::unique_ptr<std::uint8_t[]> steps_;
};

}  // namespace vt
