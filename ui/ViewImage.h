// One decoded image of a view: the normal, pressed or hover look.
//
// Pixels are kept exactly as the decoder hands them over (rows top first,
// bytes blue, green, red, alpha) so that drawing is a straight blend into the
// back buffer with no conversion on the way. Skin art is nearly all wholly
// opaque or wholly transparent, so each row is also indexed once into runs of
// like pixels: a paint then copies or skips whole runs and looks up the blend
// table only where the alpha really varies.
#pragma once

#include <cstdint>
#include <vector>

namespace vt {

enum AlphaRunKind : std::uint8_t {
    RunTransparent = 0,  // alpha 0 throughout
    RunOpaque = 1,       // alpha 255 throughout
    RunMixed = 2,        // anything else, pixel by pixel
};

struct AlphaRun {
    std::int32_t start = 0;  // first column
    std::int32_t length = 0;
    AlphaRunKind kind = RunMixed;
};

struct ViewImage {
    std::vector<std::uint8_t> pixels;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bytesPerPixel = 0;
    std::int32_t stride = 0;  // bytes from one row to the next

    // Row r's runs are runs[rowRuns[r]] up to runs[rowRuns[r + 1]].
    std::vector<AlphaRun> runs;
    std::vector<std::int32_t> rowRuns;

    bool hasPixels() const { return !pixels.empty(); }
    void clear() { *this = ViewImage{}; }
    // Rebuilds the runs from the pixels; call whenever the pixels change.
    void indexRuns();
    // Whether the runs describe the image as it is (else it is drawn pixel by pixel).
    bool indexed() const;
};

}  // namespace vt
