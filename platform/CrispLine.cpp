#include "platform/CrispLine.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vt {
namespace {

std::uint8_t scaled(std::uint32_t value, std::uint32_t alpha) {
    return static_cast<std::uint8_t>((value * alpha + 127) / 255);
}

}  // namespace

void blendSolidPixel(std::uint8_t* pixel, std::uint32_t argb) {
    const std::uint32_t alpha = argb >> 24;
    const std::uint32_t keep = 255 - alpha;
    const std::uint8_t colour[4] = {static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 8),
                                    static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(alpha)};
    for (int channel = 0; channel < 3; ++channel) {
        pixel[channel] = static_cast<std::uint8_t>(scaled(colour[channel], alpha) + scaled(pixel[channel], keep));
    }
    pixel[3] = static_cast<std::uint8_t>(alpha + scaled(pixel[3], keep));
}

bool drawCrispLine(Surface& surface, float penWidth, std::uint32_t argb, int x1, int y1, int x2, int y2) {
    const bool evenWhole = penWidth >= 2.0f && penWidth <= 64.0f && std::fmod(penWidth, 2.0f) == 0.0f;
    if (x1 != x2 || !evenWhole || surface.pixels == nullptr) return false;
    if (y2 < y1) std::swap(y1, y2);
    const int half = static_cast<int>(penWidth) / 2;
    const int left = std::max(x1 - half, 0);
    const int right = std::min(x1 + half, surface.width);  // one past the last column
    const int top = std::max(y1, 0);
    const int bottom = std::min(y2, surface.height);
    const std::size_t rowBytes = static_cast<std::size_t>(surface.width) * 4;
    for (int row = top; row < bottom; ++row) {
        std::uint8_t* line = surface.pixels + static_cast<std::size_t>(surface.height - 1 - row) * rowBytes;
        for (int column = left; column < right; ++column) blendSolidPixel(line + static_cast<std::size_t>(column) * 4, argb);
    }
    return true;
}

}  // namespace vt
