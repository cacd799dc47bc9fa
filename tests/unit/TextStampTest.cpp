#include "platform/TextStamp.h"

#include <gtest/gtest.h>

#include <vector>

namespace vt {
namespace {

constexpr std::uint32_t Panel = 0xFF12161Cu;

struct Pixels {
    std::int32_t width, height;
    std::vector<std::uint32_t> words;  // bottom-up rows, B G R A in memory
    Surface surface;
    Pixels(std::int32_t w, std::int32_t h) : width(w), height(h), words(std::size_t(w) * h, Panel) {
        surface = Surface{reinterpret_cast<std::uint8_t*>(words.data()), w, h, nullptr};
    }
    std::uint32_t at(int x, int y) const { return words[std::size_t(height - 1 - y) * width + x]; }
};

// A 3 x 2 stamp whose origin is one pixel in from its left and top.
TextStamp smallStamp() {
    TextStamp stamp;
    stamp.left = -1;
    stamp.top = -1;
    stamp.width = 3;
    stamp.height = 2;
    stamp.argb = {0xFFFFFFFFu, 0x00FFFFFFu, 0x1EFD3B00u,   // top row
                  0x00000000u, 0xFF00FF00u, 0x00000000u};  // bottom row
    return stamp;
}

TEST(TextStampTest, BlendsAtTheOriginLeavingUntouchedPixelsAsTheyAre) {
    const struct {
        const char* what;
        int x, y;
    } cases[] = {{"inside", 3, 2}, {"over the top left corner", 0, 0}, {"over the bottom right corner", 5, 4}};
    for (const auto& row : cases) {
        Pixels pixels(6, 4);
        blendStamp(pixels.surface, smallStamp(), row.x, row.y);
        for (int y = 0; y < pixels.height; ++y) {
            for (int x = 0; x < pixels.width; ++x) {
                std::uint32_t expected = Panel;
                if (x == row.x - 1 && y == row.y - 1) expected = 0xFFFFFFFFu;
                if (x == row.x + 1 && y == row.y - 1) expected = 0xFF2E1A19u;  // as the system's own blend
                if (x == row.x && y == row.y) expected = 0xFF00FF00u;
                EXPECT_EQ(pixels.at(x, y), expected) << row.what << " at " << x << "," << y;
            }
        }
    }
    Surface none;
    blendStamp(none, smallStamp(), 1, 1);  // nothing to draw into: nothing happens
}

TEST(TextStampTest, TrimKeepsOnlyTheInkedBoxAndItsPlace) {
    TextStamp stamp;
    stamp.left = -5;
    stamp.top = -3;
    stamp.width = 4;
    stamp.height = 3;
    stamp.argb = {0, 0, 0, 0,  //
                  0, 0xFF010203u, 0x10FFFFFFu, 0,  //
                  0, 0, 0x00FFFFFFu, 0};
    trimStamp(stamp);
    EXPECT_EQ(stamp.left, -4);
    EXPECT_EQ(stamp.top, -2);
    EXPECT_EQ(stamp.width, 2);
    EXPECT_EQ(stamp.height, 1);
    EXPECT_EQ(stamp.argb, (std::vector<std::uint32_t>{0xFF010203u, 0x10FFFFFFu}));

    TextStamp blank;
    blank.width = 2;
    blank.height = 2;
    blank.argb = {0x00FFFFFFu, 0, 0, 0x00123456u};
    trimStamp(blank);
    EXPECT_EQ(blank.width, 0);
    EXPECT_EQ(blank.height, 0);
    EXPECT_TRUE(blank.argb.empty());
    Pixels pixels(2, 2);
    blendStamp(pixels.surface, blank, 1, 1);
    EXPECT_EQ(pixels.words, Pixels(2, 2).words);
}

TEST(TextStampTest, CacheTellsStylesApartAndWhenFullKeepsOnlyWhatWasFound) {
    TextStampCache cache;
    TextStyle style;
    style.family = u"メイリオ";
    style.sizePixels = 12.0f;
    cache.add(u"35℃", style, smallStamp());
    ASSERT_NE(cache.find(u"35℃", style), nullptr);
    EXPECT_EQ(cache.find(u"35℃", style)->width, 3);
    EXPECT_EQ(cache.find(u"36℃", style), nullptr);
    const auto changed = [&style](auto change) {
        TextStyle other = style;
        change(other);
        return other;
    };
    for (const TextStyle& other : {changed([](TextStyle& s) { s.family = u"Arial"; }),
                                   changed([](TextStyle& s) { s.sizePixels = 12.5f; }),
                                   changed([](TextStyle& s) { s.fontStyle = 1; }),
                                   changed([](TextStyle& s) { s.alignment = 2; }),
                                   changed([](TextStyle& s) { s.argb = 0x40FFFFFFu; })}) {
        EXPECT_EQ(cache.find(u"35℃", other), nullptr);
    }
    for (std::size_t i = cache.size(); i < TextStampCache::Capacity; ++i) {
        std::u16string reading = u"rpm";
        for (std::size_t n = i; n > 0 || reading.size() == 3; n /= 10) reading.insert(0, 1, char16_t(u'0' + n % 10));
        cache.add(reading.c_str(), style, smallStamp());
    }
    EXPECT_EQ(cache.size(), TextStampCache::Capacity);
    // Found since it was added (above): the label on show stays; the rest go.
    cache.add(u"one more", style, smallStamp());
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_NE(cache.find(u"one more", style), nullptr);
    EXPECT_NE(cache.find(u"35℃", style), nullptr);
    EXPECT_EQ(cache.find(u"0rpm", style), nullptr);

    // Every stamp found since the last sweep: all go, and the cache still does not grow.
    for (std::size_t i = cache.size(); i < TextStampCache::Capacity; ++i) {
        const std::u16string text = u"t" + std::u16string(i, u'x');
        cache.add(text.c_str(), style, smallStamp());
    }
    for (std::size_t i = 2; i < TextStampCache::Capacity; ++i) {
        const std::u16string text = u"t" + std::u16string(i, u'x');
        ASSERT_NE(cache.find(text.c_str(), style), nullptr) << i;
    }
    cache.add(u"last", style, smallStamp());
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_NE(cache.find(u"last", style), nullptr);
}

}  // namespace
}  // namespace vt
