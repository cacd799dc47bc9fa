#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace vt::fake {

std::u16string cp932ToUtf16(std::string_view bytes);
std::string utf16ToCp932(std::u16string_view text);
bool localParts(std::time_t now, std::tm& parts);
bool replaceFile(const std::string& from, const std::string& to);
bool flushToDisk(std::FILE* file);

}  // namespace vt::fake
