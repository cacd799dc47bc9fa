#include "app/panels/ActionButtons.h"

#include "app/panels/AdvancedPages.h"
#include "app/PanelEdit.h"
#include "app/panels/PresetButtons.h"
#include "app/ShellState.h"
#include "gpu/Apply.h"
#include "gpu/Reset.h"
#include "settings/DialogProcedure.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "ui/CurveChart.h"
#include "ui/Repaint.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {


bool inside(const Rect& area, int x, int y) {
    return x >= area.left && x <= area.right && y >= area.top && y <= area.bottom;
}

void animateApplyButton() {
    if (widgets.applyButton != nullptr) widgets.applyButton->setPressed(true);
}

// The press the user made before the dialog took the mouse never sees its
// button-up: the view is released here, or the next pass would act again.
void releaseCapturedButton() {
    if (shell.capturedView == nullptr) return;
    shell.capturedView->setPressed(false);
    shell.capturedView = nullptr;
}

}  // namespace

PageValues panelPageValues() {
    PageValues values;
    values.gpuOffset = panel.gpuOffsetEdit;
    values.memOffset = panel.memOffsetEdit;
    values.powerTarget = panel.powerTargetEdit;
    values.tempTarget = panel.tempTargetEdit;
    values.fpsTarget = panel.fpsTargetEdit;
    values.fanSpeed = panel.fanSpeedEdit;
    values.fan2Speed = panel.fan2SpeedEdit;
    values.curveEditorEnabled = panel.curveEditorEnabled != 0;
    for (int i = 0; i < 3; ++i) {
        values.curve[i].temperature = curveTemperatureAt(panel.curvePointX[i + 1]);
        values.curve[i].level = curveFanSpeedAt(panel.curvePointY[i + 1]);
    }
    return values;
}

bool applyPass(int x, int y, bool applyButtonVisible) {
    const bool forced = shell.presetApplyRequest == 1;
    if (!applyButtonVisible || (applySettling() && !forced)) return false;
    if (lifecycle.running != 1 || lifecycle.closing != 0) return false;
    if (!forced && (!inside(ApplyButtonArea, x, y) || shell.input.mouseButton != BUTTON_PRESSED)) return false;
    beginApply();
    // A forced request is taken once, whether the preset is applied or refused.
    shell.presetApplyRequest = 0;
    if (forced || panel.advancedMode == 0) {
        if (!applyEasyPreset(panel.easyChoice)) return true;
    } else {
        applyAdvancedPage(lifecycle.activePage, panelPageValues());
        // The curve sent is the curve shown: apply waits for the next edit.
        if (lifecycle.activePage == CurvePage) panel.fanCurveEdited = 0;
        panel.easyChoice = PresetCustom;
        releasePresetButtons();
    }
    animateApplyButton();
    repaint();
    return true;
}

bool resetPass(int x, int y, bool buttonActive) {
    if (!buttonActive || resetPending() || lifecycle.running != 1 || lifecycle.closing != 0) return false;
    if (!inside(ResetButtonArea, x, y)) return false;
    resetToDefaults();
    return true;
}

namespace {

void resetConfirmed() {
    panel.easyChoice = PresetCustom;
    if (resetGpusToDefaults().curveRestored) panel.curveEditorEnabled = 0;
    panel.forceRefresh = 1;
}

}  // namespace

bool resetToDefaults() {
    tuning.fanLevel = 0;
    const bool confirmed = runSlotDialog(IDD_RESET_CONFIRM, ResetConfirmSlot) == IDC_RESET_OK;
    shell.input.mouseButton = BUTTON_IDLE;
    releaseCapturedButton();
    releasePresetButtons();
    if (!confirmed || inventory.count == 0) return confirmed;
    resetConfirmed();
    return true;
}

bool resetWithoutAsking() {
    if (resetPending()) return false;
    tuning.fanLevel = 0;
    releasePresetButtons();
    if (inventory.count == 0) return false;
    resetConfirmed();
    return true;
}

bool applyPresetNow(int preset) {
    choosePreset(preset);
    beginApply();
    shell.presetApplyRequest = 0;
    if (!applyEasyPreset(panel.easyChoice)) return false;
    animateApplyButton();
    repaint();
    return true;
}

}  // namespace vt
