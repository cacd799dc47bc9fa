#include "app/AppWindowHooks.h"

#include "app/ShellState.h"
#include "app/Tray.h"
#include "gpu/GpuInventory.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/WindowHooks.h"
#include "platform/Platform.h"
#include "settings/TuningSettings.h"
#include "ui/PanelEdit.h"
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
    if (inventory.count == 0) return;
    const GpuSlot& gpu = inventory.slots[currentGpuIndex()];
    const std::int32_t temperatures[CurvePointCount] = {0, gpu.curveTemp[0], gpu.curveTemp[1], gpu.curveTemp[2], 100};
    for (int i = 0; i < CurvePointCount; ++i) {
        View* point = widgets.curvePoint[i];
        if (point == nullptr) continue;
        const std::int32_t x = 264 + 2 * temperatures[i];
        const std::int32_t y = 2 * (287 - gpu.curveFan[i]);
        point->moveTo({x, y});
        panel.curvePointX[i] = x;
        panel.curvePointY[i] = y;
    }
}

void installWindowHooks() {
    windowHooks.setAppIcon = [](std::uint32_t icon) { setAppIcon(platform().loadIcon(icon)); };
    windowHooks.releasePresetButtons = releasePresetButtons;
    windowHooks.releaseCapturedButton = [] {
        if (shell.capturedView == nullptr) return;
        shell.capturedView->setPressed(false);
        shell.capturedView = nullptr;
    };
    windowHooks.animateApplyButton = [] {
        if (widgets.applyButton != nullptr) widgets.applyButton->setPressed(true);
    };
    windowHooks.resetCurveEditor = [] {
        if (inventory.count == 0) return;
        GpuSlot& gpu = inventory.slots[currentGpuIndex()];
        for (int i = 0; i < 3; ++i) gpu.curveTemp[i] = gpu.storedCurve.points[i].temperature;
        computeCurveFan(gpu);
        placeCurvePoints();
    };
    windowHooks.refreshTrayTip = [] { platform().notifyIcon(TrayOperation::Modify, trayIconData); };
    windowHooks.reloadBackground = [] {
        if (widgets.root != nullptr) widgets.root->reloadBackground();
    };
    windowHooks.repaint = repaint;
}

}  // namespace vt
