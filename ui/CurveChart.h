// The fan-curve chart: where a curve point sits in the window, what a
// position reads as, and the segments and labels that follow the points.
//
// The chart's x axis is the GPU temperature and its y axis the fan speed,
// two pixels per degree and per cent. The widget layout places the points
// with it at start-up, the curve editor while the user drags them, and the
// apply step reads the dragged points back through it.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "state/GpuInventory.h"
#include "ui/WidgetLayout.h"

namespace vt {

// Window position of a point view's top-left corner for a temperature
// (degrees C) and a fan speed (%).
Point curvePointPosition(std::int32_t temperature, std::int32_t fanSpeed);
// What a point view's top-left corner reads as: half a degree and half a per
// cent per pixel, rounded in single precision.
std::int32_t curveTemperatureAt(std::int32_t x);
std::int32_t curveFanSpeedAt(std::int32_t y);

// The five curve fan speeds a GPU's points start from: the driver's three
// curve levels clamped into [fan1Min, fan1Max], with the end points at or below
// the range's ends.
void computeCurveFan(GpuSlot& slot);

// Puts the curve points where the GPU's curve values say, joins them with the
// segments and writes their labels.
void placeCurveEditor(Widgets& widgets, WidgetTexts& texts, const GpuSlot& slot);
// Segment 0..3 between its two points as they stand now.
void placeCurveSegment(Widgets& widgets, int segment, const GpuSlot& slot);
// A point's label: its reading, placed beside the point as it stands now.
void placeCurveLabel(Widgets& widgets, WidgetTexts& texts, int point);

}  // namespace vt
