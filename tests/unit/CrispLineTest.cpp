#include "platform/CrispLine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vt {
namespace {

// A width x height surface of one colour, read back by window row.
struct Pixels {
    std::int32_t width, height;
    std::vector<std::uint8_t> bytes;
    Surface surface;

    Pixels(std::int32_t w, std::int32_t h, std::uint32_t bgra) : width(w), height(h), bytes(std::size_t(w) * h * 4) {
        for (std::size_t i = 0; i < bytes.size(); i += 4) {
            for (int channel = 0; channel < 4; ++channel) bytes[i + channel] = std::uint8_t(bgra >> (8 * channel));
        }
        surface = Surface{bytes.data(), w, h, nullptr};
    }
    // Bottom-up rows: window row 0 is the last row in memory.
    std::uint32_t at(int x, int y) const {
        const std::uint8_t* p = bytes.data() + (std::size_t(height - 1 - y) * width + x) * 4;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
};

constexpr std::uint32_t Panel = 0xFF12161Cu;  // A R G B as the back buffer holds it

// The meter pixels the system's own pen left on the panel under Wine.
TEST(CrispLineTest, BlendsLikeTheSystemPen) {
    const struct {
        std::uint32_t argb;
        std::uint32_t seen;
    } cases[] = {
        {0xFFCCFF00u, 0xFFCCFF00u},  // lit: the colour itself
        {0x1EFD3B00u, 0xFF2E1A19u},  // unlit, alpha 30
        {0x1EFE3700u, 0xFF2E1919u},
        {0x00FFFFFFu, Panel},        // transparent: untouched
    };
    for (const auto& row : cases) {
        Pixels pixels(1, 1, Panel);
        blendSolidPixel(pixels.bytes.data(), row.argb);
        EXPECT_EQ(pixels.at(0, 0), row.seen) << std::hex << row.argb;
    }
}

TEST(CrispLineTest, CoversWholeColumnsLeftOfXAndRowsFromTopToBeforeBottom) {
    const struct {
        const char* what;
        float pen;
        int x1, y1, x2, y2;
        int left, right, top, bottom;  // the pixels covered, ends excluded
    } cases[] = {
        {"a meter segment", 2.0f, 4, 1, 4, 5, 3, 5, 1, 5},
        {"drawn upwards", 2.0f, 4, 5, 4, 1, 3, 5, 1, 5},
        {"four wide", 4.0f, 4, 0, 4, 2, 2, 6, 0, 2},
        {"clipped at the left and the bottom", 2.0f, 0, 4, 0, 9, 0, 1, 4, 6},
        {"clipped at the right and the top", 2.0f, 8, -3, 8, 2, 7, 8, 0, 2},
        {"of no length", 2.0f, 4, 3, 4, 3, 0, 0, 0, 0},
    };
    for (const auto& row : cases) {
        Pixels pixels(8, 6, Panel);
        EXPECT_TRUE(drawCrispLine(pixels.surface, row.pen, 0xFFFFFFFFu, row.x1, row.y1, row.x2, row.y2)) << row.what;
        for (int y = 0; y < pixels.height; ++y) {
            for (int x = 0; x < pixels.width; ++x) {
                const bool covered = x >= row.left && x < row.right && y >= row.top && y < row.bottom;
                EXPECT_EQ(pixels.at(x, y), covered ? 0xFFFFFFFFu : Panel) << row.what << " at " << x << "," << y;
            }
        }
    }
}

TEST(CrispLineTest, LeavesEveryOtherLineToThePlatform) {
    const struct {
        const char* what;
        float pen;
        int x1, y1, x2, y2;
    } cases[] = {
        {"horizontal", 2.0f, 1, 3, 6, 3},
        {"diagonal", 2.0f, 1, 1, 5, 5},
        {"odd width", 1.0f, 3, 0, 3, 5},
        {"fractional width", 2.5f, 3, 0, 3, 5},
        {"no width", 0.0f, 3, 0, 3, 5},
    };
    for (const auto& row : cases) {
        Pixels pixels(8, 6, Panel);
        EXPECT_FALSE(drawCrispLine(pixels.surface, row.pen, 0xFFFFFFFFu, row.x1, row.y1, row.x2, row.y2)) << row.what;
        EXPECT_EQ(pixels.bytes, Pixels(8, 6, Panel).bytes) << row.what;
    }
    Surface none;
    EXPECT_FALSE(drawCrispLine(none, 2.0f, 0xFFFFFFFFu, 1, 0, 1, 4));
}

}  // namespace
}  // namespace vt
