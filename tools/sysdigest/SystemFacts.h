// Asking Windows for the facts of the report's system half.
//
// Each reader returns what it could learn and leaves the rest empty or
// marked unread; the report says "unavailable" rather than the collector
// giving up. Texts come back as UTF-8, whatever API gave them.
#pragma once

#include <vector>

#include "tools/sysdigest/SystemSections.h"

namespace vt::sysdigest {

ReportTime readReportTime();
WindowsFacts readWindowsFacts();
ProcessorFacts readProcessorFacts();
MemoryFacts readMemoryFacts();
std::vector<DisplayAdapterFacts> readDisplayAdapters();

}  // namespace vt::sysdigest
