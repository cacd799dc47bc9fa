#include "app/panels/CurveEditor.h"

#include <initializer_list>

#include "app/panels/AdvancedPages.h"
#include "app/PanelEdit.h"
#include "app/panels/PanelPass.h"
#include "app/ShellState.h"
#include "app/panels/ShownGpu.h"
#include "gpu/InventoryBuilder.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "ui/CurveChart.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

constexpr DragBox OffCurveBox{470, 580, 270, 380};
constexpr int InnerPoints = 3;

bool editorBuilt() {
    for (View* point : widgets.curvePoint) {
        if (point == nullptr) return false;
    }
    return true;
}

void pointPositions(Point (&at)[CurvePointCount]) {
    for (int i = 0; i < CurvePointCount; ++i) at[i] = widgets.curvePoint[i]->position();
}

// Apply reads the points from this record; it follows every move.
void recordPointPositions() {
    for (int i = 0; i < CurvePointCount; ++i) {
        const Point at = widgets.curvePoint[i]->position();
        panel.curvePointX[i] = at.x;
        panel.curvePointY[i] = at.y;
    }
}

}  // namespace

void placeCurvePoints() {
    if (inventory.count == 0 || !editorBuilt()) return;
    placeCurveEditor(widgets, widgetTexts, inventory.slots[currentGpuIndex()]);
    recordPointPositions();
}

DragBox curvePointBox(int point, const Point (&at)[5]) {
    // The pointer keeps 16 pixels from a neighbour on the near side and 4 on
    // the far one: with the 6-pixel grip the points stay 10 pixels apart.
    switch (point) {
        case 1:
            return {at[2].x - 4, at[0].y - 4, 280, at[2].y + 16};
        case 2:
            return {at[3].x - 4, at[1].y - 4, at[1].x + 16, at[3].y + 16};
        case 3:
            return {460, at[2].y - 4, at[2].x + 16, at[4].y + 16};
        default:
            return OffCurveBox;
    }
}

void layOutCurveEditor() {
    if (inventory.count == 0) return;
    GpuSlot& gpu = shownGpu();
    std::int32_t inner[InnerPoints];
    for (int i = 0; i < InnerPoints; ++i) inner[i] = gpu.curveFan[i + 1];
    computeCurveFan(gpu);
    for (int i = 0; i < InnerPoints; ++i) gpu.curveFan[i + 1] = inner[i];
    placeCurvePoints();
}

void enableCurveEditing() {
    if (!editorBuilt()) return;
    const bool editable = lifecycle.activePage == CurvePage && inventory.count > 0 && shownGpu().caps.FanCurveCapable;
    if (!editable) {
        for (View* point : widgets.curvePoint) point->setDraggable(false);
        return;
    }
    const std::int32_t mouse = shell.input.mouseButton;
    for (int i = 0; i < InnerPoints; ++i) {
        View& point = *widgets.curvePoint[i + 1];
        point.setDraggable(true);
        if (point.pressed() && mouse >= BUTTON_PRESSED) {
            panel.curvePointDrag[i] = 1;
            panel.fanCurveEdited = 1;
            // An edit after a reset is applied like any other.
            panel.curveEditorEnabled = 1;
        }
    }
    if (mouse == BUTTON_RELEASED || mouse == BUTTON_IDLE) {
        for (std::int32_t& drag : panel.curvePointDrag) drag = 0;
    }
}

DragBox curveDragBox(std::int32_t activePage) {
    if (activePage != CurvePage || !editorBuilt()) return OffCurveBox;
    Point at[CurvePointCount];
    pointPositions(at);
    DragBox box = OffCurveBox;
    for (int i = 0; i < InnerPoints; ++i) {
        if (panel.curvePointDrag[i]) box = curvePointBox(i + 1, at);
    }
    return box;
}

void refreshCurveSegments() {
    if (!editorBuilt()) return;
    recordPointPositions();
    const GpuSlot& gpu = shownGpu();
    // Point i + 1 joins segments i and i + 1.
    for (int i = 0; i < InnerPoints; ++i) {
        if (!panel.curvePointDrag[i]) continue;
        placeCurveSegment(widgets, i, gpu);
        placeCurveSegment(widgets, i + 1, gpu);
    }
}

void refreshCurveLabels() {
    if (!editorBuilt()) return;
    for (int point : {0, 4, 1, 2, 3}) placeCurveLabel(widgets, widgetTexts, point);
}

}  // namespace vt
