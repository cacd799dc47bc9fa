#include "app/shell/Shutdown.h"

#include <string>

#include "app/ShellState.h"
#include "app/shell/OptionsInForce.h"
#include "app/shell/SafeStart.h"
#include "app/shell/Tray.h"
#include "driver/DriverApi.h"
#include "gpu/Apply.h"
#include "gpu/CurrentProfile.h"
#include "gpu/GpuWalk.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "gpu/SafetyNet.h"
#include "gpu/Workers.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "settings/Profile.h"
#include "settings/SettingsHistory.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "ui/BackBuffer.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

void saveProfile() {
    Platform& os = platform();
    const std::string folder = lifecycle.programFolder + "/" + ProfileFolder;
    if (!os.isDirectory(folder)) os.createDirectory(folder);
    writeCurrentProfileFile(lifecycle.programFolder + "/" + ProfilePath);
}

// The driver's own fan policy again, for every GPU with SLI-SYNC (until one
// refuses), else for the current GPU.
void handFansBack() {
    if (inventory.count == 0) return;
    sendToGpus([](GpuSlot& gpu) { return DriverApi::restoreCoolerSettings(gpu.handle, nullptr, 0); });
}

}  // namespace

void runShutdown() {
    Platform& os = platform();
    // Workers and writers finish first: nothing may touch the driver, the
    // history or the views once they are gone, and a pending record is kept.
    lifecycle.running = 0;
    gpuWorkers.stop();
    finishApplySettle();
    finishHistoryWriter();

    // A safe start whose user chose nothing keeps the stored profile: its
    // values were never on the card this run.
    if (!storedProfileKept()) saveProfile();
    writeEndLine();
    endOptions(lifecycle.mainWindow);
    if (tuning.fanLevel != 0) handFansBack();
    // The clean end: the guard finds nothing to hand back, and the next start
    // trusts this run's settings.
    clearHeldFans();
    endProving();
    // Once the files are written and the fans are the driver's again, a copy
    // started meanwhile may take over: it waits for this mutex, and the rest
    // (under Wine the tray alone can take two seconds) touches nothing it uses.
    if (shell.instanceMutex != nullptr) {
        os.releaseMutex(shell.instanceMutex);
        os.closeMutex(shell.instanceMutex);
        shell.instanceMutex = nullptr;
    }
    trayRemove();
    if (shell.uiFont != nullptr) os.deleteFont(shell.uiFont);
    shell.uiFont = nullptr;
    backBuffer.destroy();
    shell.capturedView = nullptr;
    shell.hoveredView = nullptr;
    widgets = Widgets{};
    shell.rootView.reset();
    os.postQuitMessage(0);
}

}  // namespace vt
