// Starting the system-information collector, Sysdigest.exe beside the
// program, which writes a report to the file the user chose. The program
// neither waits for it nor reads what it writes.
#pragma once

#include <functional>
#include <string>

namespace vt {

inline constexpr const char* CollectorProgram = "Sysdigest.exe";

// "-o" and the output path in quotation marks, so a path with blanks stays
// one argument.
std::string collectorParameters(const std::string& outputPath);

// Whether the shell could start the collector, told from the start thread.
using CollectorOutcome = std::function<void(bool started)>;

// Launches the collector from a short-lived thread and returns at once.
void startCollector(const std::string& outputPath, CollectorOutcome outcome = {});

}  // namespace vt
