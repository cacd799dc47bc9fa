#include "state/MonitorSample.h"

namespace vt {

MonitorSample monitor;

void resetMonitorSample(MonitorSample& sample) {
    for (GpuReadings& readings : sample.gpu) {
        readings.gpuClock = 0;
        readings.memClock = 0;
        readings.gpuTemperature = 0;
        readings.gpuLoad = 0;
    }
    sample.voltageOffset = 0;
    sample.voltageOffsetMin = 0;
    sample.voltageOffsetMax = 0;
    sample.fpsTargetMin = 0;
    sample.fpsTargetMax = 0;
    sample.gpuClockRatio = 0;
    sample.memClockRatio = 0;
    sample.temperature = 0;
    sample.load = 0;
    sample.fanLevel = 0;
    sample.fan1Level = 0;
    sample.fan2Level = 0;
    sample.sampledGpu = -1;
}

}  // namespace vt
