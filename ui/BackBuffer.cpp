#include "ui/BackBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/Platform.h"

namespace vt {

BackBuffer backBuffer;

namespace {

// Pixels are read as little-endian words, so the fourth byte is the top one.
constexpr std::uint32_t ColourBits = 0x00FFFFFFu;

std::uint32_t loadPixel(const std::uint8_t* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

void storePixel(std::uint8_t* at, std::uint32_t value) { std::memcpy(at, &value, 4); }

// What one blit blends with: the alpha of every source alpha at this opacity.
struct BlendContext {
    const std::uint8_t* alphaOf;  // 256 entries
    const BlendTable& table;
};

// The alpha maps of the two opacities nearly every view has, made once.
struct AlphaMap {
    std::uint8_t alpha[256];
    explicit AlphaMap(float opacity) {
        for (int a = 0; a < 256; ++a) alpha[a] = scaledAlpha(static_cast<std::uint8_t>(a), opacity);
    }
};
const AlphaMap OpaqueMap(1.0f);
const AlphaMap InvisibleMap(0.0f);

// Alpha 255 in the table gives the source itself; the fourth byte becomes 0.
void copyOpaque(std::uint8_t* destination, const std::uint8_t* source, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) storePixel(destination + 4 * i, loadPixel(source + 4 * i) & ColourBits);
}

// Alpha 0 in the table gives the destination itself; only the fourth byte changes.
void clearFourthBytes(std::uint8_t* destination, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        storePixel(destination + 4 * i, loadPixel(destination + 4 * i) & ColourBits);
    }
}

void blendUniform(std::uint8_t* destination, const std::uint8_t* source, std::int32_t count, std::uint8_t alpha,
                  const BlendTable& table) {
    for (std::int32_t i = 0; i < count; ++i, destination += 4, source += 4) {
        destination[0] = table.blend(destination[0], source[0], alpha);
        destination[1] = table.blend(destination[1], source[1], alpha);
        destination[2] = table.blend(destination[2], source[2], alpha);
        destination[3] = 0;
    }
}

void blendPixels(std::uint8_t* destination, const std::uint8_t* source, std::int32_t count,
                 const BlendContext& blend) {
    for (std::int32_t i = 0; i < count; ++i, destination += 4, source += 4) {
        const std::uint8_t alpha = blend.alphaOf[source[3]];
        if (alpha == 255) {
            storePixel(destination, loadPixel(source) & ColourBits);
        } else if (alpha == 0) {
            destination[3] = 0;
        } else {
            blendUniform(destination, source, 1, alpha, blend.table);
        }
    }
}

void blendRun(std::uint8_t* destination, const std::uint8_t* source, std::int32_t count, AlphaRunKind kind,
              const BlendContext& blend) {
    if (kind == RunTransparent) {
        clearFourthBytes(destination, count);
        return;
    }
    if (kind == RunMixed) {
        blendPixels(destination, source, count, blend);
        return;
    }
    // An opaque run blends with one alpha throughout: that of 255 at this opacity.
    const std::uint8_t alpha = blend.alphaOf[255];
    if (alpha == 255) {
        copyOpaque(destination, source, count);
    } else if (alpha == 0) {
        clearFourthBytes(destination, count);
    } else {
        blendUniform(destination, source, count, alpha, blend.table);
    }
}

// Columns [first, end) of one image row; source and destination point at column first.
void blendRow(const ViewImage& image, std::int32_t row, std::int32_t first, std::int32_t end,
              std::uint8_t* destination, const std::uint8_t* source, const BlendContext& blend) {
    if (blend.alphaOf == InvisibleMap.alpha) {  // every pixel blends with alpha 0
        clearFourthBytes(destination, end - first);
        return;
    }
    if (!image.indexed()) {
        blendPixels(destination, source, end - first, blend);
        return;
    }
    for (std::int32_t r = image.rowRuns[row]; r < image.rowRuns[row + 1]; ++r) {
        const AlphaRun& run = image.runs[r];
        const std::int32_t from = std::max(run.start, first);
        const std::int32_t to = std::min(run.start + run.length, end);
        if (from >= to) continue;
        const std::size_t skip = static_cast<std::size_t>(from - first) * 4;
        blendRun(destination + skip, source + skip, to - from, run.kind, blend);
    }
}

}  // namespace

std::uint8_t scaledAlpha(std::uint8_t alpha, float opacity) {
    const float product = alpha * opacity;
    if (product >= 0.0f && product < 256.0f) return static_cast<std::uint8_t>(static_cast<std::int32_t>(product));
    if (!std::isfinite(product)) return 0;
    // Reduced first so that no opacity, however large, overflows the cast.
    const float reduced = std::fmod(std::trunc(product), 256.0f);
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(reduced));
}

void blendRowByTable(std::uint8_t* destination, const std::uint8_t* source, std::int32_t count, float opacity,
                     const BlendTable& table) {
    for (std::int32_t i = 0; i < count; ++i, destination += 4, source += 4) {
        const std::uint8_t alpha = scaledAlpha(source[3], opacity);
        for (int channel = 0; channel < 3; ++channel) {
            destination[channel] = table.blend(destination[channel], source[channel], alpha);
        }
        destination[3] = 0;
    }
}

bool BackBuffer::create(WindowHandle window) {
    destroy();
    const Rect area = platform().windowRect(window);
    Surface made;
    if (!platform().createBackBuffer(window, area.width(), area.height(), made)) return false;
    surface_ = made;
    ownedByPlatform_ = true;
    table_ = &BlendTable::shared();
    return true;
}

void BackBuffer::destroy() {
    if (ownedByPlatform_) platform().destroyBackBuffer(surface_);
    surface_ = Surface{};
    ownedByPlatform_ = false;
}

void BackBuffer::attach(std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
    destroy();
    surface_.pixels = pixels;
    surface_.width = width;
    surface_.height = height;
    table_ = &BlendTable::shared();
}

void BackBuffer::blit(const ViewImage& image, std::int32_t x, std::int32_t y, float opacity) {
    if (!exists() || !image.hasPixels() || image.width <= 0 || image.height <= 0) return;
    // A slot whose rows would run past its pixels is never read.
    const std::int64_t rowBytes = std::int64_t{image.width} * 4;
    if (image.stride < rowBytes || std::int64_t{image.stride} * image.height > std::int64_t(image.pixels.size())) {
        return;
    }
    // The part of the image inside the buffer, in image columns and rows.
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -std::int64_t{x});
    const std::int64_t endColumn = std::min<std::int64_t>(image.width, std::int64_t{surface_.width} - x);
    const std::int64_t firstRow = std::max<std::int64_t>(0, -std::int64_t{y});
    const std::int64_t endRow = std::min<std::int64_t>(image.height, std::int64_t{surface_.height} - y);
    if (firstColumn >= endColumn || firstRow >= endRow) return;

    std::optional<AlphaMap> scaled;
    const std::uint8_t* alphaOf = opacity == 1.0f   ? OpaqueMap.alpha
                                  : opacity == 0.0f ? InvisibleMap.alpha
                                                    : scaled.emplace(opacity).alpha;
    const BlendContext blend{alphaOf, *table_};
    const std::size_t bufferRowBytes = static_cast<std::size_t>(surface_.width) * 4;
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        const std::uint8_t* source = image.pixels.data() + row * image.stride + firstColumn * 4;
        // Bottom-up: window row y + row is memory row height - 1 - (y + row).
        const auto memoryRow = static_cast<std::size_t>(surface_.height - 1 - (y + row));
        std::uint8_t* destination =
            surface_.pixels + memoryRow * bufferRowBytes + static_cast<std::size_t>(x + firstColumn) * 4;
        blendRow(image, static_cast<std::int32_t>(row), static_cast<std::int32_t>(firstColumn),
                 static_cast<std::int32_t>(endColumn), destination, source, blend);
    }
}

}  // namespace vt
