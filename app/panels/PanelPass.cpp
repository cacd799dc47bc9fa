// The panel pass: every panel's handler, in the one order in which they see
// each input message and frame tick, and the title-bar buttons, which end or
// hide the window.
#include "app/panels/PanelPass.h"

#include "app/panels/ActionButtons.h"
#include "app/panels/EasyPanel.h"
#include "app/panels/GpuList.h"
#include "app/panels/ModeSwitch.h"
#include "app/panels/MonitorPanel.h"
#include "app/panels/PageTabs.h"
#include "app/PointerMoment.h"
#include "app/panels/SettingsButton.h"
#include "app/ShellState.h"
#include "app/panels/SliSyncBox.h"
#include "gpu/Reset.h"
#include "gpu/Workers.h"
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
        gpuWorkers.enterTray();
    }
}

// A dimmed apply button takes no clicks; a preset asked for from the tray
// is applied whatever the page shown allows.
bool applyButtonTakesPress() {
    const View* apply = widgets.applyButton;
    if (apply == nullptr || !apply->visible()) return false;
    return shell.presetApplyRequest == 1 || !apply->hitThrough();
}

bool resetButtonActive() {
    const View* reset = widgets.resetButton;
    return reset != nullptr && reset->visible() && !reset->hitThrough() && reset->pressed() &&
           reset->opacity() == 1.0f;
}

}  // namespace

void panelInputPass() {
    if (lifecycle.running != 1 || lifecycle.closing != 0 || shell.rootView == nullptr) return;
    const Point cursor = cursorInClient();
    hitTestGpuItems(cursor);
    hitTestMonitorLabels(cursor);
    shell.handCursor = 0;
    gpuListPass();
    monitorHelpPass();
    modeSwitchPass(cursor);
    easyPresetPass();
    actionButtonHoverPass(cursor);
    applyPass(cursor.x, cursor.y, applyButtonTakesPress());
    resetPass(cursor.x, cursor.y, resetButtonActive());
    settingsButtonPass(cursor);
    pageTabsPass(cursor);
    sliSyncPass(cursor);
    titleBarButtons(cursor);
    platform().setCursor(shell.handCursor ? CursorShape::Hand : CursorShape::Arrow);
}

}  // namespace vt
