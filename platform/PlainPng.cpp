#include "platform/PlainPng.h"

#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <string_view>

#include <stb_image.h>

namespace vt {
namespace {

constexpr std::uint8_t Signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t ChunkFrame = 12;  // length, type, CRC
constexpr std::size_t HeaderLength = 13;
constexpr std::uint8_t ColourRgb = 2;
constexpr std::uint8_t ColourRgba = 6;

// Chunks that say nothing about how samples become pixels. Anything else
// (gAMA, cHRM, iCCP, sRGB, sBIT, PLTE, tRNS, unknown ones) leaves the file to
// the system's decoder, which may honour it.
constexpr std::string_view PixelNeutral[] = {"IDAT", "IEND", "bKGD", "pHYs", "tEXt", "zTXt", "iTXt", "tIME"};

constexpr std::array<std::uint32_t, 256> crcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> CrcTable = crcTable();

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) crc = CrcTable[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t bigEndian32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

bool pixelNeutral(std::string_view type) {
    for (std::string_view neutral : PixelNeutral) {
        if (type == neutral) return true;
    }
    return false;
}

bool plainHeader(const std::uint8_t* data) {
    const std::uint32_t width = bigEndian32(data);
    const std::uint32_t height = bigEndian32(data + 4);
    const std::uint8_t depth = data[8];
    const std::uint8_t colour = data[9];
    const std::uint8_t interlace = data[12];
    return width != 0 && height != 0 && depth == 8 && (colour == ColourRgb || colour == ColourRgba) &&
           data[10] == 0 && data[11] == 0 && interlace == 0;
}

}  // namespace

bool isPlainPng(const std::uint8_t* bytes, std::size_t count) {
    if (bytes == nullptr || count < sizeof Signature || std::memcmp(bytes, Signature, sizeof Signature) != 0) {
        return false;
    }
    bool first = true;
    bool sawData = false;
    for (std::size_t at = sizeof Signature; count - at >= ChunkFrame;) {
        const std::uint32_t length = bigEndian32(bytes + at);
        if (length > count - at - ChunkFrame) return false;
        const std::uint8_t* typed = bytes + at + 4;  // the CRC covers type and data
        if (crc32(typed, 4 + std::size_t{length}) != bigEndian32(typed + 4 + length)) return false;
        const std::string_view type(reinterpret_cast<const char*>(typed), 4);
        if (first) {
            if (type != "IHDR" || length != HeaderLength || !plainHeader(typed + 4)) return false;
            first = false;
        } else if (type == "IEND") {
            return sawData;
        } else if (!pixelNeutral(type)) {
            return false;
        }
        sawData = sawData || type == "IDAT";
        at += ChunkFrame + length;
    }
    return false;  // no IEND
}

bool decodePlainPng(const std::uint8_t* bytes, std::size_t count, DecodedImage& image) {
    if (count > static_cast<std::size_t>(std::numeric_limits<int>::max()) || !isPlainPng(bytes, count)) return false;
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(bytes, static_cast<int>(count), &width, &height, &channels, 4);
    if (rgba == nullptr) return false;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    DecodedImage decoded;
    try {
        decoded.pixels.resize(size);
    } catch (const std::bad_alloc&) {
        stbi_image_free(rgba);
        return false;
    }
    for (std::size_t i = 0; i < size; i += 4) {
        decoded.pixels[i + 0] = rgba[i + 2];  // blue
        decoded.pixels[i + 1] = rgba[i + 1];  // green
        decoded.pixels[i + 2] = rgba[i + 0];  // red
        decoded.pixels[i + 3] = rgba[i + 3];  // alpha
    }
    stbi_image_free(rgba);
    decoded.width = width;
    decoded.height = height;
    decoded.stride = width * 4;
    image = std::move(decoded);
    return true;
}

}  // namespace vt
