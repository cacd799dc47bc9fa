// Where a slider's knob sits for a value, and what a knob position reads as.
//
// The knob's left edge runs over 241 pixels, from 228 to 469, and the bounds
// the driver reports need not be whole numbers: both directions first round
// the bounds to the whole values the slider can reach. The two directions
// are not exact inverses; a knob reads about one step above the value that
// placed it. Every slider computes in single precision except the frame-rate
// one, whose values are doubles.
#pragma once

#include <cstdint>

namespace vt {

inline constexpr std::int32_t KnobLeftmost = 228;
inline constexpr std::int32_t KnobRightmost = 469;

std::int32_t valueToKnob(float value, float minimum, float maximum);
std::int32_t valueToKnob(double value, double minimum, double maximum);

// The leftmost knob reads the minimum itself, unrounded.
float knobToValue(std::int32_t knobX, float minimum, float maximum);
double knobToValue(std::int32_t knobX, double minimum, double maximum);

// The knob position of the value 0: where the clock-offset fill starts to warm.
std::int32_t zeroKnob(float minimum, float maximum);

struct FillRgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const FillRgb&, const FillRgb&) = default;
};

// The fill bar's colour ramp, heat 0 (blue) to 255 (red). Heat outside that
// range, or not a number, is taken as the nearer end.
FillRgb fillColour(float heat);

}  // namespace vt
