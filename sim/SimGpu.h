// One simulated GPU: what the card is (identity, limits, the structure
// versions its driver accepts) and what it is doing (offsets, limits, fan
// control, temperature and load that move with time).
//
// Units are the driver's: clocks and clock deltas in kHz, voltages in µV,
// power in 1/1000 %, policy temperatures in 1/256 degrees C, fan levels in %,
// curve levels as fractions of 65536.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vt::sim {

struct SimFan {
    std::uint32_t coolerId = 1;
    std::int32_t minLevel = 30;
    std::int32_t maxLevel = 100;
    std::int32_t maxRpm = 3000;
    bool manual = false;
    std::int32_t manualLevel = 0;
    double level = 0;  // what the fan runs at now
};

struct SimCurvePoint {
    std::int32_t temperature = 0;  // 1/256 degrees C
    std::uint32_t level = 0;       // 65536 = 100 %
    std::int32_t driverValue = 0;
    friend bool operator==(const SimCurvePoint&, const SimCurvePoint&) = default;
};

struct SimCurveEntry {
    std::uint8_t index = 0;
    SimCurvePoint points[3];
    friend bool operator==(const SimCurveEntry&, const SimCurveEntry&) = default;
};

enum class Cooling { Cooler, Fans };  // older cooler interface, or the per-fan interface

struct SimGpu {
    // --- identity ----------------------------------------------------------
    std::string model;
    std::string name;
    std::uint32_t deviceId = 0;
    std::uint32_t subsystemId = 0;
    std::uint32_t revisionId = 0;
    std::uint32_t extDeviceId = 0;
    std::uint32_t outputMask = 0;  // non-zero: drives a display
    bool compute = false;          // enumerated only as a compute GPU
    std::uint32_t memoryKiB = 0;
    // Accepted version words per versioned Get operation (the Set operations
    // accept what their Get accepts).
    std::map<std::string, std::vector<std::uint32_t>> versions;

    // --- P-states and clocks -----------------------------------------------
    std::vector<std::uint32_t> pstates{0, 2, 5, 8};
    std::int32_t graphicsBase = 0, graphicsBoost = 0, memoryClock = 0;
    std::int32_t graphicsDelta = 0, graphicsDeltaMin = 0, graphicsDeltaMax = 0;
    std::int32_t memoryDelta = 0, memoryDeltaMin = 0, memoryDeltaMax = 0;
    bool voltageControl = false;
    std::int32_t coreVoltage = 0;
    std::int32_t voltageDelta = 0, voltageDeltaMin = 0, voltageDeltaMax = 0;
    bool dynamicPstates = true;
    std::uint32_t pstateLimit = 0;  // 0: no cap

    // --- power and thermal policies ------------------------------------------
    bool powerPolicy = true;
    std::uint32_t powerMin = 0, powerDefault = 100000, powerMax = 0, powerLimit = 100000;
    bool thermalPolicy = true;
    bool thermalValid = true;
    std::int32_t thermalMin = 0, thermalDefault = 0, thermalMax = 0, thermalLimit = 0;

    // --- cooling --------------------------------------------------------------
    Cooling cooling = Cooling::Fans;
    std::vector<SimFan> fans;   // the cooler interface has exactly one
    bool coolerRpmByte = true;  // versions 3 and 4 of the cooler settings report rpm
    bool fanCurve = false;
    std::vector<SimCurveEntry> defaultCurve;
    std::vector<SimCurveEntry> curve;

    // --- what moves with time --------------------------------------------------
    std::int32_t fixedLoad = -1;  // % when 0 or more; else a repeating workload
    double load = 0;              // %
    double temperature = 35;      // degrees C
};

}  // namespace vt::sim
