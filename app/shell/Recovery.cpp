#include "app/shell/Recovery.h"

#include "gpu/MonitorRows.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/PanelEdit.h"
#include "app/ShellState.h"
#include "app/panels/GpuList.h"
#include "app/panels/PresetButtons.h"
#include "app/panels/ProfileLoads.h"
#include "app/shell/SafeStart.h"
#include "gpu/Apply.h"
#include "gpu/GpuRebind.h"
#include "gpu/Monitor.h"
#include "gpu/SafetyNet.h"
#include "gpu/SettingsInForce.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "settings/Profile.h"
#include "settings/ReplacingFile.h"
#include "settings/SafetyFiles.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "ui/Repaint.h"

namespace vt {
namespace {

constexpr std::uint32_t ResumeGraceMs = 3000;
constexpr std::uint32_t RebindPeriodMs = 1000;
// The profile that re-applies settings not made of a preset; it lives only
// for the load.
constexpr const char* ReapplyPath = "profile/reapply.cfg";
constexpr const char* RevertedNotice =
    "ドライバーが直前の変更の直後にリセットされたため、その変更を元に戻しました。";
constexpr const char* Caption = "Vantrelis";

struct Recovery {
    bool automaticResumeSeen = false;  // since the last suspend
    bool driverAway = false;
    bool lostWhileUnproven = false;  // the driver went before the last change proved itself
} recovery;

void reapplyPreset(std::int32_t preset) {
    beginApply();
    if (!applyEasyPreset(preset)) return;
    panel.easyChoice = preset;
    markPresetButtons(preset);
}

void reapplyThroughProfile(const SettingsInForce& inForce) {
    const bool written = writeReplacing(ReapplyPath, [&inForce](std::FILE* out) {
        writeProfile(out, inForce.settings, inForce.gpus, inForce.gpu);
    });
    if (!written) return;
    loadProfileFile(ReapplyPath);
    std::remove(ReapplyPath);
    showAppliedSettings();
}

// Through the road that gives these settings as the user would: the preset
// they were, or a profile of them.
void reapply(const SettingsInForce& inForce) {
    const std::int32_t preset = inForce.settings.easySettings;
    if (preset >= PresetHighPerformance && preset <= PresetEco) {
        reapplyPreset(preset);
    } else {
        reapplyThroughProfile(inForce);
    }
    repaint();
}

// The card is read back; only what it no longer holds is given again, once.
void checkSettingsInForce(const char* event) {
    const std::optional<SettingsInForce> inForce = settingsInForce();
    if (!inForce || inForce->gpu >= inventory.count || inventory.slots[inForce->gpu].handle == nullptr) return;
    readTunedValues(inForce->gpu);
    if (cardHolds(inForce->card, cardSettingsFromRecords(inForce->gpu))) {
        logProgramLine(std::string(event) + " = HELD\n");
        return;
    }
    logProgramLine(std::string(event) + " = REAPPLY\n");
    const MonitorEventLabel label(std::string(event) == "RESUME" ? "resume re-apply" : "driver reset re-apply");
    reapply(*inForce);
}

bool lastGoodValid() {
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < inventory.count && i < MaxGpus; ++i) ids.push_back(inventory.slots[i].deviceId);
    return platform().fileExists(lastGoodPath()) && checkProfile(lastGoodPath(), ids);
}

// The driver reset right after a change: it is not given again. The last
// proven settings come back, or the driver's defaults stay.
void revertUnprovenChange(WindowHandle window) {
    forgetSettingsInForce();
    logProgramLine("DRIVER_RESET = REVERTED\n");
    if (lastGoodValid()) {
        loadProfileFile(lastGoodPath());
        showAppliedSettings();
    } else {
        endProving();
    }
    repaint();
    platform().messageBox(window, RevertedNotice, Caption);
}

void driverBack(WindowHandle window) {
    Platform& os = platform();
    os.killTimer(window, TIMER_REBIND);
    recovery.driverAway = false;
    logProgramLine("DRIVER = BACK\n");
    for (int i = 0; i < inventory.count && i < MaxGpus; ++i) {
        if (inventory.slots[i].handle == nullptr) showGpuGone(i);
    }
    lifecycle.monitoringStale = 1;
    lifecycle.driverLost = 0;
    if (recovery.lostWhileUnproven) {
        revertUnprovenChange(window);
    } else {
        checkSettingsInForce("DRIVER_RESET");
    }
    gpuWorkers.requestPass();
}

void tryRebind(WindowHandle window) {
    RebindResult result = RebindResult::DriverAway;
    {
        const DriverGate::Hold hold = gpuWorkers.gate().close(GateHolder::Recovery);
        result = rebindGpus();
    }
    if (result == RebindResult::Rebound) driverBack(window);
}

}  // namespace

void onPowerBroadcast(WindowHandle window, WParam event) {
    if (event == PbtApmSuspend) {
        recovery.automaticResumeSeen = false;
        return;
    }
    const bool resume = event == PbtApmResumeAutomatic || (event == PbtApmResumeSuspend && !recovery.automaticResumeSeen);
    if (event == PbtApmResumeAutomatic) recovery.automaticResumeSeen = true;
    // Setting the timer again restarts it: one check for a burst of resumes.
    if (resume) platform().setTimer(window, TIMER_RESUME_GRACE, ResumeGraceMs);
}

void onDriverLost(WindowHandle window) {
    if (recovery.driverAway) return;
    recovery.driverAway = true;
    recovery.lostWhileUnproven = provingOpen();
    logProgramLine("DRIVER = LOST\n");
    platform().setTimer(window, TIMER_REBIND, RebindPeriodMs);
}

bool onRecoveryTimer(WindowHandle window, WParam timer) {
    if (timer == TIMER_RESUME_GRACE) {
        platform().killTimer(window, TIMER_RESUME_GRACE);
        // A driver that is away is checked when it comes back.
        if (!recovery.driverAway) checkSettingsInForce("RESUME");
        return true;
    }
    if (timer == TIMER_REBIND) {
        tryRebind(window);
        return true;
    }
    return false;
}

void resetRecovery() { recovery = Recovery{}; }

}  // namespace vt
