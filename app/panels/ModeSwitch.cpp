#include "app/panels/ModeSwitch.h"

#include <initializer_list>

#include "app/panels/AdvancedPages.h"
#include "app/panels/EasyPanel.h"
#include "app/panels/HoverHelp.h"
#include "app/panels/PageTabs.h"
#include "app/PanelEdit.h"
#include "app/panels/PresetButtons.h"
#include "app/panels/PressDialogs.h"
#include "app/ShellState.h"
#include "app/panels/ShownGpu.h"
#include "settings/DialogProcedure.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {


// The press on the Advanced Mode button asks on the next pass, once the
// window has captured the button.
bool warningDue = false;

void setShown(View* view, bool shown) {
    if (view != nullptr) view->setVisible(shown);
}

void showEasyWidgets(bool shown) {
    for (View* view : {widgets.easyHeading, widgets.easySubheading, widgets.easyFrame, widgets.easyCard}) {
        setShown(view, shown);
    }
    for (int preset = 0; preset < PresetCount; ++preset) {
        setShown(widgets.presetButton[preset], shown);
        setShown(widgets.largeOverlay[preset], shown);
        setShown(widgets.smallOverlay[preset], shown);
    }
}

void showAdvancedWidgets(bool shown) {
    for (View* view : {widgets.advancedHeading, widgets.advancedSubheading, widgets.advancedFrame}) {
        setShown(view, shown);
    }
    for (View* tab : widgets.tab) setShown(tab, shown);
}

void showModeButtons(bool advanced) {
    if (widgets.advancedModeButton != nullptr)
        widgets.advancedModeButton->setImageState(advanced ? ImagePressed : ImageAuto);
    if (widgets.easyModeButton != nullptr) widgets.easyModeButton->setImageState(advanced ? ImageAuto : ImagePressed);
}

void enableBothActionButtons() {
    for (View* button : {widgets.applyButton, widgets.resetButton}) {
        if (button == nullptr) continue;
        button->setOpacity(1.0f);
        button->setHitThrough(false);
    }
}

// The easy panel shows the preset in force, or none for custom values.
void showPresetInForce() {
    const std::int32_t preset = tuning.easySettings;
    const bool named = preset >= PresetHighPerformance && preset <= PresetEco;
    if (named) {
        markPresetButtons(preset);
    } else {
        releasePresetButtons();
        panel.easyChoice = PresetCustom;
        panel.shownPreset = PresetCustom;
    }
    showPresetOverlaysAtOnce(preset);
}

void askForAdvancedMode() {
    warningDue = false;
    if (runDialogAfterPress(IDD_ADVANCED_WARNING, AdvancedWarningSlot) == IDC_WARNING_AGREE) enterAdvancedMode();
}

bool under(View* view, Point cursor) { return view != nullptr && view->hitTestSelf(cursor) == view; }

}  // namespace

void enterAdvancedMode() {
    panel.advancedMode = 1;
    if (tuning.easySettings == PresetCustom) {
        panel.shownPreset = PresetCustom;
        panel.easyChoice = PresetCustom;
    }
    showEasyWidgets(false);
    showAdvancedWidgets(true);
    showModeButtons(true);
    enableBothActionButtons();
    lifecycle.activePage = ClockPage;
    showPageWidgets(ClockPage, shownGpu());
    markSelectedTab(0);
    // The sliders start from the values in force, whatever was edited before.
    panel.forceRefresh = 1;
    repaint();
}

void enterEasyMode() {
    panel.advancedMode = 0;
    showPresetInForce();
    showAdvancedWidgets(false);
    hidePageWidgets();
    showEasyWidgets(true);
    showModeButtons(false);
    // The easy panel decides from here on whether they take clicks.
    enableBothActionButtons();
    repaint();
}

void modeSwitchPass(Point cursor) {
    if (warningDue) askForAdvancedMode();
    const bool overAdvanced = under(widgets.advancedModeButton, cursor);
    const bool overEasy = under(widgets.easyModeButton, cursor);
    stepHoverHelp(widgets.advancedModeButton, widgets.advancedModeHelp);
    stepHoverHelp(widgets.easyModeButton, widgets.easyModeHelp);
    const bool advanced = panel.advancedMode == 1;
    const bool pressed = shell.input.mouseButton == BUTTON_PRESSED;
    if (!advanced && overAdvanced) {
        shell.handCursor = 1;
        if (pressed) warningDue = true;
    } else if (advanced && overEasy) {
        shell.handCursor = 1;
        if (pressed) enterEasyMode();
    }
    if (panel.advancedMode == 1) enableActionButtons(lifecycle.activePage, shownGpu());
}

void resetModeSwitch() { warningDue = false; }

}  // namespace vt
