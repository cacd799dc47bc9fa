// Vertical lines of a whole, even pen width cover whole pixels: the system's
// anti-aliased pen fills columns x - width/2 to x + width/2 - 1 and rows y1
// to y2 - 1 exactly, blending its colour over each pixel once. Drawn here
// straight into the back buffer's pixels, they cost a few hundred bytes of
// writes instead of a round of device contexts per line (the meters draw 420
// of them every second).
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace vt {

// Draws the line into the surface's bottom-up 32-bit pixels when it is such
// a line and returns true; otherwise leaves the surface alone and returns false.
bool drawCrispLine(Surface& surface, float penWidth, std::uint32_t argb, int x1, int y1, int x2, int y2);

// One pixel (B, G, R, A in memory) with argb laid over it: the colour
// premultiplied by its alpha, then the pixel's share added, each rounded.
void blendSolidPixel(std::uint8_t* pixel, std::uint32_t argb);

}  // namespace vt
