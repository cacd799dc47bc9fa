#include "ui/BlendTable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vt {
namespace {

// The table's rule written out independently: d + trunc(a / 255.0 * (s - d)), modulo 256.
int expectedBlend(int d, int s, int a) {
    const double step = std::trunc(static_cast<double>(a) / 255.0 * static_cast<double>(s - d));
    return ((d + static_cast<int>(step)) % 256 + 256) % 256;
}

TEST(BlendTable, EveryEntryFollowsTheRule) {
    const BlendTable& table = BlendTable::shared();
    long mismatches = 0;
    for (int d = 0; d < 256; ++d) {
        for (int s = 0; s < 256; ++s) {
            const std::uint8_t* row = table.row(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(s));
            for (int a = 0; a < 256; ++a) {
                if (row[a] != expectedBlend(d, s, a)) {
                    if (++mismatches <= 5) ADD_FAILURE() << "entry [" << d << "][" << s << "][" << a << "] = " << int(row[a]);
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(BlendTable, IndexIsDestinationSourceAlpha) {
    const BlendTable& table = BlendTable::shared();
    struct Case {
        int d, s, a, index, value;
    } constexpr cases[] = {
        {0, 0, 0, 0, 0},
        {255, 255, 255, 16777215, 255},
        {1, 2, 3, 65536 + 512 + 3, 1},
        {0, 255, 127, 255 * 256 + 127, 127},
        {255, 0, 127, 255 * 65536 + 127, 128},
        {0, 100, 200, 100 * 256 + 200, 78},     // 78.43 drops its fraction
        {100, 0, 200, 100 * 65536 + 200, 22},   // -78.43 drops it toward zero
        {10, 200, 255, 10 * 65536 + 200 * 256 + 255, 200},
        {10, 200, 0, 10 * 65536 + 200 * 256, 10},
    };
    for (const Case& c : cases) {
        const auto d = static_cast<std::uint8_t>(c.d), s = static_cast<std::uint8_t>(c.s),
                   a = static_cast<std::uint8_t>(c.a);
        EXPECT_EQ(BlendTable::index(d, s, a), static_cast<std::size_t>(c.index));
        EXPECT_EQ(table.data()[c.index], c.value) << c.d << "," << c.s << "," << c.a;
        EXPECT_EQ(table.blend(d, s, a), c.value);
        EXPECT_EQ(BlendTable::formula(c.d, c.s, c.a), c.value);
    }
}

TEST(BlendTable, SharedTableIsBuiltOnce) {
    EXPECT_EQ(&BlendTable::shared(), &BlendTable::shared());
    EXPECT_EQ(BlendTable::EntryCount, 16777216u);
}

}  // namespace
}  // namespace vt
