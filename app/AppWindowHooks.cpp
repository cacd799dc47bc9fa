#include "app/AppWindowHooks.h"

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "app/Tray.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/WindowHooks.h"
#include "platform/Platform.h"
#include "state/GpuInventory.h"
#include "state/TuningSettings.h"
#include "ui/CurveChart.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

void setPresetLooks(int selected) {
    for (int preset = 0; preset < PresetCount; ++preset) {
        if (View* button = widgets.presetButton[preset]) button->setImageState(preset == selected ? 1 : 0);
    }
}

}  // namespace

void markPresetButtons(int preset) {
    tuning.easySettings = preset;
    panel.easyChoice = preset;
    panel.shownPreset = preset;
    setPresetLooks(preset);
}

void releasePresetButtons() {
    for (View* button : widgets.presetButton) {
        if (button != nullptr) button->setPressed(false);
    }
    setPresetLooks(-1);
}

void choosePreset(int preset) { markPresetButtons(preset); }

void placeCurvePoints() {
    if (inventory.count == 0 || widgets.curvePoint[0] == nullptr) return;
    placeCurveEditor(widgets, widgetTexts, inventory.slots[currentGpuIndex()]);
    for (int i = 0; i < CurvePointCount; ++i) {
        const Point at = widgets.curvePoint[i]->position();
        panel.curvePointX[i] = at.x;
        panel.curvePointY[i] = at.y;
    }
}

void installWindowHooks() {
    windowHooks.setAppIcon = [](std::uint32_t icon) { setAppIcon(platform().loadIcon(icon)); };
    windowHooks.resetCurveEditor = [] {
        if (inventory.count == 0) return;
        GpuSlot& gpu = inventory.slots[currentGpuIndex()];
        for (int i = 0; i < 3; ++i) gpu.curveTemp[i] = gpu.storedCurve.points[i].temperature;
        computeCurveFan(gpu);
        placeCurvePoints();
    };
    windowHooks.refreshTrayTip = [] { platform().notifyIcon(TrayOperation::Modify, trayIconData); };
    windowHooks.reloadBackground = [] {
        if (widgets.root != nullptr) widgets.root->reloadBackground(tuning.backScreen.get());
    };
    windowHooks.repaint = repaint;
}

}  // namespace vt
