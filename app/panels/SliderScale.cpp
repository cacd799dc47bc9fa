#include "app/panels/SliderScale.h"

#include <cmath>

namespace vt {
namespace {

// The knob's travel, measured from 212 so that it runs from 16 to 257.5.
constexpr double TravelOrigin = 212;
constexpr double TravelStart = 16;
constexpr double TravelEnd = 257.5;
constexpr double TravelWidth = 241.5;

// The whole value a lower bound rounds to.
template <class T>
T lowEnd(T m) {
    return m < 0 ? -std::floor(-m) : std::floor(m + 1);
}
// The whole value an upper bound rounds to, placing a knob...
template <class T>
T highEnd(T m) {
    return m < 0 ? -std::floor(-m) : std::floor(m);
}
// ...and reading one.
template <class T>
T highEndReverse(T m) {
    return m <= 0 ? 1 - std::floor(-m) : std::floor(m);
}

template <class T>
std::int32_t placeKnob(T value, T minimum, T maximum) {
    const T lo = lowEnd(minimum);
    const T hi = highEnd(maximum);
    // A range without width would divide by zero: its knob stays at the left.
    T travel = static_cast<T>(TravelStart);
    if (hi != lo) travel = (value - lo) / (hi - lo) * static_cast<T>(TravelWidth) + static_cast<T>(TravelStart);
    if (!(travel >= static_cast<T>(TravelStart))) travel = static_cast<T>(TravelStart);
    if (travel > static_cast<T>(TravelEnd)) travel = static_cast<T>(TravelEnd);
    return static_cast<std::int32_t>(travel + static_cast<T>(TravelOrigin));
}

template <class T>
T readKnob(std::int32_t knobX, T minimum, T maximum) {
    if (knobX == KnobLeftmost) return minimum;
    const T lo = lowEnd(minimum);
    const T hi = highEndReverse(maximum);
    const T v = (hi - lo) / static_cast<T>(TravelWidth) * static_cast<T>(knobX - KnobLeftmost) + lo;
    T r = v < 0 ? -std::floor(-(v + static_cast<T>(0.5))) : std::floor(v + static_cast<T>(1.5));
    if (std::trunc(r) > std::trunc(hi)) r -= 1;
    return r;
}

std::uint8_t rampChannel(float heat, float factor) {
    return static_cast<std::uint8_t>(static_cast<int>(heat * factor));
}

}  // namespace

std::int32_t valueToKnob(float value, float minimum, float maximum) { return placeKnob(value, minimum, maximum); }
std::int32_t valueToKnob(double value, double minimum, double maximum) { return placeKnob(value, minimum, maximum); }

float knobToValue(std::int32_t knobX, float minimum, float maximum) { return readKnob(knobX, minimum, maximum); }
double knobToValue(std::int32_t knobX, double minimum, double maximum) { return readKnob(knobX, minimum, maximum); }

std::int32_t zeroKnob(float minimum, float maximum) { return placeKnob(0.0f, minimum, maximum); }

FillRgb fillColour(float heat) {
    if (!(heat >= 0.0f)) heat = 0.0f;
    if (heat > 255.0f) heat = 255.0f;
    // 193/255, 96/255 and 205/255 as the floats the ramp was tuned with.
    return {rampChannel(heat, 0.75686276f), static_cast<std::uint8_t>(153 - rampChannel(heat, 0.3764706f)),
            static_cast<std::uint8_t>(255 - rampChannel(heat, 0.8039216f))};
}

}  // namespace vt
