#include "gpu/ClockRanges.h"

#include <algorithm>

#include "driver/DriverApi.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"

namespace vt {
namespace {

constexpr std::int32_t UnflaggedSpan = 300000;  // kHz below the maximum an unflagged GPU may go

struct Range {
    float offset = 0, minimum = 0, maximum = 0;
};

Range flaggedRange(std::int32_t delta, std::int32_t minimum, std::int32_t maximum, float ceiling, float floor) {
    return {static_cast<float>(delta), std::max(static_cast<float>(minimum), floor),
            std::min(static_cast<float>(maximum), ceiling)};
}

Range unflaggedRange(std::int32_t delta, std::int32_t minimum, std::int32_t maximum) {
    const std::int64_t span = static_cast<std::int64_t>(maximum) - minimum;
    const std::int64_t low = span > UnflaggedSpan ? static_cast<std::int64_t>(maximum) - UnflaggedSpan : minimum;
    return {static_cast<float>(static_cast<std::int64_t>(delta) + maximum), static_cast<float>(low),
            static_cast<float>(maximum)};
}

bool readPstates(const GpuSlot& gpu, std::uint32_t domain, Pstates20& table) {
    table.selectClock(domain);
    return DriverApi::getPstates20(gpu.handle, table) == DriverOk;
}

}  // namespace

void refreshClockRanges(GpuSlot& gpu) {
    const bool flagged = tunable(gpu);
    Pstates20 graphics(gpu.versions.pstates20);
    if (!readPstates(gpu, Pstates20::GraphicsDomain, graphics)) {
        tuning.gpuOffset = tuning.gpuOffsetMin = tuning.gpuOffsetMax = 0.0f;
        tuning.memOffset = tuning.memOffsetMin = tuning.memOffsetMax = 0.0f;
        monitor.voltageOffset = monitor.voltageOffsetMin = monitor.voltageOffsetMax = 0;
        return;
    }
    Range range = flagged ? flaggedRange(graphics.graphicsDelta(), graphics.graphicsDeltaMin(),
                                         graphics.graphicsDeltaMax(), GpuOffsetCeiling, GpuOffsetFloor)
                          : unflaggedRange(graphics.graphicsDelta(), graphics.graphicsDeltaMin(),
                                           graphics.graphicsDeltaMax());
    tuning.gpuOffset = range.offset;
    tuning.gpuOffsetMin = range.minimum;
    tuning.gpuOffsetMax = range.maximum;
    const bool modern = gpu.caps.ModernTuning != 0;
    monitor.voltageOffset = modern ? graphics.coreVoltageDelta() : 0;
    monitor.voltageOffsetMin = modern ? graphics.coreVoltageDeltaMin() : 0;
    monitor.voltageOffsetMax = modern ? graphics.coreVoltageDeltaMax() : 0;

    Pstates20 memory(gpu.versions.pstates20);
    if (!readPstates(gpu, Pstates20::MemoryDomain, memory)) {
        tuning.memOffset = tuning.memOffsetMin = tuning.memOffsetMax = 0.0f;
        return;
    }
    range = flagged ? flaggedRange(memory.memoryDelta(), memory.memoryDeltaMin(), memory.memoryDeltaMax(),
                                   MemOffsetCeiling, MemOffsetFloor)
                    : unflaggedRange(memory.memoryDelta(), memory.memoryDeltaMin(), memory.memoryDeltaMax());
    tuning.memOffset = range.offset;
    tuning.memOffsetMin = range.minimum;
    tuning.memOffsetMax = range.maximum;
}

}  // namespace vt
