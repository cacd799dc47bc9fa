// The program's own options, "profile/options.cfg": start with Windows, the
// global hotkeys, the monitoring log. Key = value lines like the profile's,
// but a file of their own, so that profile.cfg keeps its form.
//
// Without the file every option is off and nothing is written: the program
// runs as it did before options existed. Lines this version does not know
// are kept and written back, so a newer version's options survive an older
// one. A damaged file gives the defaults; the caller says so, once.
#pragma once

#include <string>
#include <vector>

namespace vt {

inline constexpr const char* OptionsPath = "profile/options.cfg";

struct ProgramOptions {
    bool startWithWindows = false;
    bool hotkeys = false;
    bool monitorLog = false;
    // "KEY = value" lines of keys this version does not know, as read.
    std::vector<std::string> otherLines;
    bool operator==(const ProgramOptions&) const = default;
};

enum class OptionsState { Missing, Read, Damaged };

struct OptionsFile {
    ProgramOptions options;
    OptionsState state = OptionsState::Missing;
};

// The options in `text` (the file's bytes); Damaged, with the defaults, for
// a line that is not "KEY = value", a known key twice or with a value other
// than 0 or 1, or bytes no text holds.
OptionsFile parseOptions(const std::string& text);
OptionsFile readOptions(const std::string& path);

// The file's text: the three known keys, then the kept lines.
std::string optionsText(const ProgramOptions& options);
// Written beside and put in place, as the profile is; false when it failed.
bool writeOptions(const std::string& path, const ProgramOptions& options);

}  // namespace vt
