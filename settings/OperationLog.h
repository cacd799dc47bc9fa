// The operation log, "log/log.txt": start and end of every run and every
// tuning change handed to the driver, for the user and for support.
//
// Each line is one open-append-close, so nothing is lost when the program
// ends abruptly, and a line that cannot be written is dropped silently: the
// operation it reports goes on. Per-setting lines begin with the display name
// of the GPU the user has selected, in code page 932.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

inline constexpr const char* LogFolder = "log";
inline constexpr const char* LogFile = "log/log.txt";

// The start line: creates "log" below the current directory when needed.
void writeStartLine();
// The end line and the empty line after it; never creates the folder.
void writeEndLine();

// "<GPU name>: <key> = <value>\n", the value as an integer or a word
// (SUCCESSFUL, FAILED, RESET, -100, END ...).
void logValue(const char* key, int value);
void logWord(const char* key, const char* word);
// Any line body after the name and ": "; it must end with a line feed. Lines
// made of several pieces are passed whole, so they are written in one go.
void logLine(std::string_view body);

// Per-setting lines that said FAILED since the start (written or not).
std::uint32_t failedLinesLogged();

// A line of the program's own, like the start line: no GPU name before it.
void logProgramLine(std::string_view line);

// The display name that prefixes the lines: GPU `selectedGpu`, converted to
// the 8-bit code page.
std::string logGpuName();

}  // namespace vt
