#include "ui/BackBuffer.h"

#include <climits>
#include <random>
#include <vector>

#include "platform/Messages.h"
#include "tests/unit/TestSupport.h"

namespace vt {
namespace {

// A back buffer over memory the test owns, sized exactly, so that a write
// outside it is caught by the address sanitizer.
struct TestBuffer {
    TestBuffer(int width, int height, std::uint8_t fill = 0x40)
        : width(width), height(height), pixels(static_cast<std::size_t>(width) * height * 4, fill) {
        buffer.attach(pixels.data(), width, height);
    }
    // Window pixel (x, y): the buffer is bottom-up.
    const std::uint8_t* at(int x, int y) const {
        return pixels.data() + (static_cast<std::size_t>(height - 1 - y) * width + x) * 4;
    }
    int width, height;
    std::vector<std::uint8_t> pixels;
    BackBuffer buffer;
};

ViewImage imageOf(int width, int height, const std::vector<std::uint32_t>& bgra) {
    ViewImage image;
    image.width = width;
    image.height = height;
    image.bytesPerPixel = 4;
    image.stride = width * 4;
    for (std::uint32_t pixel : bgra) {
        for (int shift = 0; shift < 32; shift += 8) image.pixels.push_back(static_cast<std::uint8_t>(pixel >> shift));
    }
    image.indexRuns();
    return image;
}

// The plain rule, pixel by pixel, for the part of the image inside the buffer.
void referenceBlit(std::vector<std::uint8_t>& pixels, int width, int height, const ViewImage& image, int x, int y,
                   float opacity) {
    for (int row = 0; row < image.height; ++row) {
        const long long windowRow = static_cast<long long>(y) + row;
        if (windowRow < 0 || windowRow >= height) continue;
        for (int column = 0; column < image.width; ++column) {
            const long long windowColumn = static_cast<long long>(x) + column;
            if (windowColumn < 0 || windowColumn >= width) continue;
            std::uint8_t* to = pixels.data() + ((height - 1 - windowRow) * width + windowColumn) * 4;
            blendRowByTable(to, image.pixels.data() + row * image.stride + column * 4, 1, opacity, BlendTable::shared());
        }
    }
}

TEST(BackBuffer, ScaledAlphaIsTheTruncatedProductModulo256) {
    struct Case {
        int alpha;
        float opacity;
        int expected;
    } constexpr cases[] = {
        {255, 0.5f, 127}, {255, 1.0f, 255}, {255, 0.0f, 0},   {200, 0.75f, 150}, {1, 0.99f, 0},
        {255, 0.1f, 25},  {255, 1.5f, 126}, {100, -0.5f, 206}, {0, 5.0f, 0},      {255, 2.0f, 254},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scaledAlpha(static_cast<std::uint8_t>(c.alpha), c.opacity), c.expected)
            << c.alpha << " x " << c.opacity;
    }
    EXPECT_EQ(scaledAlpha(255, std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(scaledAlpha(255, std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(scaledAlpha(255, 1e30f), scaledAlpha(255, 1e30f));  // no overflow, whatever the value
}

TEST(BackBuffer, HalfOpacityOnAnOpaquePixelBlendsWith127) {
    TestBuffer target(4, 4, 0x00);
    target.buffer.blit(imageOf(1, 1, {0xFFC86432u}), 1, 2, 0.5f);  // alpha 255, red 200, green 100, blue 50
    const std::uint8_t* pixel = target.at(1, 2);
    const BlendTable& table = BlendTable::shared();
    EXPECT_EQ(pixel[0], table.blend(0, 0x32, 127));
    EXPECT_EQ(pixel[1], table.blend(0, 0x64, 127));
    EXPECT_EQ(pixel[2], table.blend(0, 0xC8, 127));
    EXPECT_EQ(pixel[0], 24);  // 127/255 of 50
    EXPECT_EQ(pixel[2], 99);
    EXPECT_EQ(pixel[3], 0);
}

TEST(BackBuffer, ImagePixelsLandTopDownInABottomUpBuffer) {
    TestBuffer target(3, 3, 0x11);
    target.buffer.blit(imageOf(2, 2, {0xFF010203u, 0xFF040506u, 0xFF070809u, 0xFF0A0B0Cu}), 1, 0, 1.0f);
    const std::uint8_t expected[][4] = {{3, 2, 1, 0}, {6, 5, 4, 0}, {9, 8, 7, 0}, {12, 11, 10, 0}};
    const int places[][2] = {{1, 0}, {2, 0}, {1, 1}, {2, 1}};
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* pixel = target.at(places[i][0], places[i][1]);
        EXPECT_EQ(std::vector<std::uint8_t>(pixel, pixel + 4), std::vector<std::uint8_t>(expected[i], expected[i] + 4))
            << "image pixel " << i;
    }
    // Window row 0 is the last row in memory.
    EXPECT_EQ(target.pixels[(2 * 3 + 1) * 4], 3);
    const std::uint8_t* untouched = target.at(0, 2);
    EXPECT_EQ(std::vector<std::uint8_t>(untouched, untouched + 4), std::vector<std::uint8_t>(4, 0x11));
}

TEST(BackBuffer, ImagesPartlyOutsideAreClippedWithoutWritingOutside) {
    constexpr int W = 7, H = 5;
    const ViewImage image = imageOf(4, 3, std::vector<std::uint32_t>(12, 0xFF808080u));
    struct Case {
        int x, y;
        int drawn;  // pixels inside the buffer
    } constexpr cases[] = {
        {-2, -1, 4},      {5, 3, 4},     {-3, 4, 1},          {6, -2, 1},           {-4, 0, 0},      {0, -3, 0},
        {7, 0, 0},        {0, 5, 0},     {INT_MIN, INT_MIN, 0}, {INT_MAX, INT_MAX, 0}, {INT_MAX - 1, 0, 0}, {2, 1, 12},
    };
    for (const Case& c : cases) {
        TestBuffer target(W, H, 0x40);
        target.buffer.blit(image, c.x, c.y, 1.0f);
        int drawn = 0;
        for (std::size_t i = 0; i < target.pixels.size(); i += 4) drawn += target.pixels[i] == 0x80;
        EXPECT_EQ(drawn, c.drawn) << "at " << c.x << "," << c.y;
    }
}

TEST(BackBuffer, FastPathsGiveTheTableBytes) {
    // Images mixing long opaque and transparent runs with blended pixels, at
    // every kind of opacity and place, against the plain rule pixel by pixel.
    std::mt19937 random(20261208);
    const float opacities[] = {1.0f, 0.0f, 0.5f, 0.75f, 0.1f, 0.3f, 0.99f, 1.5f, -0.25f};
    constexpr int W = 37, H = 23;
    for (int trial = 0; trial < 60; ++trial) {
        const int width = 1 + static_cast<int>(random() % 40);
        const int height = 1 + static_cast<int>(random() % 20);
        std::vector<std::uint32_t> pixels;
        std::uint32_t alpha = 0;
        for (int i = 0; i < width * height; ++i) {
            if (random() % 6 == 0) {
                const std::uint32_t pick = random() % 4;
                alpha = pick == 0 ? 0 : pick == 1 ? 255 : random() % 256;
            }
            pixels.push_back(alpha << 24 | (random() & 0xFFFFFFu));
        }
        ViewImage image = imageOf(width, height, pixels);
        ViewImage unindexed = image;
        unindexed.runs.clear();
        unindexed.rowRuns.clear();
        const float opacity = opacities[trial % std::size(opacities)];
        const int x = static_cast<int>(random() % (W + 20)) - 10;
        const int y = static_cast<int>(random() % (H + 20)) - 10;

        std::vector<std::uint8_t> background(W * H * 4);
        for (auto& byte : background) byte = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> expected = background;
        referenceBlit(expected, W, H, image, x, y, opacity);
        for (const ViewImage* drawn : {&image, &unindexed}) {
            TestBuffer target(W, H);
            target.pixels = background;
            target.buffer.attach(target.pixels.data(), W, H);
            target.buffer.blit(*drawn, x, y, opacity);
            ASSERT_EQ(target.pixels, expected) << "trial " << trial << " opacity " << opacity << " at " << x << ","
                                               << y << (drawn == &image ? " by runs" : " pixel by pixel");
        }
    }
}

TEST(BackBuffer, RunsSplitRowsByAlpha) {
    const ViewImage image = imageOf(5, 2, {0x00000000u, 0x00FFFFFFu, 0xFF000000u, 0x80000000u, 0x01000000u,
                                           0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u});
    ASSERT_TRUE(image.indexed());
    ASSERT_EQ(image.rowRuns, (std::vector<std::int32_t>{0, 3, 4}));
    const AlphaRun expected[] = {{0, 2, RunTransparent}, {2, 1, RunOpaque}, {3, 2, RunMixed}, {0, 5, RunOpaque}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(image.runs[i].start, expected[i].start);
        EXPECT_EQ(image.runs[i].length, expected[i].length);
        EXPECT_EQ(image.runs[i].kind, expected[i].kind);
    }
}

TEST(BackBuffer, ImageWhoseRowsWouldOverrunItsPixelsIsNotDrawn) {
    ViewImage image = imageOf(2, 2, std::vector<std::uint32_t>(4, 0xFF123456u));
    image.height = 3;  // claims more rows than it holds
    TestBuffer target(4, 4, 0x40);
    target.buffer.blit(image, 0, 0, 1.0f);
    EXPECT_EQ(target.pixels, std::vector<std::uint8_t>(4 * 4 * 4, 0x40));
}

class BackBufferPlatformTest : public test::PlatformTest {};

TEST_F(BackBufferPlatformTest, IsSizedToTheWindowAndGivenBack) {
    fake.registerWindowClass({"C", 0, nullptr, nullptr, nullptr});
    WindowHandle window = fake.createWindow("C", "Vantrelis", WsPopup, 100, 50, 640, 650);
    BackBuffer buffer;
    ASSERT_TRUE(buffer.create(window));
    EXPECT_EQ(fake.count("createBackBuffer 640x650"), 1);
    EXPECT_TRUE(buffer.exists());
    EXPECT_EQ(buffer.surface().width, 640);
    EXPECT_EQ(buffer.surface().height, 650);
    buffer.destroy();
    EXPECT_FALSE(buffer.exists());
    EXPECT_EQ(fake.count("destroyBackBuffer"), 1);
    buffer.destroy();
    EXPECT_EQ(fake.count("destroyBackBuffer"), 1);
}

TEST_F(BackBufferPlatformTest, NoBitmapNoBuffer) {
    BackBuffer buffer;
    EXPECT_FALSE(buffer.create(nullptr));  // the fake knows no such window: a 0 x 0 request fails
    EXPECT_FALSE(buffer.exists());
    buffer.blit(ViewImage{}, 0, 0, 1.0f);  // and drawing into it is harmless
}

}  // namespace
}  // namespace vt
