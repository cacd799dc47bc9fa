// The profile of the running program: the settings record and the fan
// fields of the GPU now current, as the shutdown save, the user's save and
// the history write it.
#pragma once

#include <cstdio>
#include <string>

namespace vt {

void writeCurrentProfile(std::FILE* out);

// Writes the profile to `path` through a file beside it that then replaces
// it, so no failure part-way leaves a truncated profile under that name.
// False, with any old file kept, when it could not be written.
bool writeCurrentProfileFile(const std::string& path);

}  // namespace vt
