// Small images for tests, encoded as PNG files (the format of the skin), so
// that views decode them through the platform exactly as they decode skin
// entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt::test {

// A PNG of width x height pixels given row by row, top first, as 0xAARRGGBB.
std::vector<std::uint8_t> pngImage(int width, int height, const std::vector<std::uint32_t>& argb);
// A PNG of one colour throughout.
std::vector<std::uint8_t> solidPng(int width, int height, std::uint32_t argb);

// A PNG taken apart into its chunks and put together again (CRCs made anew),
// for files that differ from a good one in one chunk.
struct PngChunk {
    std::string type;
    std::vector<std::uint8_t> data;
};
std::vector<PngChunk> pngChunks(const std::vector<std::uint8_t>& png);
std::vector<std::uint8_t> pngFromChunks(const std::vector<PngChunk>& chunks);
// A zlib stream of stored blocks: what an IDAT chunk holds.
std::vector<std::uint8_t> storedZlib(const std::vector<std::uint8_t>& raw);

}  // namespace vt::test
