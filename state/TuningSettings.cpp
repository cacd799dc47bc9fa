#include "state/TuningSettings.h"

namespace vt {

TuningSettings tuning;

void resetTuningSettings(TuningSettings& settings) { settings = TuningSettings{}; }

}  // namespace vt
