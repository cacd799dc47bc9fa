#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace vt {

// Writes the file under a name beside `path` and then puts it in place of
// `path` in one step, so a process killed at any instant leaves the old file
// or the new one, never a truncated mix. Text goes through text mode, so the
// bytes are those a plain fopen(path, "w") or "a" would have written. False,
// with `path` as it was, when the file could not be written or put in place.
using FileText = std::function<void(std::FILE*)>;

// The new file is exactly `write`'s text.
bool writeReplacing(const std::string& path, const FileText& write);
// The new file is the old file's bytes, unchanged, followed by `write`'s text.
bool appendReplacing(const std::string& path, const FileText& write);

// Where the new file is written before it takes its place.
std::string besideName(const std::string& path);

}  // namespace vt
