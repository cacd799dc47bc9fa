// Decodes every entry of a skin archive twice, through the program's decoder
// (the fast road for plain PNGs) and through GDI+ alone, and says whether
// the two give the same pixels:
//
//   decodecheck ARCHIVE    one line per entry, then "entries=N plain=P
//                          different=D"; exit 0 when D is 0
//
// The end-to-end tests run it under Wine on the skin the program ships.
#include <cstdio>
#include <vector>

#include "platform/PlainPng.h"
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"
#include "ui/SkinArchive.h"
#include "ui/SkinEntrySizes.h"

namespace {

// Where two decodings first differ, or -1 when they are the same image.
long firstDifference(const vt::DecodedImage& a, const vt::DecodedImage& b) {
    if (a.width != b.width || a.height != b.height || a.stride != b.stride || a.pixels.size() != b.pixels.size()) {
        return 0;
    }
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        if (a.pixels[i] != b.pixels[i]) return static_cast<long>(i);
    }
    return -1;
}

int check(vt::Win32Platform& platform, std::FILE* archive) {
    int plainCount = 0;
    int different = 0;
    for (int entry = 0; entry < vt::SkinEntryCount; ++entry) {
        std::vector<std::uint8_t> bytes;
        if (!vt::readSkinEntry(archive, entry, bytes)) return 3;
        const bool plain = vt::isPlainPng(bytes.data(), bytes.size());
        vt::DecodedImage program;
        vt::DecodedImage system;
        const bool programDecoded = platform.decodeImage(bytes.data(), bytes.size(), program);
        const bool systemDecoded = platform.decodeImageWithSystem(bytes.data(), bytes.size(), system);
        const long at = programDecoded == systemDecoded ? (programDecoded ? firstDifference(program, system) : -1) : 0;
        plainCount += plain ? 1 : 0;
        different += at >= 0 ? 1 : 0;
        std::printf("entry %d: %dx%d plain=%d decoded=%d/%d %s", entry, system.width, system.height, plain ? 1 : 0,
                    programDecoded ? 1 : 0, systemDecoded ? 1 : 0, at < 0 ? "same\n" : "DIFFERENT");
        if (at >= 0) std::printf(" from byte %ld\n", at);
    }
    std::printf("entries=%d plain=%d different=%d\n", vt::SkinEntryCount, plainCount, different);
    return different == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: decodecheck ARCHIVE\n");
        return 2;
    }
    std::FILE* archive = vt::openSkinArchive(argv[1]);
    if (archive == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    vt::Win32Platform platform(GetModuleHandleW(nullptr));
    if (!platform.startGraphics()) return 4;
    const int result = check(platform, archive);
    platform.stopGraphics();
    std::fclose(archive);
    return result;
}
