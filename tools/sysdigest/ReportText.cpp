#include "tools/sysdigest/ReportText.h"

#include <algorithm>

namespace vt::sysdigest {
namespace {

// Characters, not bytes: a UTF-8 continuation byte adds no column.
std::size_t columns(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string oneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return line;
}

void appendLine(std::string& out, std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    out += line;
    out += ReportLineEnd;
}

}  // namespace

std::string formatReport(std::string_view title, const std::vector<ReportSection>& sections) {
    std::size_t keyWidth = 0;
    for (const ReportSection& section : sections) {
        for (const ReportEntry& entry : section.entries) keyWidth = std::max(keyWidth, columns(entry.key));
    }
    std::string out;
    appendLine(out, oneLine(title));
    for (const ReportSection& section : sections) {
        out += ReportLineEnd;
        appendLine(out, "== " + oneLine(section.heading) + " ==");
        for (const ReportEntry& entry : section.entries) {
            std::string line = oneLine(entry.key) + ":";
            line.append(keyWidth - columns(entry.key) + 1, ' ');
            line += oneLine(entry.value);
            appendLine(out, std::move(line));
        }
    }
    return out;
}

}  // namespace vt::sysdigest
