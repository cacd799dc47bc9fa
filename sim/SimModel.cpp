#include "sim/SimModel.h"

#include <algorithm>
#include <cmath>

namespace vt::sim {
namespace {

constexpr double AmbientTemperature = 30;
constexpr double HeatTimeConstant = 6;  // seconds
constexpr std::int32_t IdleGraphicsClock = 210000;
constexpr std::int32_t IdleMemoryClock = 405000;
constexpr std::int32_t MediumMemoryClock = 810000;
// Draw in P-state 0, in % of the default power target: a fixed part and a
// part that grows with the load and the clock.
constexpr double IdleDraw = 12;
constexpr double LoadDraw = 0.9;

// The P-state the driver picks by itself for a load.
std::uint32_t naturalPstate(const SimGpu& gpu) {
    if (gpu.load >= 35) return gpu.pstates.front();
    if (gpu.load >= 10 && gpu.pstates.size() > 2) return gpu.pstates[1];
    return gpu.pstates.back();
}

// The graphics clock P-state 0 asks for before power and heat hold it back.
std::int32_t requestedTopClock(const SimGpu& gpu) { return std::max(0, gpu.graphicsBoost + gpu.graphicsDelta); }

double demandPercent(const SimGpu& gpu, std::int32_t graphicsClock) {
    if (currentPstate(gpu) != gpu.pstates.front()) return 8 + 0.25 * gpu.load;
    const double clockShare = gpu.graphicsBoost > 0 ? double(graphicsClock) / gpu.graphicsBoost : 1.0;
    return IdleDraw + LoadDraw * gpu.load * clockShare;
}

double averageFanLevel(const SimGpu& gpu) {
    if (gpu.fans.empty()) return 0;
    double sum = 0;
    for (const SimFan& fan : gpu.fans) sum += fan.level;
    return sum / double(gpu.fans.size());
}

double curveLevel(const SimCurveEntry& entry, double temperature) {
    const auto degrees = [](const SimCurvePoint& p) { return p.temperature / 256.0; };
    const auto percent = [](const SimCurvePoint& p) { return p.level * 100.0 / 65536.0; };
    if (temperature <= degrees(entry.points[0])) return percent(entry.points[0]);
    for (int i = 1; i < 3; ++i) {
        const SimCurvePoint& low = entry.points[i - 1];
        const SimCurvePoint& high = entry.points[i];
        if (temperature <= degrees(high)) {
            const double span = degrees(high) - degrees(low);
            const double share = span > 0 ? (temperature - degrees(low)) / span : 1.0;
            return percent(low) + share * (percent(high) - percent(low));
        }
    }
    return percent(entry.points[2]);
}

}  // namespace

double workload(const SimGpu& gpu, double seconds) {
    if (gpu.fixedLoad >= 0) return std::min(100, gpu.fixedLoad);
    const double phase = std::fmod(seconds, 60.0);
    const double wobble = 2 * std::sin(seconds * 3.1);
    double base = 2;
    if (phase >= 10 && phase < 40) base = 95;
    else if (phase >= 40 && phase < 50) base = 45;
    return std::clamp(base + wobble, 0.0, 100.0);
}

std::uint32_t listedPstateAtOrAbove(const SimGpu& gpu, std::uint32_t pstate) {
    for (std::uint32_t id : gpu.pstates) {
        if (id >= pstate) return id;
    }
    return gpu.pstates.back();
}

std::uint32_t lastListedPstate(const SimGpu& gpu) { return gpu.pstates.back(); }

std::uint32_t currentPstate(const SimGpu& gpu) {
    const std::uint32_t limit = listedPstateAtOrAbove(gpu, gpu.pstateLimit);
    if (!gpu.dynamicPstates) return limit;
    return std::max(naturalPstate(gpu), limit);
}

std::int32_t currentGraphicsClock(const SimGpu& gpu) {
    const std::uint32_t pstate = currentPstate(gpu);
    if (pstate == gpu.pstates.back() && gpu.pstates.size() > 1) return IdleGraphicsClock;
    if (pstate != gpu.pstates.front()) return gpu.graphicsBase * 3 / 4;
    std::int32_t clock = requestedTopClock(gpu);
    // Over the power target the clock drops until the draw fits.
    const double demand = demandPercent(gpu, clock);
    const double target = gpu.powerLimit / 1000.0;
    if (gpu.powerPolicy && demand > target && gpu.load > 0) {
        const double fitting = (target - IdleDraw) * gpu.graphicsBoost / (LoadDraw * gpu.load);
        clock = std::max<std::int32_t>(gpu.graphicsBase / 2, std::int32_t(fitting));
    }
    // At the temperature target the boost goes.
    if (gpu.thermalPolicy && gpu.thermalValid && gpu.temperature * 256 >= gpu.thermalLimit) {
        clock = std::min(clock, baseGraphicsClock(gpu));
    }
    return clock;
}

std::int32_t currentMemoryClock(const SimGpu& gpu) {
    const std::uint32_t pstate = currentPstate(gpu);
    if (pstate == gpu.pstates.back() && gpu.pstates.size() > 1) return IdleMemoryClock;
    if (pstate >= 5) return MediumMemoryClock;
    return baseMemoryClock(gpu);
}

std::int32_t baseGraphicsClock(const SimGpu& gpu) { return std::max(0, gpu.graphicsBase + gpu.graphicsDelta); }
std::int32_t boostGraphicsClock(const SimGpu& gpu) { return requestedTopClock(gpu); }
std::int32_t baseMemoryClock(const SimGpu& gpu) { return std::max(0, gpu.memoryClock + gpu.memoryDelta); }

double powerDrawPercent(const SimGpu& gpu) { return demandPercent(gpu, currentGraphicsClock(gpu)); }

double automaticFanLevel(const SimGpu& gpu, std::size_t fan) {
    const SimFan& target = gpu.fans[fan];
    double level;
    if (gpu.fanCurve && !gpu.curve.empty()) {
        level = curveLevel(gpu.curve[std::min(fan, gpu.curve.size() - 1)], gpu.temperature);
    } else {
        // Without a curve of its own the driver ramps from 30 to 80 degrees.
        const double share = std::clamp((gpu.temperature - 30) / 50, 0.0, 1.0);
        level = target.minLevel + share * (target.maxLevel - target.minLevel);
    }
    return std::clamp(level, double(target.minLevel), double(target.maxLevel));
}

std::int32_t fanRpm(const SimFan& fan) { return std::int32_t(std::lround(fan.maxRpm * fan.level / 100.0)); }

void step(SimGpu& gpu, double seconds, double dt) {
    gpu.load = workload(gpu, seconds);
    for (std::size_t i = 0; i < gpu.fans.size(); ++i) {
        SimFan& fan = gpu.fans[i];
        fan.level = fan.manual ? fan.manualLevel : automaticFanLevel(gpu, i);
    }
    const double cooling = 1.15 - 0.5 * averageFanLevel(gpu) / 100;
    const double target = AmbientTemperature + powerDrawPercent(gpu) * 0.5 * cooling;
    gpu.temperature += (target - gpu.temperature) * (1 - std::exp(-dt / HeatTimeConstant));
}

}  // namespace vt::sim
