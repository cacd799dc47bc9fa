#include "ui/CurveChart.h"

#include <algorithm>
#include <string>

namespace vt {
namespace {

constexpr std::uint32_t SegmentBlue = 0xFF0000FFu;
constexpr std::uint32_t LabelOrange = 0xFFFF641Au;
constexpr std::int32_t Bold = 1;

std::u16string curveLabelText(std::int32_t temperature, std::int32_t fanSpeed) {
    auto number = [](std::int32_t value) {
        const std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    };
    return number(temperature) + u" ℃, " + number(fanSpeed) + u" ％";
}

Point labelPosition(int point, Point at) {
    if (point == 0) return {at.x - 58, at.y - 2};  // left of the chart
    if (point == CurvePointCount - 1) return {at.x + 14, at.y - 2};
    return {at.x + 10, at.y + 10};
}

}  // namespace

Point curvePointPosition(std::int32_t temperature, std::int32_t fanSpeed) {
    return {264 + 2 * temperature, 2 * (287 - fanSpeed)};
}

std::int32_t curveTemperatureAt(std::int32_t x) { return static_cast<std::int32_t>((x - 264) * 0.5f + 0.5f); }

std::int32_t curveFanSpeedAt(std::int32_t y) { return 100 - static_cast<std::int32_t>((y - 374) * 0.5f + 0.5f); }

void computeCurveFan(GpuSlot& slot) {
    const std::int32_t low = slot.fan1Min;
    const std::int32_t high = slot.fan1Max;
    std::int32_t level[3];
    for (int i = 0; i < 3; ++i) level[i] = slot.storedCurve.points[i].level;
    slot.curveFan[0] = std::min(level[0], low);
    for (int i = 0; i < 3; ++i) {
        // Above the range gives its top, below it its bottom, in that order.
        slot.curveFan[i + 1] = level[i] > high ? high : level[i] < low ? low : level[i];
    }
    slot.curveFan[4] = std::min(level[2], high);
}

void placeCurveSegment(Widgets& w, int segment, const GpuSlot& slot) {
    View* line = w.curveSegment[segment];
    if (line == nullptr) return;
    // The end segments run to the chart's edges at the end points' levels.
    if (segment == 0) {
        const Point to = w.curvePoint[1]->position();
        line->setLine(1.0f, {270, 2 * (290 - slot.curveFan[0])}, {to.x + 5, to.y + 5}, SegmentBlue);
    } else if (segment == CurveSegmentCount - 1) {
        const Point from = w.curvePoint[3]->position();
        line->setLine(1.0f, {from.x + 6, from.y + 6}, {469, 579 - 2 * slot.curveFan[4]}, SegmentBlue);
    } else {
        const Point from = w.curvePoint[segment]->position();
        const Point to = w.curvePoint[segment + 1]->position();
        line->setLine(1.0f, {from.x + 6, from.y + 6}, {to.x + 5, to.y + 5}, SegmentBlue);
    }
}

void placeCurveLabel(Widgets& w, WidgetTexts& texts, int point) {
    View* label = w.curveLabel[point];
    if (label == nullptr) return;
    const Point at = w.curvePoint[point]->position();
    texts.curveLabel[point].assign(curveLabelText(curveTemperatureAt(at.x), curveFanSpeedAt(at.y)));
    label->setText(texts.curveLabel[point].c_str(), 7, Bold, 0, LabelOrange, 1, 1);
    label->moveTo(labelPosition(point, at));
}

void placeCurveEditor(Widgets& w, WidgetTexts& texts, const GpuSlot& slot) {
    const std::int32_t temperature[CurvePointCount] = {0, slot.curveTemp[0], slot.curveTemp[1], slot.curveTemp[2], 100};
    for (int point = 0; point < CurvePointCount; ++point) {
        if (w.curvePoint[point] == nullptr) return;
        w.curvePoint[point]->moveTo(curvePointPosition(temperature[point], slot.curveFan[point]));
    }
    for (int segment = 0; segment < CurveSegmentCount; ++segment) placeCurveSegment(w, segment, slot);
    for (int point = 0; point < CurvePointCount; ++point) placeCurveLabel(w, texts, point);
}

}  // namespace vt
