// The few services the fake takes from the machine it runs on: code page 932
// conversion, the local time and putting a file in place. The unit tests build for the host and, as
// 32-bit Windows programs, for Wine; each gets its own system's version.
#include "platform/fake/FakeSystem.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <iconv.h>
#include <unistd.h>
#endif
#include <cstdio>

namespace vt::fake {

#ifdef _WIN32
// The unit tests also run as 32-bit Windows programs under Wine; there the
// system's own code page 932 tables do the conversion.
std::u16string cp932ToUtf16(std::string_view bytes) {
    int length = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), reinterpret_cast<wchar_t*>(out.data()),
                        length);
    return out;
}

std::string utf16ToCp932(std::u16string_view text) {
    auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int length = WideCharToMultiByte(932, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(932, 0, wide, static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
    return out;
}

bool localParts(std::time_t now, std::tm& parts) { return localtime_s(&parts, &now) == 0; }

// rename() refuses an existing target on Windows.
bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool flushToDisk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }
#else
// Converts between code page 932 and UTF-16LE with glibc's iconv.
std::string convert(const char* to, const char* from, const char* bytes, std::size_t length) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(length * 4 + 4, '\0');
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            // Undecodable byte: skip it, as a lenient system conversion would.
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::u16string cp932ToUtf16(std::string_view multiByte) {
    std::string bytes = convert("UTF-16LE", "CP932", multiByte.data(), multiByte.size());
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return out;
}

std::string utf16ToCp932(std::u16string_view wide) {
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t c : wide) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return convert("CP932", "UTF-16LE", bytes.data(), bytes.size());
}

bool localParts(std::time_t now, std::tm& parts) { return localtime_r(&now, &parts) != nullptr; }

bool replaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool flushToDisk(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }
#endif

}  // namespace vt::fake
