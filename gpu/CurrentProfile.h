// The profile of the running program: the settings record and the fan
// fields of the GPU now current, as the shutdown save, the user's save and
// the history write it.
#pragma once

#include <cstdio>

namespace vt {

void writeCurrentProfile(std::FILE* out);

}  // namespace vt
