// Where a dragged view may go. The view only moves; its panel decides where:
// a slider knob slides along its track, a fan-curve point follows the pointer
// axis by axis while the pointer stays inside the point's box.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "ui/View.h"

namespace vt {

// The box a dragged view may follow the cursor in.
struct DragBox {
    std::int32_t xMax, yMax, xMin, yMin;
};

// A knob's left edge runs from 228 to 469, centred on the pointer; it keeps its row.
Point knobDragPosition(const View& knob, std::int32_t pointerX);
// Each axis follows the pointer (less the 6-pixel grip) only while the
// pointer lies inside the box on that axis; outside it the view stays put on
// that axis.
Point boxDragPosition(const View& view, Point pointer, const DragBox& box);
// The fan-curve page (4) drags curve points in `box`; every other page a knob.
Point dragPosition(const View& view, Point pointer, std::int32_t page, const DragBox& box);

}  // namespace vt
