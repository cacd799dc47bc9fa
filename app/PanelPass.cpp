// The panel pass as far as the panels exist: the GPU list, the monitor's hover
// help, the easy panel, the apply and reset buttons, the SLI-SYNC box and the
// title-bar buttons. The mode switch, tabs, sliders and the curve editor join
// here when those panels are built; until then their entry points leave the
// widgets as the layout built them.
#include "app/PanelPass.h"

#include "app/ActionButtons.h"
#include "app/EasyPanel.h"
#include "app/GpuList.h"
#include "app/MonitorPanel.h"
#include "app/ShellState.h"
#include "app/SliSyncBox.h"
#include "gpu/Reset.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "state/Lifecycle.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

// Looks of a title-bar button, from a press on it to its action.
enum TitleLook { LookNormal = 0, LookArmed = 1, LookHeld = 2, LookActivated = 3, LookDone = 4 };

struct TitleButton {
    View* (*view)();
    int look = LookNormal;
};

TitleButton closeButton{[] { return widgets.closeButton; }};
TitleButton minimiseButton{[] { return widgets.minimiseButton; }};

void setLook(TitleButton& button, View& view, int look, bool pressedImage) {
    if (button.look == look) return;
    button.look = look;
    view.setImageState(pressedImage ? 1 : 0);
    repaint();
}

// Returns true on the pass the button is activated: pressed, held and
// released on it.
bool stepTitleButton(TitleButton& button, Point cursor) {
    View* view = button.view();
    if (view == nullptr) return false;
    if (view->hitTestSelf(cursor) != view) {
        setLook(button, *view, LookNormal, false);
        return false;
    }
    shell.handCursor = 1;
    const std::int32_t mouse = shell.input.mouseButton;
    if (mouse == BUTTON_PRESSED && button.look == LookNormal) setLook(button, *view, LookArmed, true);
    if (mouse == BUTTON_HELD && button.look == LookArmed) setLook(button, *view, LookHeld, true);
    if (mouse == BUTTON_RELEASED && button.look == LookHeld) {
        setLook(button, *view, LookActivated, false);
        return true;
    }
    return false;
}

void titleBarButtons(Point cursor) {
    Platform& os = platform();
    if (stepTitleButton(closeButton, cursor)) {
        closeButton.look = LookDone;
        lifecycle.closing = 1;
        os.sendMessage(lifecycle.mainWindow, WM_QUIT_REQUEST, 0, 0);
    }
    if (stepTitleButton(minimiseButton, cursor)) {
        minimiseButton.look = LookDone;
        os.showWindow(lifecycle.mainWindow, SwHide);
        lifecycle.hiddenToTray = 1;
    }
}

bool resetButtonActive() {
    const View* reset = widgets.resetButton;
    return reset != nullptr && reset->visible() && !reset->hitThrough() && reset->pressed() &&
           reset->opacity() == 1.0f;
}

}  // namespace

void panelInputPass() {
    if (lifecycle.running != 1 || lifecycle.closing != 0 || shell.rootView == nullptr) return;
    Platform& os = platform();
    const Point cursor = os.screenToClient(lifecycle.mainWindow, os.cursorPosition());
    hitTestGpuItems(cursor);
    hitTestMonitorLabels(cursor);
    shell.handCursor = 0;
    gpuListPass();
    monitorHelpPass();
    actionButtonHoverPass(cursor);
    easyPresetPass();  // right after the mode switch
    applyPass(cursor.x, cursor.y, widgets.applyButton != nullptr && widgets.applyButton->visible());
    resetPass(cursor.x, cursor.y, resetButtonActive());
    sliSyncPass(cursor);  // after the tab bar
    titleBarButtons(cursor);
    os.setCursor(shell.handCursor ? CursorShape::Hand : CursorShape::Arrow);
}

// The sliders follow their values once the slider panel exists. Until then
// the panel has nothing to take over after a reset, so the monitoring thread
// may go on at once.
std::int32_t refreshSliders() {
    lifecycle.resetInProgress = 0;
    return lifecycle.activePage;
}

// The curve points become draggable once the curve editor exists.
void enableCurveEditing() {}

// The box outside the fan-curve page; the curve editor narrows it per point.
DragBox curveDragBox(std::int32_t) { return {470, 580, 270, 380}; }

// The curve's segments and labels follow its points once the curve editor exists.
void refreshCurveSegments() {}
void refreshCurveLabels() {}

}  // namespace vt
