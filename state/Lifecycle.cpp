#include "state/Lifecycle.h"

namespace vt {

Lifecycle lifecycle;

void resetLifecycle(Lifecycle& state) {
    state.running = 1;
    state.closing = 0;
    state.wndProcEnabled = 0;
    state.initDone = 0;
    state.hiddenToTray = 0;
    state.driverBusy = 0;
    state.applyInProgress = 0;
    state.resetInProgress = 0;
    state.inputHoldOff = 0;
    state.activePage = 0;
    state.modal = ModalResults{};
    state.mainWindow = nullptr;
    state.programFolder.clear();
}

}  // namespace vt
