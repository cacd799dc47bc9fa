#include "app/shell/SafeStart.h"

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "app/panels/CurveEditor.h"
#include "app/panels/ProfileLoads.h"
#include "app/shell/Tray.h"
#include "gpu/ProfileApplication.h"
#include "gpu/WindowHooks.h"
#include "platform/Platform.h"
#include "settings/DialogProcedure.h"
#include "settings/SafetyFiles.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "ui/Repaint.h"

namespace vt {
namespace {

struct SafeStart {
    StartDecision decision;
    bool keepProfile = false;
} safe;

}  // namespace

void showAppliedSettings() {
    followStoredPreset();
    panel.forceRefresh = 1;
    placeCurvePoints();
    hookReloadBackground();
    setAppIcon(platform().loadIcon(iconForPreset(tuning.easySettings)));
}

void noteStartDecision(const StartDecision& decision) {
    safe.decision = decision;
    safe.keepProfile = decision.safeStart && decision.offerProfile;
}

bool safeStartNoticeDue() {
    return safe.decision.safeStart && (safe.decision.offerProfile || safe.decision.offerLastGood);
}

void offerSafeStartChoice() {
    dialogs.offerStoredProfile = safe.decision.offerProfile;
    dialogs.offerLastGood = safe.decision.offerLastGood;
    const std::int32_t choice = runSlotDialog(IDD_SAFE_START, SafeStartSlot);
    lifecycle.modal.slot[SafeStartSlot] = 0;
    shell.input.mouseButton = BUTTON_IDLE;
    if (choice == IDC_SAFE_APPLY && safe.decision.offerProfile) {
        applyStartupProfileNow();
        showAppliedSettings();
        safe.keepProfile = false;
    } else if (choice == IDC_SAFE_LASTGOOD && safe.decision.offerLastGood) {
        loadProfileFile(lastGoodPath());
        showAppliedSettings();
        safe.keepProfile = false;
    }
    // Anything else, the close box and Escape too, keeps the driver's defaults.
    repaint();
}

bool storedProfileKept() { return safe.keepProfile; }

void resetSafeStart() { safe = SafeStart{}; }

}  // namespace vt
