#include "app/shell/Startup.h"

#include <string>

#include "app/shell/CommandHandOff.h"
#include "app/shell/MainWindow.h"
#include "app/shell/OptionsInForce.h"
#include "app/ShellState.h"
#include "app/shell/Tray.h"
#include "app/shell/WindowProcedure.h"
#include "gpu/Monitor.h"
#include "gpu/Workers.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/Profile.h"
#include "settings/SafetyFiles.h"
#include "state/Lifecycle.h"
#include "state/TuningSettings.h"
#include "resources/ResourceIds.h"

namespace vt {
namespace {

// The title and class buffers hold 100 characters with the terminator.
std::string resourceText(unsigned id) { return platform().loadString(id).substr(0, 99); }

// How long a new copy waits for a copy that is ending to let go of the mutex.
constexpr std::uint32_t EndingCopyWaitMs = 2000;

// Another copy holds the mutex: bring its window forward. True when it says
// it has shown it; false when it has no window yet, is already ending, or
// ended before it could answer.
bool handOverToRunningCopy() {
    WindowHandle running = platform().findWindow(nullptr, "Vantrelis");
    if (running == nullptr) return false;
    return platform().sendMessage(running, WM_SHOW_INSTANCE, 0, 0) == ShowInstanceShown;
}

// The other copy did not take the hand-over: it is starting (no window yet)
// or ending. A copy that ends lets go of the mutex within the wait, and a
// double-click made in that moment must still start the program; a copy
// that is starting keeps it, and this one ends.
bool takeOverFromEndingCopy(MutexHandle mutex) {
    return mutex != nullptr && platform().waitForMutex(mutex, EndingCopyWaitMs) == MutexWait::Acquired;
}

int messageLoop(AcceleratorHandle accelerators) {
    Platform& os = platform();
    Message message;
    while (os.getMessage(message) > 0) {
        if (!os.translateAccelerator(message.window, accelerators, message)) {
            os.translateMessage(message);
            os.dispatchMessage(message);
        }
        os.sleep(1);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int readStartPreset() {
    std::int32_t preset = PresetCustom;
    // Behind an unproven apply's marker the stored preset is not applied.
    if (platform().fileExists(PendingMarkerRelativePath)) return preset;
    if (platform().fileExists(ProfilePath)) lookupInteger(ProfilePath, "EASY_SETTINGS", preset);
    return preset;
}

int runApplication(int showCommand, const std::vector<std::string>& arguments) {
    Platform& os = platform();
    lifecycle.running = 1;
    lifecycle.closing = 0;

    // Bad arguments end the copy before it touches anything.
    ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.empty && !parsed.request) return reportBadArguments(parsed.error);
    if (parsed.request && !settleRequestFile(*parsed.request, parsed.error)) return reportBadArguments(parsed.error);

    bool alreadyExists = false;
    MutexHandle mutex = os.createMutex(InstanceMutexName, true, alreadyExists);
    if (mutex == nullptr) return parsed.request ? static_cast<int>(RequestOutcome::NotDone) : 0;
    if (alreadyExists && parsed.request) {
        const int outcome = handRequestToRunningCopy(*parsed.request, mutex, resourceText(IDS_CLASS));
        if (outcome >= 0) return outcome;
    } else if (alreadyExists && (handOverToRunningCopy() || !takeOverFromEndingCopy(mutex))) {
        return 0;
    }
    if (parsed.request && parsed.request->kind == RequestKind::Quit) {
        // Nothing runs that could quit.
        os.releaseMutex(mutex);
        os.closeMutex(mutex);
        return static_cast<int>(RequestOutcome::Done);
    }
    shell.instanceMutex = mutex;
    if (parsed.request) keepRequestForStart(*parsed.request);

    lifecycle.wndProcEnabled = 1;
    lifecycle.initDone = 0;
    int startPreset = readStartPreset();
    std::string title = resourceText(IDS_TITLE);
    std::string className = resourceText(IDS_CLASS);

    IconHandle icon = os.loadIcon(iconForPreset(startPreset));
    os.registerWindowClass({className, CsHRedraw | CsVRedraw, mainWindowProcedure, icon, icon});
    if (initMainWindow(className, title, showCommand, startPreset) == 0) return 0;

    AcceleratorHandle accelerators = os.loadAccelerators(IDA_MAIN);
    lifecycle.initDone = 1;
    takeOptionsAtStart(lifecycle.mainWindow);
    runKeptRequestSoon(lifecycle.mainWindow);
    const int exitCode = messageLoop(accelerators);
    // A quit that did not come through the shutdown sequence (a skin image
    // that would not decode) still takes the tray icon and the workers along.
    if (shell.rootView != nullptr) {
        trayRemove();
        lifecycle.running = 0;
        gpuWorkers.stop();
    }
    return exitCode;
}

}  // namespace vt
