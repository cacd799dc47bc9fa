#include "app/shell/CommandHandOff.h"

#include <optional>

#include "app/panels/ActionButtons.h"
#include "app/panels/ProfileLoads.h"
#include "app/ShellState.h"
#include "app/shell/Tray.h"
#include "driver/DriverApi.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "settings/OperationLog.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

constexpr const char* Caption = "Vantrelis";

std::optional<CommandRequest> keptRequest;

// Counts of what the driver and the log refused, before the request ran.
struct RefusalMark {
    std::uint32_t failedLines = failedLinesLogged();
    std::uint32_t refusedWrites = DriverApi::refusedWritesOnThisThread();
    bool passed() const {
        return failedLinesLogged() != failedLines || DriverApi::refusedWritesOnThisThread() != refusedWrites;
    }
};

// Each road as the window's own control takes it; false when nothing was done.
bool takeRoad(const CommandRequest& request) {
    const WindowStaysInTray quietly;
    switch (request.kind) {
        case RequestKind::Preset:
            return applyPresetNow(request.preset);
        case RequestKind::Load:
            if (!platform().fileExists(request.file)) return false;
            loadProfileFile(request.file);
            return true;
        case RequestKind::History:
            return loadHistoryRecord(request.historyAge);
        case RequestKind::Reset:
            return resetWithoutAsking();
        case RequestKind::Quit:
            // As the tray's "close".
            trayRemove();
            platform().postMessage(lifecycle.mainWindow, WM_QUIT_REQUEST, 0, 0);
            return true;
        case RequestKind::None:
            break;
    }
    return false;
}

}  // namespace

int reportBadArguments(const std::string& error) {
    Platform& os = platform();
    if (os.attachParentConsole()) {
        os.writeStandardError("Vantrelis: " + error + ". Usage: " + CommandLineUsage);
    } else {
        os.messageBox(nullptr, error + "\n\n" + CommandLineUsage, Caption);
    }
    return static_cast<int>(RequestOutcome::NotDone);
}

bool settleRequestFile(CommandRequest& request, std::string& error) {
    if (request.kind != RequestKind::Load) return true;
    request.file = absoluteProfilePath(request.file, platform().currentDirectory());
    if (platform().fileExists(request.file)) return true;
    error = "no such profile file \"" + request.file + "\"";
    return false;
}

int handRequestToRunningCopy(const CommandRequest& request, MutexHandle mutex, const std::string& windowClass) {
    Platform& os = platform();
    const std::string record = serialiseRequest(request);
    const std::uint32_t start = os.tickCount();
    for (;;) {
        const std::uint32_t spent = os.tickCount() - start;
        if (spent >= RequestAnswerWaitMs) break;
        // By class as well as title: a message box of the running copy is
        // titled "Vantrelis" too.
        if (WindowHandle window = os.findWindow(windowClass.c_str(), "Vantrelis")) {
            LResult answer = 0;
            if (!os.sendCopyData(window, CommandRequestTag, record, RequestAnswerWaitMs - spent, answer)) break;
            const RequestOutcome outcome = decodeAnswer(answer);
            if (outcome != RequestOutcome::Later) return static_cast<int>(outcome);
            os.sleep(RequestRetryMs);
            continue;
        }
        // No window: the other copy is starting, or it is ending and lets go.
        if (mutex != nullptr && os.waitForMutex(mutex, RequestRetryMs) == MutexWait::Acquired) return -1;
    }
    return static_cast<int>(RequestOutcome::NotDone);
}

RequestOutcome carryOutRequest(const CommandRequest& request) {
    // A copy on its way out is asked again until it has gone; the new copy
    // then starts as the program and runs the request itself.
    const bool ending = lifecycle.running != 1 || lifecycle.closing != 0;
    if (ending || lifecycle.initDone == 0 || shell.rootView == nullptr || lifecycle.modal.anyOpen()) {
        return RequestOutcome::Later;
    }
    const RefusalMark mark;
    if (!takeRoad(request)) return mark.passed() ? RequestOutcome::Refused : RequestOutcome::NotDone;
    return mark.passed() ? RequestOutcome::Refused : RequestOutcome::Done;
}

LResult onCopyData(LParam lParam) {
    const auto* data = reinterpret_cast<const CopyDataRecord*>(lParam);
    if (data == nullptr || data->tag != CommandRequestTag || (data->data == nullptr && data->size != 0)) {
        return encodeAnswer(RequestOutcome::NotDone);
    }
    const std::optional<CommandRequest> request =
        parseSerialisedRequest(std::string_view(static_cast<const char*>(data->data), data->size));
    if (!request) return encodeAnswer(RequestOutcome::NotDone);
    return encodeAnswer(carryOutRequest(*request));
}

void keepRequestForStart(const CommandRequest& request) { keptRequest = request; }

void runKeptRequestSoon(WindowHandle window) {
    if (keptRequest) platform().postMessage(window, WM_RUN_REQUEST, 0, 0);
}

void onRunRequest(WindowHandle window) {
    if (!keptRequest) return;
    if (carryOutRequest(*keptRequest) == RequestOutcome::Later) {
        platform().setTimer(window, TIMER_REQUEST_RETRY, RequestRetryMs);
        return;
    }
    keptRequest.reset();
}

void onRequestTimer(WindowHandle window, std::uintptr_t timer) {
    if (timer != TIMER_REQUEST_RETRY) return;
    platform().killTimer(window, TIMER_REQUEST_RETRY);
    onRunRequest(window);
}

}  // namespace vt
