#include "app/StateReset.h"

#include "app/EasyPanel.h"
#include "app/GpuList.h"
#include "app/ModeSwitch.h"
#include "app/MonitorPanel.h"
#include "app/PageTabs.h"
#include "app/PanelEdit.h"
#include "app/SettingsButton.h"
#include "app/ShellState.h"
#include "app/ShownGpu.h"
#include "app/SliSyncBox.h"
#include "app/SliderPanel.h"
#include "gpu/FrameRateLimiter.h"
#include "gpu/WindowHooks.h"
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
    lifecycle.driverBusy = 0;
    lifecycle.inputHoldOff = 0;
    lifecycle.applyInProgress = 0;
    lifecycle.resetInProgress = 0;
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
