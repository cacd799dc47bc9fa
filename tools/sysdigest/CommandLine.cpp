#include "tools/sysdigest/CommandLine.h"

namespace vt::sysdigest {

std::optional<std::wstring> reportPathArgument(const std::vector<std::wstring>& arguments) {
    if (arguments.size() != 2 || arguments[0] != L"-o" || arguments[1].empty()) return std::nullopt;
    return arguments[1];
}

}  // namespace vt::sysdigest
