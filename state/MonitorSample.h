// What the monitoring thread learns from the driver once a second, besides
// the settings-record values it refreshes: clocks, temperature, load, the
// core-voltage range, the frame-rate bounds and the meters' inputs.
//
// Written by the monitoring thread only; the window thread reads it to paint.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/Shared.h"
#include "state/GpuInventory.h"

namespace vt {

struct GpuReadings {
    Shared<std::uint32_t> gpuClock;     // kHz, 0 when unread
    Shared<std::uint32_t> memClock;     // kHz
    Shared<std::int32_t> gpuTemperature;  // degrees C
    Shared<std::int32_t> gpuLoad;         // %
};

// The meters' inputs of one pass, for the GPU it sampled: clocks as a fraction
// of the base clock (0..1), the rest in their own units.
struct MeterSample {
    std::int32_t gpu = -1;  // inventory index; -1 before the first pass
    float gpuClockRatio = 0, memClockRatio = 0;
    float temperature = 0, load = 0, fanLevel = 0, fan1Level = 0, fan2Level = 0;
};

// A pass publishes its meter inputs whole and the window reads them whole,
// under one lock: the values a reader gets belong to the GPU they name, never
// half to the GPU of the next pass.
class PublishedMeters {
public:
    PublishedMeters() = default;
    PublishedMeters(const PublishedMeters& other) : sample_(other.read()) {}
    PublishedMeters& operator=(const PublishedMeters& other) {
        if (this != &other) publish(other.read());
        return *this;
    }
    void publish(const MeterSample& sample) {
        const std::lock_guard hold(lock_);
        sample_ = sample;
    }
    MeterSample read() const {
        const std::lock_guard hold(lock_);
        return sample_;
    }
    // The GPU the last pass sampled, -1 before the first. After the user
    // chooses another GPU the window knows from it when that GPU's values
    // have arrived.
    std::int32_t sampledGpu() const { return read().gpu; }

private:
    mutable std::mutex lock_;
    MeterSample sample_;
};

struct MonitorSample {
    GpuReadings gpu[MaxGpus];

    // Current GPU, microvolts.
    Shared<std::int32_t> voltageOffset, voltageOffsetMin, voltageOffsetMax;
    // Frame-rate bounds of the slider; 0 until the first pass.
    Shared<std::int32_t> fpsTargetMin, fpsTargetMax;

    PublishedMeters meters;
};

extern MonitorSample monitor;

void resetMonitorSample(MonitorSample& sample = monitor);

}  // namespace vt
