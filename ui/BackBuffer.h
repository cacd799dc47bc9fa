// The window-sized off-screen bitmap every view draws into.
//
// The window never paints piecemeal: the root view draws the whole tree into
// this buffer and one copy per paint brings it to the screen, so nothing
// flickers. Skin images are blended in software here; texts and lines are
// drawn onto the same surface by the platform.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "ui/BlendTable.h"
#include "ui/ViewImage.h"

namespace vt {

class BackBuffer {
public:
    // Sizes the buffer to the window's rectangle as it is now (the window is
    // never resized) and makes sure the blend table exists. False when the
    // platform cannot make the bitmap.
    bool create(WindowHandle window);
    // Gives the bitmap back to the platform; harmless when there is none.
    void destroy();

    // Draws into memory the caller owns instead (tests, the benchmark): width x
    // height pixels of 4 bytes, bottom-up rows.
    void attach(std::uint8_t* pixels, std::int32_t width, std::int32_t height);

    bool exists() const { return surface_.pixels != nullptr; }
    Surface& surface() { return surface_; }
    const Surface& surface() const { return surface_; }

    // Blends image into the buffer with its top-left corner at window pixel
    // (x, y); whatever lies outside the buffer is left out.
    void blit(const ViewImage& image, std::int32_t x, std::int32_t y, float opacity);

private:
    Surface surface_;
    bool ownedByPlatform_ = false;
    const BlendTable* table_ = nullptr;
};

// The program's one back buffer, made by the main window initialisation.
extern BackBuffer backBuffer;

// Pixel alpha for a view's opacity: trunc(alpha x opacity) modulo 256.
std::uint8_t scaledAlpha(std::uint8_t alpha, float opacity);

// The straight table blend of one row of pixels, with no shortcuts: the
// reference that every faster path must match byte for byte.
void blendRowByTable(std::uint8_t* destination, const std::uint8_t* source, std::int32_t count, float opacity,
                     const BlendTable& table);

}  // namespace vt
