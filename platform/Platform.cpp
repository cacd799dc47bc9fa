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

void waitMilliseconds(std::uint32_t milliseconds) {
    Platform& os = platform();
    const std::uint32_t start = os.tickCount();
    while (os.tickCount() - start < milliseconds) os.sleep(1);
}

}  // namespace vt
