// What the collector accepts on its command line: exactly "-o" and the
// report's path.
//
// The program quotes the path so that one with blanks arrives as one
// argument. A path that arrives split (started by hand without quotation
// marks) is refused rather than cut at its first blank, which would write
// the report somewhere the user never chose.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vt::sysdigest {

inline constexpr const char* Usage = "usage: Sysdigest.exe -o \"<report file>\"";

// The arguments after the program's own name; the report path, or nothing
// when they are not "-o" followed by one non-empty path.
std::optional<std::wstring> reportPathArgument(const std::vector<std::wstring>& arguments);

}  // namespace vt::sysdigest
