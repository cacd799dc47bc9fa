#include "ui/ViewImage.h"

namespace vt {

namespace {

AlphaRunKind kindOf(std::uint8_t alpha) {
    return alpha == 0 ? RunTransparent : alpha == 255 ? RunOpaque : RunMixed;
}

}  // namespace

void ViewImage::indexRuns() {
    runs.clear();
    rowRuns.clear();
    if (width <= 0 || height <= 0 || stride < width * 4 ||
        std::int64_t{stride} * height > static_cast<std::int64_t>(pixels.size())) {
        return;
    }
    rowRuns.reserve(static_cast<std::size_t>(height) + 1);
    for (std::int32_t row = 0; row < height; ++row) {
        rowRuns.push_back(static_cast<std::int32_t>(runs.size()));
        const std::uint8_t* alpha = pixels.data() + static_cast<std::size_t>(row) * stride + 3;
        for (std::int32_t column = 0; column < width; ++column) {
            const AlphaRunKind kind = kindOf(alpha[4 * column]);
            if (column > 0 && runs.back().kind == kind) {
                ++runs.back().length;
            } else {
                runs.push_back({column, 1, kind});
            }
        }
    }
    rowRuns.push_back(static_cast<std::int32_t>(runs.size()));
}

bool ViewImage::indexed() const {
    return height > 0 && rowRuns.size() == static_cast<std::size_t>(height) + 1 &&
           rowRuns.back() == static_cast<std::int32_t>(runs.size());
}

}  // namespace vt
