#include "tools/sysdigest/ReportValues.h"

#include <cstdio>
#include <cstdlib>

#include "gpu/InventoryBuilder.h"

namespace vt::sysdigest {

std::string megahertz(std::uint32_t kiloHertz) {
    return std::to_string((static_cast<std::uint64_t>(kiloHertz) + 500) / 1000) + " MHz";
}

std::string hexNumber(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::string celsius(std::int32_t degrees) { return std::to_string(degrees) + " \u00B0C"; }

std::string percentFromThousandths(std::uint32_t thousandths) {
    const std::uint64_t tenths = (static_cast<std::uint64_t>(thousandths) + 50) / 100;
    std::string whole = std::to_string(tenths / 10);
    if (tenths % 10 != 0) whole += "." + std::to_string(tenths % 10);
    return whole + " %";
}

std::string megabytes(std::uint64_t bytes) {
    constexpr std::uint64_t MiB = 1024 * 1024;
    const std::uint64_t tenthsOfGiB = (bytes * 10 + MiB * 512) / (MiB * 1024);
    return std::to_string(bytes / MiB) + " MB (" + std::to_string(tenthsOfGiB / 10) + "." +
           std::to_string(tenthsOfGiB % 10) + " GB)";
}

std::string timestamp(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

std::string utcOffset(int minutesEast) {
    const int size = std::abs(minutesEast);
    char text[16];
    std::snprintf(text, sizeof text, "UTC%c%02d:%02d", minutesEast < 0 ? '-' : '+', size / 60, size % 60);
    return text;
}

std::string statusText(DriverStatus status) {
    std::string text = "status " + std::to_string(status);
    switch (status) {
        case DriverNotReady: return text + ": the driver was not ready";
        case DriverLibraryMissing: return text + ": the driver library cannot be loaded";
        case DriverNoSuchOperation: return text + ": the driver lacks this operation";
        case DriverIncompatibleVersion: return text + ": the driver does not accept the structure version";
        case NoGpuFound: return text + ": the driver lists no GPU";
        default: return text;
    }
}

std::string unavailable(DriverStatus status) { return "unavailable (" + statusText(status) + ")"; }

}  // namespace vt::sysdigest
