#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/panels/SliderScale.h"

namespace vt {
namespace {

// The mappings written out once more from their rules, in the other
// rounding words (ceil for the negative side), to hold the product against.
template <class T>
std::int32_t expectedKnob(T value, T minimum, T maximum) {
    const T lo = minimum < 0 ? std::ceil(minimum) : std::floor(minimum) + 1;
    const T hi = maximum < 0 ? std::ceil(maximum) : std::floor(maximum);
    T p = (value - lo) / (hi - lo) * T(241.5) + T(16);
    p = std::fmin(std::fmax(p, T(16)), T(257.5));
    return static_cast<std::int32_t>(p + T(212));
}

template <class T>
T expectedValue(std::int32_t knob, T minimum, T maximum) {
    if (knob == 228) return minimum;
    const T lo = minimum < 0 ? std::ceil(minimum) : std::floor(minimum) + 1;
    const T hi = maximum <= 0 ? 1 + std::ceil(maximum) : std::floor(maximum);
    const T v = (hi - lo) / T(241.5) * T(knob - 228) + lo;
    T r = v < 0 ? std::ceil(v + T(0.5)) : std::floor(v + T(1.5));
    if (static_cast<long long>(r) > static_cast<long long>(hi)) r -= 1;
    return r;
}

struct BoundPair {
    double minimum, maximum;
};

// Clock offsets (negative minimum), power, temperature, fans, frame rate, and
// ranges whose ends are not whole numbers on either side of zero.
constexpr BoundPair Pairs[] = {{0, 100},  {-510, 200},    {-51, 200},    {50, 115},       {65, 91},    {30, 100},
                               {30, 120}, {-10.5, 20.25}, {29.7, 120.2}, {-500.5, 199.9}, {-50, -10.5}};

TEST(SliderScale, BothDirectionsFollowTheirRulesOverTheWholeTravel) {
    for (const BoundPair& b : Pairs) {
        const float lo = static_cast<float>(b.minimum);
        const float hi = static_cast<float>(b.maximum);
        for (std::int32_t x = 228; x <= 469; ++x) {
            ASSERT_EQ(knobToValue(x, lo, hi), expectedValue(x, lo, hi)) << b.minimum << ".." << b.maximum << " x=" << x;
            ASSERT_EQ(knobToValue(x, b.minimum, b.maximum), expectedValue(x, b.minimum, b.maximum))
                << b.minimum << ".." << b.maximum << " x=" << x;
        }
        for (int tenth = -6000; tenth <= 3000; ++tenth) {
            const double v = tenth / 10.0;
            ASSERT_EQ(valueToKnob(float(v), lo, hi), expectedKnob(float(v), lo, hi)) << b.minimum << " v=" << v;
            ASSERT_EQ(valueToKnob(v, b.minimum, b.maximum), expectedKnob(v, b.minimum, b.maximum))
                << b.minimum << " v=" << v;
        }
    }
}

TEST(SliderScale, WorkedValues) {
    struct Case {
        double minimum, maximum;
        double value;
        std::int32_t knob;
    } const toKnob[] = {
        {0, 100, 0, 228},       {0, 100, 100, 469},         {0, 100, 50, 347},
        {-10.5, 20.25, 0, 308}, {-10.5, 20.25, -10.5, 228}, {-10.5, 20.25, 20, 469},
        {29.7, 120.2, 75, 348}, {-510, 200, 0, 401},        {0, 100, -100, 228},  // below the range: the left end
        {0, 100, 1000, 469},
    };
    for (const Case& c : toKnob) {
        EXPECT_EQ(valueToKnob(float(c.value), float(c.minimum), float(c.maximum)), c.knob)
            << c.minimum << ".." << c.maximum << " v=" << c.value;
    }
    const Case toValue[] = {
        {0, 100, 0, 228},        {0, 100, 2, 229},
        {0, 100, 100, 469},      {-10.5, 20.25, -10.5, 228},  // the minimum itself, not rounded
        {-10.5, 20.25, -9, 229}, {-10.5, 20.25, 20, 469},
        {-10.5, 20.25, 1, 308},  {29.7, 120.2, 76, 348},
    };
    for (const Case& c : toValue) {
        EXPECT_EQ(knobToValue(c.knob, float(c.minimum), float(c.maximum)), float(c.value))
            << c.minimum << ".." << c.maximum << " x=" << c.knob;
    }
    EXPECT_EQ(knobToValue(348, 29.7, 120.2), 76.0);
}

TEST(SliderScale, ReadingAKnobAndPlacingItAgainNeverMovesItLeftNorTwoStepsRight) {
    for (const BoundPair& b : Pairs) {
        if (b.maximum < 0) continue;  // reads above its maximum; see WorkedValues
        const float lo = float(b.minimum), hi = float(b.maximum);
        const double step = 241.5 / (b.maximum - b.minimum);
        for (std::int32_t x = 228; x <= 469; ++x) {
            const std::int32_t again = valueToKnob(knobToValue(x, lo, hi), lo, hi);
            EXPECT_GE(again, x) << b.minimum << ".." << b.maximum;
            EXPECT_LT(again - x, 2 * step + 1) << b.minimum << ".." << b.maximum << " x=" << x;
        }
    }
}

TEST(SliderScale, PlacingAValueAndReadingItBackIsOffByAtMostOneOrThePixelItShares) {
    for (const BoundPair& b : Pairs) {
        if (b.maximum < 0) continue;
        const float lo = float(b.minimum), hi = float(b.maximum);
        const double valuesPerPixel = (b.maximum - b.minimum) / 241.5;
        for (int v = int(std::ceil(b.minimum)); v <= int(std::floor(b.maximum)); ++v) {
            const float back = knobToValue(valueToKnob(float(v), lo, hi), lo, hi);
            EXPECT_LE(back - v, 1) << b.minimum << ".." << b.maximum << " v=" << v;
            EXPECT_GE(back - v, -std::max(1.0, std::ceil(valuesPerPixel)))
                << b.minimum << ".." << b.maximum << " v=" << v;
        }
    }
}

TEST(SliderScale, ReadingIsMonotonicAndStaysWithinTheRoundedBounds) {
    for (const BoundPair& b : Pairs) {
        if (b.maximum < 0) continue;
        const float lo = float(b.minimum), hi = float(b.maximum);
        float previous = knobToValue(228, lo, hi);
        for (std::int32_t x = 229; x <= 469; ++x) {
            const float value = knobToValue(x, lo, hi);
            EXPECT_GE(value, previous) << x;
            EXPECT_LE(value, std::floor(hi)) << x;
            previous = value;
        }
        EXPECT_GE(knobToValue(229, lo, hi), lo);
    }
}

TEST(SliderScale, ARangeWithoutWidthKeepsTheKnobAtTheLeft) {
    EXPECT_EQ(valueToKnob(-5.0f, -5.0f, -5.0f), 228);
    EXPECT_EQ(valueToKnob(1.0f, 0.0f, 1.0f), 228);  // both ends round to 1
    EXPECT_EQ(zeroKnob(0.0f, 1.0f), 228);
    EXPECT_EQ(valueToKnob(std::numeric_limits<float>::quiet_NaN(), 0.0f, 100.0f), 228);
}

TEST(SliderScale, ZeroKnobIsWhereTheValueZeroSits) {
    EXPECT_EQ(zeroKnob(-510.0f, 200.0f), 401);
    EXPECT_EQ(zeroKnob(-51.0f, 200.0f), valueToKnob(0.0f, -51.0f, 200.0f));
    EXPECT_EQ(zeroKnob(0.0f, 200.0f), 228);  // no negative side
    EXPECT_EQ(zeroKnob(-200.0f, 0.0f), 469);
}

TEST(SliderScale, FillColourRunsFromBlueToRed) {
    struct Case {
        float heat;
        FillRgb rgb;
    } const cases[] = {
        {0, {0, 153, 255}},    {255, {193, 57, 50}},
        {128, {96, 105, 153}}, {1, {0, 153, 255}},
        {254, {192, 58, 51}},  {-3, {0, 153, 255}},
        {900, {193, 57, 50}},  {std::numeric_limits<float>::quiet_NaN(), {0, 153, 255}},
    };
    for (const Case& c : cases) {
        const FillRgb rgb = fillColour(c.heat);
        EXPECT_EQ(rgb, c.rgb) << c.heat << ": " << int(rgb.r) << "," << int(rgb.g) << "," << int(rgb.b);
    }
}

}  // namespace
}  // namespace vt
