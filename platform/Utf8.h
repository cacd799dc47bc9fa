// UTF-16 text, as the window and the driver's names hold it, in UTF-8 for
// files and records.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// A lone half of a surrogate pair becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);

}  // namespace vt
