#include "app/panels/GpuList.h"

#include <algorithm>
#include <cstdint>

#include "app/panels/CurveEditor.h"
#include "app/panels/MonitorPanel.h"
#include "app/PanelEdit.h"
#include "app/panels/ShownGpu.h"
#include "app/ShellState.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "gpu/Workers.h"
#include "state/GpuInventory.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

constexpr std::uint32_t LookColour[] = {0x40FFFFFFu, 0xBEFFFFFFu, 0xFFFFFFFFu, 0xBEFFFFFFu};

struct ListState {
    int look[MaxGpus] = {};
    bool known = false;  // the selection below has been taken
    std::int32_t seenSelection = 0;
    // The selection changed and the new GPU's readouts have not been shown yet.
    bool readoutsPending = false;
} list;

void setLook(int item, int look) {
    if (list.look[item] == look) return;
    list.look[item] = look;
    widgets.gpuItem[item]->setText(widgetTexts.gpuName[item].c_str(), 8, 0, 0, LookColour[look], 150, 10);
    repaint();
}

void takeSelection() {
    list.seenSelection = tuning.selectedGpu;
    list.known = true;
}

// Whatever changed the selection (a press here, a profile load), everything
// that shows or acts on the selected GPU follows it once.
void followSelection() {
    if (!list.known) {
        takeSelection();
        return;
    }
    if (tuning.selectedGpu == list.seenSelection) return;
    takeSelection();
    panel.forceRefresh = 1;
    // The editor shows the new GPU's own curve: an edit of the old one is dropped.
    placeCurvePoints();
    panel.fanCurveEdited = 0;
    gpuWorkers.requestPass();
    list.readoutsPending = true;
    repaint();
}

// The readouts switch as soon as the monitoring thread has sampled the new
// GPU; the sliders take its values over again, now that they are its own.
void showArrivedReadouts() {
    if (!list.readoutsPending || monitor.meters.sampledGpu() != shownGpuIndex()) return;
    list.readoutsPending = false;
    refreshMonitor();
    panel.forceRefresh = 1;
    repaint();
}

}  // namespace

void hitTestGpuItems(Point cursor) {
    for (View* item : widgets.gpuItem) {
        if (item != nullptr) item->hitTestSelf(cursor);
    }
}

void gpuListPass() {
    const bool down = shell.input.mouseButton >= BUTTON_PRESSED;
    const int present = std::clamp<int>(inventory.count, 0, MaxGpus);
    // "- empty -" items do not react.
    for (int item = 0; item < present; ++item) {
        if (widgets.gpuItem[item] == nullptr || inventory.slots[item].handle == nullptr) continue;
        if (!widgets.gpuItem[item]->underCursor()) {
            setLook(item, item == tuning.selectedGpu ? ItemSelected : ItemNormal);
            continue;
        }
        shell.handCursor = 1;
        if (!down) {
            setLook(item, ItemHovered);
            continue;
        }
        // A hold selects the same GPU on every pass; what follows a new
        // selection runs once (followSelection).
        tuning.selectedGpu = item;
        setLook(item, ItemPressed);
    }
    followSelection();
    showArrivedReadouts();
}

int gpuItemLook(int item) { return item >= 0 && item < MaxGpus ? list.look[item] : ItemNormal; }

void resetGpuList() { list = ListState{}; }

void showGpuGone(int item) {
    if (item < 0 || item >= MaxGpus) return;
    widgetTexts.gpuName[item].assign(u"- empty -");
    if (widgets.gpuItem[item] == nullptr) return;
    widgets.gpuItem[item]->setText(widgetTexts.gpuName[item].c_str(), 8, 0, 0, LookColour[list.look[item]], 150, 10);
    repaint();
}

}  // namespace vt
