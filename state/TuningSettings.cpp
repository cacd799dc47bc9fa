#include "state/TuningSettings.h"

namespace vt {

TuningSettings tuning;

void resetTuningSettings(TuningSettings& settings) {
    settings.selectedGpu = 0;
    settings.easySettings = PresetCustom;
    settings.backScreen.set(TextNotFound);
    settings.gpuOffset = 0.0f;
    settings.memOffset = 0.0f;
    settings.powerTarget = 0.0f;
    settings.tempTarget = 0.0f;
    settings.fpsTarget = 0;
    settings.fanLevel = 0;
    settings.pstate = -1;
    settings.sliSync = 1;
    settings.gpuOffsetMin = 0.0f;
    settings.gpuOffsetMax = 0.0f;
    settings.memOffsetMin = 0.0f;
    settings.memOffsetMax = 0.0f;
    settings.powerTargetMin = 0;
    settings.powerTargetMax = 0;
    settings.tempTargetMin = 0;
    settings.tempTargetMax = 0;
    settings.fanSpeedToKeep = 0;
    settings.fanSpeed1ToKeep = ValueUnavailable;
    settings.fanSpeed2ToKeep = ValueUnavailable;
}

}  // namespace vt
