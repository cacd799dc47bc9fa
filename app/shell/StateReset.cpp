#include "app/shell/StateReset.h"

#include "app/panels/EasyPanel.h"
#include "app/panels/GpuList.h"
#include "app/panels/ModeSwitch.h"
#include "app/panels/MonitorPanel.h"
#include "app/panels/PageTabs.h"
#include "app/PanelEdit.h"
#include "app/panels/SettingsButton.h"
#include "app/ShellState.h"
#include "app/panels/ShownGpu.h"
#include "app/panels/SliSyncBox.h"
#include "app/panels/SliderPanel.h"
#include "app/shell/Recovery.h"
#include "app/shell/SafeStart.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/SafetyNet.h"
#include "gpu/SettingsInForce.h"
#include "gpu/WindowHooks.h"
#include "gpu/Workers.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"

namespace vt {

void resetAllState() {
    shell.input = InputState{};
    shell.windowDragging = 0;
    shell.captionDragPending = 0;
    shell.presetApplyRequest = 0;
    lifecycle.hiddenToTray = 0;
    gpuWorkers.reopenGate();
    resetSafetyNet();
    resetSafeStart();
    resetRecovery();
    forgetSettingsInForce();
    lifecycle.modal = ModalResults{};
    lifecycle.activePage = 0;
    resetPanelEdit();
    resetSliderPanel();
    resetPageTabs();
    resetModeSwitch();
    resetSettingsButton();
    resetGpuList();
    resetEasyPanel();
    resetSliSyncBox();
    resetMonitorTexts();
    forgetShownGpu();
    resetTuningSettings();
    resetGpuInventory();
    resetMonitorSample();
    windowHooks = {};
    settingsSession = nullptr;
}

}  // namespace vt
