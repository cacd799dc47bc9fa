// What the panels hold between passes: the working values the sliders show
// and apply sends, the mode and preset choices, and the drag flags the
// window procedure's pointer pass reads.
//
// All of it lives on the window thread, except that the history writer and
// the monitoring thread may read the mode and page, so those are Shared<T>.
#pragma once

#include <cstdint>

#include "platform/Shared.h"

namespace vt {

struct PanelEdit {
    // Working values, in display units.
    float gpuOffsetEdit = 0;    // MHz
    float memOffsetEdit = 0;    // MHz
    float powerTargetEdit = 0;  // %
    float tempTargetEdit = 0;   // degrees C
    double fpsTargetEdit = 0;   // frames/s; negative: limiter off
    float fanSpeedEdit = 0;     // %, single fan or fan 1; negative: automatic
    float fan2SpeedEdit = 0;    // %; negative: automatic

    Shared<std::int32_t> advancedMode;  // 0 Easy Mode, 1 Advanced Mode
    // The preset picked on the easy panel (pending) and the one its overlays
    // show while the pointer rests on another button; 3 = none.
    std::int32_t easyChoice = 3;
    std::int32_t shownPreset = 3;

    // Set by whatever changes the values behind the sliders all at once (a
    // profile or history load, a reset, another GPU chosen): the sliders take
    // the stored values over at their next refresh, which clears it.
    std::int32_t forceRefresh = 0;

    // Drags in progress: the two slider knobs and the three inner curve points.
    std::int32_t sliderDragging[2] = {0, 0};
    std::int32_t curvePointDrag[3] = {0, 0, 0};
    // Set when the user starts dragging a curve point; apply clears it.
    std::int32_t fanCurveEdited = 0;
    // The fan-curve editor is enabled (the fan-curve page on a capable GPU).
    std::int32_t curveEditorEnabled = 0;
    // Top-left corners of the five curve point views (window pixels); the
    // editor keeps them as the points move, apply reads the inner three.
    std::int32_t curvePointX[5] = {264, 344, 404, 444, 464};
    std::int32_t curvePointY[5] = {0, 0, 0, 0, 0};

    bool anyDrag() const {
        return sliderDragging[0] || sliderDragging[1] || curvePointDrag[0] || curvePointDrag[1] || curvePointDrag[2];
    }
};

extern PanelEdit panel;

void resetPanelEdit(PanelEdit& state = panel);

}  // namespace vt
