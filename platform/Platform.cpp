#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace vt {
namespace {
Platform* current = nullptr;
}

Platform& platform() {
    if (current == nullptr) {
        std::fputs("Vantrelis: no platform installed\n", stderr);
        std::abort();
    }
    return *current;
}

void setPlatform(Platform* instance) { current = instance; }

}  // namespace vt
