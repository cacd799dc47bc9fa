// Small images for tests, encoded as PNG files (the format of the skin), so
// that views decode them through the platform exactly as they decode skin
// entries.
#pragma once

#include <cstdint>
#include <vector>

namespace vt::test {

// A PNG of width x height pixels given row by row, top first, as 0xAARRGGBB.
std::vector<std::uint8_t> pngImage(int width, int height, const std::vector<std::uint32_t>& argb);
// A PNG of one colour throughout.
std::vector<std::uint8_t> solidPng(int width, int height, std::uint32_t argb);

}  // namespace vt::test
