// Main window initialisation: the fixed order in which the running
// application is built, and the one way every fatal failure ends it.
#include "app/shell/MainWindow.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/shell/AppWindowHooks.h"
#include "app/shell/SafeStart.h"
#include "app/PanelEdit.h"
#include "app/panels/ProfileLoads.h"
#include "app/ShellState.h"
#include "app/shell/StateReset.h"
#include "app/shell/Tray.h"
#include "gpu/Apply.h"
#include "gpu/InventoryBuilder.h"
#include "gpu/Monitor.h"
#include "gpu/SafetyNet.h"
#include "gpu/ProfileApplication.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "settings/Profile.h"
#include "settings/SafetyFiles.h"
#include "settings/SettingsHistory.h"
#include "state/GpuInventory.h"
#include "state/Lifecycle.h"
#include "state/MonitorSample.h"
#include "state/TuningSettings.h"
#include "ui/BackBuffer.h"
#include "ui/SkinArchive.h"
#include "ui/WidgetLayout.h"

namespace vt {
namespace {

constexpr const char* Caption = "Vantrelis";
constexpr const char* GuardProgram = "VantrelisGuard.exe";
constexpr const char* FiveGpusNotice =
    "ビデオカードが5枚以上存在します\n認識できるビデオカードは4枚までです\n4枚までを認識します";

// What a failed start has to undo.
struct StartUp {
    bool trayAdded = false;
    bool threadsStarted = false;
    std::FILE* archive = nullptr;

    int fail(std::string_view message, WindowHandle owner) {
        lifecycle.wndProcEnabled = 0;  // timer ticks during the box must not reach half-built panels
        platform().messageBox(owner, message, Caption);
        if (archive != nullptr) std::fclose(archive);
        archive = nullptr;
        if (threadsStarted) {
            lifecycle.running = 0;
            gpuWorkers.stop();
        }
        widgets = Widgets{};
        shell.rootView.reset();
        if (trayAdded) trayRemove();
        backBuffer.destroy();
        return 0;
    }
};

bool windowsXpOrLater() {
    OsVersion version = platform().osVersion();
    return version.major > 5 || (version.major == 5 && version.minor >= 1);
}

// A popup sized so that its client area is exactly 640 x 650.
void sizeClientArea(WindowHandle window) {
    Platform& os = platform();
    Rect frame = os.windowRect(window);
    frame.right = frame.left + WindowWidth;
    frame.bottom = frame.top + WindowHeight;
    frame = os.adjustWindowRect(frame, WsPopup, 0);
    os.setWindowPos(window, frame.left, frame.top, frame.width(), frame.height(), SwpNoZOrder);
}

std::vector<std::uint32_t> presentDeviceIds() {
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < inventory.count; ++i) ids.push_back(inventory.slots[i].deviceId);
    return ids;
}

// The guard beside the program: should the program die holding the fans,
// it hands them back. A guard that is not there or cannot start changes
// nothing here.
void startGuard() {
    Platform& os = platform();
    std::string guard = os.programFile();
    const std::size_t slash = guard.find_last_of("\\/");
    guard = (slash == std::string::npos ? std::string() : guard.substr(0, slash + 1)) + GuardProgram;
    if (!os.fileExists(guard)) return;
    os.shellExecute(nullptr, "open", guard, std::to_string(os.processId()) + " \"" + lifecycle.programFolder + "\"",
                    nullptr, SwHide);
}

bool validForTheseGpus(const std::string& path) {
    return platform().fileExists(path) && checkProfile(path, presentDeviceIds());
}

// Step 14 and 15: the stored profile, or a fresh history without one. A
// start that finds an unproven apply's marker applies nothing and asks later;
// its history stays as it is when the profile is valid.
StartDecision applyStoredProfile() {
    tuning.sliSync = 1;
    const bool valid = validForTheseGpus(ProfilePath);
    const StartDecision decision = decideStart(readPendingMarker(), valid, validForTheseGpus(lastGoodPath()));
    if (valid && decision.applyProfile) {
        tuningWriteBegins(RoadStartup);
        applyStartupProfile();
        return decision;
    }
    if (valid) return decision;
    tuning.fanLevel = 0;
    tuning.pstate = -1;
    resetHistory();
    return decision;
}

}  // namespace

void quitOnImageFailure() { platform().postQuitMessage(0); }

int initMainWindow(const std::string& className, const std::string& title, int showCommand, int startPreset) {
    Platform& os = platform();
    StartUp start;
    const Size screen = os.screenSize();
    WindowHandle window = os.createWindow(className, title, WsPopup, screen.width / 2 - WindowWidth / 2,
                                          screen.height / 2 - WindowHeight / 2, 0, 0);
    if (window == nullptr) return start.fail("ウィンドウを作成できません", nullptr);
    lifecycle.mainWindow = window;

    trayAdd(os.loadIcon(iconForPreset(startPreset)));
    start.trayAdded = true;
    if (!windowsXpOrLater()) return start.fail("XP以降のOSが必要です", window);
    lifecycle.programFolder = os.currentDirectory().substr(0, 260);
    os.reportCrashes(lifecycle.programFolder + "/" + LogFolder);
    sizeClientArea(window);
    backBuffer.create(window);
    shell.uiFont = os.createUiFont(12, 400, 128, u"ＭＳ Ｐゴシック");
    if (shell.uiFont == nullptr) return start.fail("フォント作成エラー", nullptr);
    resetAllState();

    InventoryResult inventoryResult = buildInventory();
    if (inventoryResult.tooManyGpus) os.messageBox(window, FiveGpusNotice, Caption);
    switch (inventoryResult.failure) {
        case InventoryResult::DriverInit:
            return start.fail("NvAPIの初期化に失敗しました\nerrorcode " + std::to_string(inventoryResult.status), window);
        case InventoryResult::GpuName:
            return start.fail("GPU名を取得できません", window);
        case InventoryResult::DeviceId:
            return start.fail("デバイスIDを取得できません", window);
        case InventoryResult::None:
            break;
    }

    startGuard();
    const StartDecision decision = applyStoredProfile();
    noteStartDecision(decision);
    if (activeGpuIndex() == -1) return start.fail("GPUActiveIDを取得できません", window);
    if (!decision.safeStart) applyStoredPstate();
    tuningWriteSettled();
    refreshHeldFans();
    writeStartLine();
    if (decision.safeStart) logProgramLine("SAFE_START = " + decision.marker.road + " " + decision.marker.time + "\n");

    start.archive = openSkinArchive();
    if (start.archive == nullptr) return start.fail(ArchiveUnreadableMessage, window);
    LayoutInputs inputs;
    inputs.activeGpu = currentGpuIndex();
    inputs.monitorWidgetsReady = [&start] {
        gpuWorkers.start();
        start.threadsStarted = true;
    };
    View::setImageFailureHandler(quitOnImageFailure);
    // The threads start while the tree is built; what they ask of the window
    // is there before them.
    installWindowHooks();
    shell.rootView = buildWidgetTree(start.archive, inputs, widgets, widgetTexts);
    if (shell.rootView == nullptr) return start.fail(OutOfMemoryMessage, window);

    followStoredPreset();
    std::fclose(start.archive);
    os.showWindow(window, showCommand);
    os.updateWindow(window);
    if (safeStartNoticeDue()) os.postMessage(window, WM_SAFE_START, 0, 0);
    return 1;
}

}  // namespace vt
