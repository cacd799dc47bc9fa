// The report's layout: sections of "key: value" lines under a heading line.
//
// People attach the report to support requests and the person helping them
// reads it in whatever editor they have, so every value starts in one column
// across the whole report and nothing depends on tabs or a font. Keeping the
// layout apart from the gathering lets the rules be tested on any machine.
// Texts are UTF-8 here; the file writer converts them for the system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt::sysdigest {

struct ReportEntry {
    std::string key;  // plain ASCII: the column is counted in characters
    std::string value;
    friend bool operator==(const ReportEntry&, const ReportEntry&) = default;
};

struct ReportSection {
    std::string heading;
    std::vector<ReportEntry> entries;

    void add(std::string key, std::string value) { entries.push_back({std::move(key), std::move(value)}); }
};

// Windows text files: editors on every Windows version read CR LF.
inline constexpr std::string_view ReportLineEnd = "\r\n";

// The title line, then each section after a blank line: "== heading ==" and
// its entries, "key:" padded so that every value of the report starts in the
// same column. A value is kept on its one line (control characters become
// blanks) and no line ends in blanks.
std::string formatReport(std::string_view title, const std::vector<ReportSection>& sections);

}  // namespace vt::sysdigest
