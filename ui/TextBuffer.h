// Fixed storage for a text that a view shows.
//
// A text view keeps a pointer, never a copy, so every changing text (GPU names,
// readings, slider values, curve labels) lives in a buffer like this one that
// outlives its view; rewriting the buffer changes what the next paint shows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace vt {

template <std::size_t Capacity>
struct TextBuffer {
    static_assert(Capacity > 0);
    char16_t text[Capacity] = {};

    // Longer texts are cut; the buffer always ends in a NUL.
    void assign(std::u16string_view value) {
        const std::size_t length = std::min(value.size(), Capacity - 1);
        std::copy_n(value.data(), length, text);
        std::fill(text + length, text + Capacity, u'\0');
    }
    const char16_t* c_str() const { return text; }
    std::u16string_view view() const { return text; }
};

}  // namespace vt
