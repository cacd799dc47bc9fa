// What the collector's tests share: report entries printed as text when an
// expectation fails.
#pragma once

#include <ostream>

#include "tools/sysdigest/ReportText.h"

namespace vt::sysdigest {

inline void PrintTo(const ReportEntry& entry, std::ostream* out) { *out << '{' << entry.key << ": " << entry.value << '}'; }

}  // namespace vt::sysdigest
