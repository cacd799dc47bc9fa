#include "app/panels/DragRules.h"

namespace vt {

namespace {
constexpr std::int32_t CurvePage = 4;
constexpr std::int32_t KnobLeftmost = 228;
constexpr std::int32_t KnobRightmost = 469;
constexpr std::int32_t KnobGrip = 8;
constexpr std::int32_t PointGrip = 6;
}  // namespace

Point knobDragPosition(const View& knob, std::int32_t pointerX) {
    std::int32_t x = pointerX - KnobGrip;
    if (pointerX < KnobLeftmost + KnobGrip) x = KnobLeftmost;
    if (pointerX > KnobRightmost + KnobGrip) x = KnobRightmost;
    return {x, knob.position().y};
}

Point boxDragPosition(const View& view, Point pointer, const DragBox& box) {
    Point at = view.position();
    if (box.xMin <= pointer.x && pointer.x <= box.xMax) at.x = pointer.x - PointGrip;
    if (box.yMin <= pointer.y && pointer.y <= box.yMax) at.y = pointer.y - PointGrip;
    return at;
}

Point dragPosition(const View& view, Point pointer, std::int32_t page, const DragBox& box) {
    return page == CurvePage ? boxDragPosition(view, pointer, box) : knobDragPosition(view, pointer.x);
}

}  // namespace vt
