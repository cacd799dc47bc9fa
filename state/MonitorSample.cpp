#include "state/MonitorSample.h"

namespace vt {

MonitorSample monitor;

void resetMonitorSample(MonitorSample& sample) { sample = MonitorSample{}; }

}  // namespace vt
