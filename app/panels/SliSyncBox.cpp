#include "app/panels/SliSyncBox.h"

#include "app/ShellState.h"
#include "state/TuningSettings.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// Passes other than frame ticks (pointer moves) leave a press at
// BUTTON_PRESSED: only the first of them may toggle.
bool armed = true;

}  // namespace

void sliSyncPass(Point cursor) {
    View* box = widgets.sliSyncBox;
    if (box == nullptr) return;
    const bool under = box->hitTestSelf(cursor) == box;
    if (under) shell.handCursor = 1;
    if (!under || shell.input.mouseButton != BUTTON_PRESSED) {
        armed = true;
        return;
    }
    if (!armed) return;
    armed = false;
    const std::int32_t before = box->imageState() != ImageAuto ? ImagePressed : ImageAuto;
    box->setImageState(before == ImageAuto ? ImagePressed : ImageAuto);
    // Image state 0 shows synchronisation on, so the state before the toggle is the new setting.
    tuning.sliSync = before;
    box->setPressed(false);
    repaint();
}

void resetSliSyncBox() { armed = true; }

}  // namespace vt
