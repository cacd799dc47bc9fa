// Putting the report where the user asked for it, whole or not at all.
//
// The report is written to a new file beside its final name and only then
// moved over it, so a full disk, a vanished folder or a crash half-way never
// leaves a truncated report (or destroys an older one) under the user's name.
// The text goes out in the system's ANSI code page, the code page every
// editor on that system opens plain text in (932 on a Japanese Windows).
#pragma once

#include <string>

namespace vt::sysdigest {

// utf8Text converted to the ANSI code page; characters it lacks become "?".
std::string ansiText(const std::string& utf8Text);

// Writes the text to `path` (replacing what is there); false, with the
// final file untouched and no temporary file left, when any step failed.
bool writeReportFile(const std::wstring& path, const std::string& utf8Text);

}  // namespace vt::sysdigest
