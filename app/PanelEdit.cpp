#include "app/PanelEdit.h"

namespace vt {

PanelEdit panel;

void resetPanelEdit(PanelEdit& state) {
    state.gpuOffsetEdit = 0;
    state.memOffsetEdit = 0;
    state.powerTargetEdit = 0;
    state.tempTargetEdit = 0;
    state.fpsTargetEdit = 0;
    state.fanSpeedEdit = 0;
    state.fan2SpeedEdit = 0;
    state.advancedMode = 0;
    state.easyChoice = 3;
    state.shownPreset = 3;
    state.forceRefresh = 0;
    state.sliderDragging[0] = state.sliderDragging[1] = 0;
    for (std::int32_t& drag : state.curvePointDrag) drag = 0;
    state.fanCurveEdited = 0;
    state.curveEditorEnabled = 0;
    const std::int32_t startX[5] = {264, 344, 404, 444, 464};
    for (int i = 0; i < 5; ++i) {
        state.curvePointX[i] = startX[i];
        state.curvePointY[i] = 0;
    }
}

}  // namespace vt
