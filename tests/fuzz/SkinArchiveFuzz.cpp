// The skin archive loader and the host's image decoding: one entry of an
// archive whose bytes come from the input, read at its place, decoded into a
// new view and, by choice, again as its pressed and hover images.
//
// Input: an entry byte, a flags byte (bit 0 pressed image, bit 1 hover
// image, bit 2 the archive ends where the input does), then the entry's
// stored bytes (each plain byte plus one).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"
#include "ui/SkinArchive.h"
#include "ui/SkinEntrySizes.h"
#include "ui/View.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

// A decoded image's pixels and runs must describe the same rectangle.
void checkImage(const vt::ViewImage& image) {
    if (!image.hasPixels()) return;
    require(image.width > 0 && image.height > 0 && image.stride >= image.width * 4);
    require(image.pixels.size() >= static_cast<std::size_t>(image.stride) * (image.height - 1) + image.width * 4);
    if (image.indexed()) {
        for (const vt::AlphaRun& run : image.runs) require(run.start >= 0 && run.start + run.length <= image.width);
    }
}

std::vector<std::uint8_t>& wholeArchive() {
    static std::vector<std::uint8_t> archive(vt::skinEntryOffset(vt::SkinEntryCount));
    return archive;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The largest skin image has 640 x 650 pixels. Headers that claim
    // millions more only make the decoder allocate and free (and the
    // sanitizer poison) buffers it never fills.
    vt::fuzz::fuzzPlatform().decodePixelLimit = 1024 * 1024;
    vt::View::setImageFailureHandler(nullptr);
    vt::fuzz::InputReader input(data, size);
    const int entry = input.byte() % vt::SkinEntryCount;
    const std::uint8_t flags = input.byte();

    std::vector<std::uint8_t>& archive = wholeArchive();
    const std::size_t offset = vt::skinEntryOffset(entry);
    const std::size_t entrySize = vt::SkinEntrySizes[entry];
    const std::size_t given = std::min(entrySize, input.restSize());
    std::memset(archive.data() + offset, 0, entrySize);
    if (given > 0) std::memcpy(archive.data() + offset, input.rest(), given);
    const std::size_t length = (flags & 4) ? offset + given : archive.size();
    if (length == 0) return 0;  // an empty stream cannot be opened in memory

    std::FILE* stream = fmemopen(archive.data(), length, "rb");
    if (stream == nullptr) return 0;
    vt::View* view = nullptr;
    require(vt::loadSkinEntry(stream, entry, view, 3, 4, nullptr, false, false) && view != nullptr);
    if (flags & 1) require(vt::loadSkinEntry(stream, entry, view, 0, 0, nullptr, true, false));
    if (flags & 2) require(vt::loadSkinEntry(stream, entry, view, 0, 0, nullptr, false, true));
    std::fclose(stream);
    checkImage(view->normalImage());
    checkImage(view->pressedImage());
    checkImage(view->hoverImage());
    delete view;
    return 0;
}
