// Dragging the fan curve's three inner points on the fan-curve page.
//
// Each inner point follows the pointer inside a box that keeps the curve
// rising from left to right with its points apart; the segments and labels
// follow the points, and so does the record of their positions that apply
// reads (panel.curvePointX/Y). The entry points the window procedure calls
// (enableCurveEditing, curveDragBox, refreshCurveSegments, refreshCurveLabels)
// are declared in app/PanelPass.h.
#pragma once

#include "app/panels/DragRules.h"
#include "platform/Types.h"

namespace vt {

// Lays the editor out afresh for the GPU shown: its points, segments and
// labels where the GPU's curve puts them. The end points take the fan range
// known by now (the widgets may have been built before it was read); the
// inner ones stay on the curve the monitoring thread follows.
void layOutCurveEditor();

// The editor's points where the current GPU's curve values put them.
void placeCurvePoints();

// The box the pointer may drag inner point `point` (1, 2 or 3) in, given where
// the five points stand.
DragBox curvePointBox(int point, const Point (&at)[5]);

}  // namespace vt
