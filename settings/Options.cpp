#include "settings/Options.h"

#include <cstdio>
#include <optional>

#include "settings/ReplacingFile.h"

namespace vt {
namespace {

// Far beyond three options and what a newer version may add; a larger file
// is not an options file.
constexpr long MaxOptionsBytes = 64 * 1024;

struct KnownKey {
    const char* name;
    bool ProgramOptions::*field;
};

constexpr KnownKey KnownKeys[] = {
    {"START_WITH_WINDOWS", &ProgramOptions::startWithWindows},
    {"HOTKEYS", &ProgramOptions::hotkeys},
    {"MONITOR_LOG", &ProgramOptions::monitorLog},
};

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool validKey(const std::string& key) {
    if (key.empty()) return false;
    for (char c : key) {
        const bool fits = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                          c == '-';
        if (!fits) return false;
    }
    return true;
}

OptionsFile damaged() {
    OptionsFile file;
    file.state = OptionsState::Damaged;
    return file;
}

}  // namespace

OptionsFile parseOptions(const std::string& text) {
    if (text.find('\0') != std::string::npos) return damaged();
    OptionsFile file;
    file.state = OptionsState::Read;
    bool seen[std::size(KnownKeys)] = {};
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) return damaged();
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if (!validKey(key)) return damaged();
        bool known = false;
        for (std::size_t i = 0; i < std::size(KnownKeys); ++i) {
            if (key != KnownKeys[i].name) continue;
            if (seen[i] || (value != "0" && value != "1")) return damaged();
            seen[i] = true;
            file.options.*KnownKeys[i].field = value == "1";
            known = true;
        }
        if (!known) file.options.otherLines.push_back(key + " = " + value);
    }
    return file;
}

OptionsFile readOptions(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return {};
    std::string text;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        text.append(buffer, got);
        if (static_cast<long>(text.size()) > MaxOptionsBytes) {
            std::fclose(in);
            return damaged();
        }
    }
    std::fclose(in);
    return parseOptions(text);
}

std::string optionsText(const ProgramOptions& options) {
    std::string text;
    for (const KnownKey& key : KnownKeys) {
        text += key.name;
        text += options.*key.field ? " = 1\n" : " = 0\n";
    }
    for (const std::string& line : options.otherLines) text += line + "\n";
    return text;
}

bool writeOptions(const std::string& path, const ProgramOptions& options) {
    const std::string text = optionsText(options);
    return writeReplacing(path, [&](std::FILE* out) { std::fputs(text.c_str(), out); });
}

}  // namespace vt
