#include "app/shell/AppWindowHooks.h"

#include "app/panels/CurveEditor.h"
#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "app/shell/Tray.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/WindowHooks.h"
#include "platform/Platform.h"
#include "state/GpuInventory.h"
#include "state/TuningSettings.h"
#include "ui/CurveChart.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {

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
