// Hook procedures that windowprobe.exe installs into the program under test,
// so that the test can see what only that process can see: which icon its
// window class uses, and which windows it creates.
#include <windows.h>

#include <cstdio>

namespace {

void appendLine(const char* line) {
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    lstrcatA(path, "vantrelis-probe.txt");
    if (std::FILE* out = std::fopen(path, "a")) {
        std::fprintf(out, "%s\n", line);
        std::fclose(out);
    }
}

// LoadIcon hands out one shared handle per resource, so the class icon is
// identified by comparing it with the program's own icons.
void reportClassIcon(HWND window) {
    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    HICON small = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
    int found = 0;
    int foundSmall = 0;
    for (int id = 161; id <= 164; ++id) {
        HICON candidate = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        if (candidate == icon) found = id;
        if (candidate == small) foundSmall = id;
    }
    char line[64];
    std::snprintf(line, sizeof line, "classicon %d %d", found, foundSmall);
    appendLine(line);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK probeMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (message->message == WM_NULL && message->wParam == 0x5650 && message->lParam == 0x524F) {
            reportClassIcon(message->hwnd);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK probeCreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        char line[300];
        const char* title = create->lpcs->lpszName != nullptr ? create->lpcs->lpszName : "";
        std::snprintf(line, sizeof line, "created pid=%lu title=%s", GetCurrentProcessId(), title);
        appendLine(line);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
