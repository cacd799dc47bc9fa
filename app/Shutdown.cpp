#include "app/Shutdown.h"

#include <cstdio>
#include <string>

#include "app/ShellState.h"
#include "app/Tray.h"
#include "driver/DriverApi.h"
#include "gpu/Apply.h"
#include "gpu/CurrentProfile.h"
#include "gpu/GpuInventory.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "settings/SettingsHistory.h"
#include "settings/TuningSettings.h"
#include "ui/BackBuffer.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

void saveProfile() {
    Platform& os = platform();
    const std::string folder = shell.programFolder + "/profile";
    if (!os.isDirectory(folder)) os.createDirectory(folder);
    if (std::FILE* out = std::fopen((folder + "/profile.cfg").c_str(), "w")) {
        writeCurrentProfile(out);
        std::fclose(out);
    }
}

// The driver's own fan policy again, for every GPU with SLI-SYNC (until one
// refuses), else for the current GPU.
void handFansBack() {
    if (inventory.count == 0) return;
    if (tuning.sliSync != 1) {
        DriverApi::restoreCoolerSettings(inventory.slots[currentGpuIndex()].handle, nullptr, 0);
        return;
    }
    for (int i = 0; i < inventory.count && i < MaxGpus; ++i) {
        if (DriverApi::restoreCoolerSettings(inventory.slots[i].handle, nullptr, 0) != DriverOk) break;
    }
}

}  // namespace

void runShutdown() {
    Platform& os = platform();
    // Workers and writers finish first: nothing may touch the driver, the
    // history or the views once they are gone, and a pending record is kept.
    shell.running = 0;
    joinWorkerThreads();
    finishApplySettle();
    finishHistoryWriter();

    saveProfile();
    writeEndLine();
    trayRemove();
    if (tuning.fanLevel != 0) handFansBack();
    if (shell.uiFont != nullptr) os.deleteFont(shell.uiFont);
    shell.uiFont = nullptr;
    backBuffer.destroy();
    delete shell.rootView;
    shell.rootView = nullptr;
    shell.capturedView = nullptr;
    shell.hoveredView = nullptr;
    widgets = Widgets{};
    if (shell.instanceMutex != nullptr) {
        os.releaseMutex(shell.instanceMutex);
        os.closeMutex(shell.instanceMutex);
        shell.instanceMutex = nullptr;
    }
    os.postQuitMessage(0);
}

}  // namespace vt
