// The skin archive: every image of the main window in one file beside the
// program, "skin/imgTemp".
//
// The file is a bare concatenation of 100 image files with every byte stored
// plus one; where an entry starts and how long it is comes from the size table
// compiled into the program. The main window initialisation opens the archive
// once, builds the widget tree entry by entry through loadSkinEntry and closes
// it again.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/View.h"

namespace vt {

inline constexpr const char* SkinArchivePath = "skin/imgTemp";
inline constexpr std::uint8_t SkinFillByte = 0x30;  // what a short read leaves behind, before decoding

// The fatal start-up messages of the skin step.
inline constexpr std::string_view ArchiveUnreadableMessage = "アーカイブファイルを読み込めません";
inline constexpr std::string_view OutOfMemoryMessage = "メモリを確保できません";

// The archive, opened "rb"; null when it cannot be opened.
std::FILE* openSkinArchive(const char* path = SkinArchivePath);

// Where entry number `entry` starts in the archive (0 for entry 0).
std::uint64_t skinEntryOffset(int entry);

// The plain bytes of one entry: SkinEntrySizes[entry] bytes read from its
// offset, every byte minus 1. Bytes the file does not have come out as the
// fill byte minus 1. False for an unknown entry or when the buffer cannot be
// allocated.
bool readSkinEntry(std::FILE* archive, int entry, std::vector<std::uint8_t>& plain);

// Decodes one entry into a view. With neither flag a new image view is made
// at (x, y) under parent and stored in destination; with pressedImage (or
// else hoverImage) the entry becomes that image of the view already in
// destination and x, y and parent are ignored. False only when the entry's
// buffer cannot be allocated, the entry is unknown, or there is no view to add
// an image to: an entry that does not decode is reported by the view itself.
bool loadSkinEntry(std::FILE* archive, int entry, View*& destination, std::int32_t x, std::int32_t y,
                   View* parent, bool pressedImage, bool hoverImage);

// The window background, the root of the tree: the user's picture when the
// profile names one that decodes, else archive entry 0. A named picture that
// cannot be decoded counts as none, as an unopenable one does, and BACKSCREEN
// goes back to "not found". Null when entry 0 cannot be loaded.
std::unique_ptr<View> createRootView(std::FILE* archive);

// A fatal skin message: owned by the main window, caption "Vantrelis".
void showSkinFailure(std::string_view message);

}  // namespace vt
