// The alpha-blend table that skin images are drawn with.
//
// Every skin pixel is blended into the back buffer channel by channel; a
// precomputed answer for each (destination, source, alpha) triple turns the
// blend into three look-ups per pixel. The table is 16 MiB, built once per
// process and shared read-only afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vt {

class BlendTable {
public:
    static constexpr std::size_t EntryCount = 256u * 256u * 256u;

    // Entry [d][s][a] = (d + trunc(a / 255.0 * (s - d))) mod 256.
    static constexpr std::uint8_t formula(int destination, int source, int alpha) {
        double step = alpha / 255.0 * (source - destination);
        return static_cast<std::uint8_t>(destination + static_cast<int>(step));
    }
    static constexpr std::size_t index(std::uint8_t destination, std::uint8_t source, std::uint8_t alpha) {
        return (std::size_t{destination} << 16) | (std::size_t{source} << 8) | alpha;
    }

    // The process's table, built on first use (thread-safe).
    static const BlendTable& shared();

    BlendTable();
    BlendTable(const BlendTable&) = delete;
    BlendTable& operator=(const BlendTable&) = delete;

    std::uint8_t blend(std::uint8_t destination, std::uint8_t source, std::uint8_t alpha) const {
        return entries_[index(destination, source, alpha)];
    }
    // The row of 256 alphas for one (destination, source) pair.
    const std::uint8_t* row(std::uint8_t destination, std::uint8_t source) const {
        return entries_.get() + index(destination, source, 0);
    }
    const std::uint8_t* data() const { return entries_.get(); }

private:
    std::unique_ptr<std::uint8_t[]> entries_;
};

}  // namespace vt
