#include "ui/SkinArchive.h"

#include <climits>
#include <new>
#include <stdexcept>

#include "platform/Platform.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "ui/SkinEntrySizes.h"

namespace vt {

namespace {

bool knownEntry(int entry) { return entry >= 0 && entry < SkinEntryCount; }

}  // namespace

std::FILE* openSkinArchive(const char* path) { return std::fopen(path, "rb"); }

std::uint64_t skinEntryOffset(int entry) {
    std::uint64_t offset = 0;
    for (int before = 0; before < entry && before < SkinEntryCount; ++before) offset += SkinEntrySizes[before];
    return offset;
}

bool readSkinEntry(std::FILE* archive, int entry, std::vector<std::uint8_t>& plain) {
    if (!knownEntry(entry)) return false;
    const std::uint32_t size = SkinEntrySizes[entry];
    try {
        plain.assign(size, SkinFillByte);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {  // more than a 32-bit process can hold
        return false;
    }
    const std::uint64_t offset = skinEntryOffset(entry);
    // Byte-wise, so that a short read keeps what it got (a partly read block
    // would be indeterminate); a failed seek reads nothing and keeps the fill.
    if (archive != nullptr && offset <= static_cast<std::uint64_t>(LONG_MAX) &&
        std::fseek(archive, static_cast<long>(offset), SEEK_SET) == 0) {
        (void)std::fread(plain.data(), 1, size, archive);
    }
    for (std::uint8_t& byte : plain) byte = static_cast<std::uint8_t>(byte - 1);
    return true;
}

bool loadSkinEntry(std::FILE* archive, int entry, View*& destination, std::int32_t x, std::int32_t y,
                   View* parent, bool pressedImage, bool hoverImage) {
    if ((pressedImage || hoverImage) && destination == nullptr) return false;
    std::vector<std::uint8_t> plain;
    if (!readSkinEntry(archive, entry, plain)) return false;
    if (pressedImage) {
        destination->setPressedImage(plain.data(), plain.size());
    } else if (hoverImage) {
        destination->setHoverImage(plain.data(), plain.size());
    } else {
        destination = new View({x, y}, parent, KindImage, plain.data(), plain.size());
    }
    return true;
}

std::unique_ptr<View> createRootView(std::FILE* archive) {
    if (!tuning.backScreen.isNotFound()) {
        // Made without its picture, so that one which does not decode is not
        // a failure of the view but simply no picture.
        auto root = std::make_unique<View>(Point{0, 0}, nullptr, KindPictureFile, nullptr, 0);
        if (root->loadPicture(tuning.backScreen.get())) return root;
        tuning.backScreen.set(TextNotFound);
    }
    View* root = nullptr;
    if (!loadSkinEntry(archive, 0, root, 0, 0, nullptr, false, false)) return nullptr;
    return std::unique_ptr<View>(root);
}

void showSkinFailure(std::string_view message) { platform().messageBox(lifecycle.mainWindow, message, "Vantrelis"); }

}  // namespace vt
