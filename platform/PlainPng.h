// A fast road for the PNGs the skin is made of. The system's decoder costs
// a few milliseconds per image under Wine (a stream, a codec object, a format
// conversion), most of the start-up for seventy skin images. A PNG that is
// intact and holds nothing a decoder could read differently (8 bits per
// sample, RGB or RGBA, not interlaced, no colour-space chunks) decodes to
// the same pixels everywhere, so such a file is decoded here; every other
// file still goes to the system's decoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

namespace vt {

// True for a PNG whose chunks all fit, carry their right CRC and end with
// IEND, with 8-bit RGB or RGBA samples, no interlace and only chunks that
// leave the pixels alone.
bool isPlainPng(const std::uint8_t* bytes, std::size_t count);

// Decodes a plain PNG into 32-bit BGRA rows, top first. False, with the image
// untouched, for any other file or when the pixels do not fit in memory.
bool decodePlainPng(const std::uint8_t* bytes, std::size_t count, DecodedImage& image);

}  // namespace vt
