#include "tools/sysdigest/ProgressDialog.h"

#include "platform/win32/Win32Include.h"

#include <cstring>

namespace vt::sysdigest {
namespace {

constexpr const char* ProgramTitle = "Vantrelis";
constexpr const char* DialogCaption = "Progress";
constexpr const char* DialogClass = "#32770";
constexpr DWORD PollMs = 25;
constexpr DWORD WrittenShownMs = 1000;
constexpr DWORD FailedCloseMs = 5000;  // the dialog takes a second; a hung program must not hold us

bool hasTitle(HWND window, const char* title) {
    char text[64] = {};
    GetWindowTextA(window, text, sizeof text);
    return std::strcmp(text, title) == 0;
}

BOOL CALLBACK matchProgressDialog(HWND window, LPARAM context) {
    char type[16] = {};
    GetClassNameA(window, type, sizeof type);
    if (std::strcmp(type, DialogClass) != 0 || !hasTitle(window, DialogCaption)) return TRUE;
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr || !hasTitle(owner, ProgramTitle)) return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

HWND findProgressDialog() {
    HWND found = nullptr;
    EnumWindows(matchProgressDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

ProgressDialog ProgressDialog::find(std::uint32_t patienceMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND dialog = findProgressDialog()) return ProgressDialog(dialog);
        const bool programRunning = FindWindowA(nullptr, ProgramTitle) != nullptr;
        if (!programRunning || GetTickCount() - start >= patienceMs) return ProgressDialog(nullptr);
        Sleep(PollMs);
    }
}

bool ProgressDialog::alive() {
    if (dialog_ != nullptr && !IsWindow(static_cast<HWND>(dialog_))) dialog_ = nullptr;
    return dialog_ != nullptr;
}

void ProgressDialog::advance() {
    if (alive()) PostMessageA(static_cast<HWND>(dialog_), ProgressStep, 0, 0);
}

void ProgressDialog::reportWritten() {
    if (!alive()) return;
    PostMessageA(static_cast<HWND>(dialog_), ProgressWritten, 0, 0);
    Sleep(WrittenShownMs);
    if (alive()) PostMessageA(static_cast<HWND>(dialog_), ProgressClose, 0, 0);
}

void ProgressDialog::reportFailed() {
    if (!alive()) return;
    // Posted behind the steps: a sent message would overtake the steps still
    // queued. The wait for the dialog to close gives what sending would.
    PostMessageA(static_cast<HWND>(dialog_), ProgressFailed, 0, 0);
    const DWORD start = GetTickCount();
    while (alive() && GetTickCount() - start < FailedCloseMs) Sleep(PollMs);
}

}  // namespace vt::sysdigest
