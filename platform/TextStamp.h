// A text as the system's anti-aliased text drawing would lay it over the back
// buffer: its colour with each pixel's coverage as alpha, made once and then
// blended wherever the same text in the same style is drawn again. Drawing a
// text through the system costs a font, device contexts and glyph rendering
// every time; the window draws some sixty texts a second, most of them
// unchanged from the second before.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Types.h"

namespace vt {

struct TextStamp {
    std::int32_t left = 0;  // of the first column and row, from the text's origin
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> argb;  // row by row, top first
};

// Cuts away the rows and columns the text leaves fully transparent (a stamp
// is drawn with room to spare around the text); one with no pixel left is
// empty, 0 x 0.
void trimStamp(TextStamp& stamp);

// Lays the stamp over the surface's bottom-up pixels with the text's origin
// at window pixel (x, y); what falls outside is left out.
void blendStamp(Surface& surface, const TextStamp& stamp, std::int32_t x, std::int32_t y);

// Stamps by text and style. The readouts' values change every second, so
// the cache does not grow: once it holds Capacity stamps, those not found
// since the last such sweep go (the labels and the values on show stay),
// and if every one was found, all go.
class TextStampCache {
public:
    static constexpr std::size_t Capacity = 128;

    const TextStamp* find(const char16_t* text, const TextStyle& style) const;
    const TextStamp& add(const char16_t* text, const TextStyle& style, TextStamp stamp);
    std::size_t size() const { return stamps_.size(); }

private:
    using Key = std::tuple<std::u16string, std::u16string, float, std::int32_t, std::int32_t, std::uint32_t>;
    struct Entry {
        TextStamp stamp;
        mutable bool found = false;  // since the last sweep
    };
    static Key keyOf(const char16_t* text, const TextStyle& style);
    void sweep();
    std::map<Key, Entry> stamps_;
};

}  // namespace vt
