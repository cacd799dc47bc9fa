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
            for (int a = 0; a < 256; ++a) {
                const int got = table.blend(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(s),
                                            static_cast<std::uint8_t>(a));
                if (got != expectedBlend(d, s, a)) {
                    if (++mismatches <= 5) ADD_FAILURE() << "entry [" << d << "][" << s << "][" << a << "] = " << got;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(BlendTable, KnownEntries) {
    const BlendTable& table = BlendTable::shared();
    struct Case {
        int d, s, a, value;
    } constexpr cases[] = {
        {0, 0, 0, 0},
        {255, 255, 255, 255},
        {1, 2, 3, 1},
        {0, 255, 127, 127},
        {255, 0, 127, 128},
        {0, 100, 200, 78},    // 78.43 drops its fraction
        {100, 0, 200, 22},    // -78.43 drops it toward zero
        {10, 200, 255, 200},
        {10, 200, 0, 10},
        {255, 0, 255, 0},     // the largest step down
        {0, 255, 255, 255},   // the largest step up
    };
    for (const Case& c : cases) {
        const auto d = static_cast<std::uint8_t>(c.d), s = static_cast<std::uint8_t>(c.s),
                   a = static_cast<std::uint8_t>(c.a);
        EXPECT_EQ(table.blend(d, s, a), c.value) << c.d << "," << c.s << "," << c.a;
        EXPECT_EQ(BlendTable::formula(c.d, c.s, c.a), c.value);
    }
}

TEST(BlendTable, SharedTableIsBuiltOnceAndSmall) {
    EXPECT_EQ(&BlendTable::shared(), &BlendTable::shared());
    EXPECT_EQ(BlendTable::StepCount, 130816u);  // 128 KiB, not the 16 MiB of every answer
}

}  // namespace
}  // namespace vt
