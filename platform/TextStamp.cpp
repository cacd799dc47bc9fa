#include "platform/TextStamp.h"

#include <algorithm>
#include <utility>

#include "platform/CrispLine.h"

namespace vt {

void blendStamp(Surface& surface, const TextStamp& stamp, std::int32_t x, std::int32_t y) {
    if (surface.pixels == nullptr) return;
    const std::int64_t originX = std::int64_t{x} + stamp.left;
    const std::int64_t originY = std::int64_t{y} + stamp.top;
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -originX);
    const std::int64_t endColumn = std::min<std::int64_t>(stamp.width, surface.width - originX);
    const std::int64_t firstRow = std::max<std::int64_t>(0, -originY);
    const std::int64_t endRow = std::min<std::int64_t>(stamp.height, surface.height - originY);
    const std::size_t rowBytes = static_cast<std::size_t>(surface.width) * 4;
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        std::uint8_t* line = surface.pixels + static_cast<std::size_t>(surface.height - 1 - (originY + row)) * rowBytes;
        const std::uint32_t* source = stamp.argb.data() + row * stamp.width;
        for (std::int64_t column = firstColumn; column < endColumn; ++column) {
            // Pixels the text does not touch are left exactly as they are.
            if ((source[column] >> 24) == 0) continue;
            blendSolidPixel(line + static_cast<std::size_t>(originX + column) * 4, source[column]);
        }
    }
}

void trimStamp(TextStamp& stamp) {
    std::int32_t left = stamp.width, right = -1, top = stamp.height, bottom = -1;
    for (std::int32_t row = 0; row < stamp.height; ++row) {
        for (std::int32_t column = 0; column < stamp.width; ++column) {
            if ((stamp.argb[static_cast<std::size_t>(row) * stamp.width + column] >> 24) == 0) continue;
            left = std::min(left, column);
            right = std::max(right, column);
            top = std::min(top, row);
            bottom = std::max(bottom, row);
        }
    }
    TextStamp trimmed;
    if (right >= 0) {
        trimmed.left = stamp.left + left;
        trimmed.top = stamp.top + top;
        trimmed.width = right - left + 1;
        trimmed.height = bottom - top + 1;
        trimmed.argb.reserve(static_cast<std::size_t>(trimmed.width) * trimmed.height);
        for (std::int32_t row = top; row <= bottom; ++row) {
            const auto first = stamp.argb.begin() + static_cast<std::ptrdiff_t>(row) * stamp.width;
            trimmed.argb.insert(trimmed.argb.end(), first + left, first + right + 1);
        }
    }
    stamp = std::move(trimmed);
}

TextStampCache::Key TextStampCache::keyOf(const char16_t* text, const TextStyle& style) {
    return {text, style.family, style.sizePixels, style.fontStyle, style.alignment, style.argb};
}

const TextStamp* TextStampCache::find(const char16_t* text, const TextStyle& style) const {
    const auto found = stamps_.find(keyOf(text, style));
    if (found == stamps_.end()) return nullptr;
    found->second.found = true;
    return &found->second.stamp;
}

const TextStamp& TextStampCache::add(const char16_t* text, const TextStyle& style, TextStamp stamp) {
    if (stamps_.size() >= Capacity) sweep();
    return stamps_.insert_or_assign(keyOf(text, style), Entry{std::move(stamp)}).first->second.stamp;
}

void TextStampCache::sweep() {
    std::erase_if(stamps_, [](const auto& entry) { return !entry.second.found; });
    if (stamps_.size() >= Capacity) stamps_.clear();
    for (auto& entry : stamps_) entry.second.found = false;
}

}  // namespace vt
