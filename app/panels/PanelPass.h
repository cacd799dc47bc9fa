// The panels' entry points, as the window procedure calls them on every
// input message and frame tick.
//
// Each panel decides from the cursor and the input model what a click, a key
// or a hover means for its widgets; the window procedure only keeps the
// input model and calls them in order.
#pragma once

#include <cstdint>

#include "app/panels/DragRules.h"

namespace vt {

// Hit tests the panel widgets and runs every panel handler in order.
void panelInputPass();
// Binds the sliders and value texts to the active page's values; returns
// the active page.
std::int32_t refreshSliders();
// Makes the fan-curve points draggable on the fan-curve page.
void enableCurveEditing();

DragBox curveDragBox(std::int32_t activePage);
// After a drag step: the curve's segments, then its labels.
void refreshCurveSegments();
void refreshCurveLabels();

}  // namespace vt
