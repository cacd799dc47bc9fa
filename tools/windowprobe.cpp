// A small command-line tool with which the end-to-end tests look at the
// running program's windows from outside.
//
//   windowprobe wait TITLE MS          wait until a top-level window TITLE exists
//   windowprobe state TITLE            "visible=0|1 foreground=0|1 x y width height"
//   windowprobe hide TITLE             hide the window
//   windowprobe send TITLE MSG [W L]   send a message (numbers may be hex)
//   windowprobe postburst TITLE MSG W L MS
//                                      post the message every millisecond
//                                      for MS, so that one is always waiting
//   windowprobe classicon TITLE        the icon resource of the window's class
//   windowprobe texts TITLE            the texts one paint of the window draws,
//                                      one line each: "text x=X y=Y argb=AARRGGBB
//                                      TEXT", line breaks in TEXT as "|"
//   windowprobe watch MS PROGRAM       run PROGRAM, report the windows it creates
//                                      and its exit code
//   windowprobe messagebox TITLE MS    wait for a message box TITLE, print its
//                                      text ("text=..."), press its OK button
//   windowprobe dialog OWNER ID MS     wait for a dialog owned by the window
//                                      OWNER that has a control ID, print its
//                                      caption ("caption=..."), press ID
//   windowprobe dialogkey OWNER ID VK MS
//                                      the same dialog; key VK pressed on
//                                      its control ID
//   windowprobe dialogclose OWNER ID MS
//                                      the same dialog, closed by its close
//                                      box
//   windowprobe filedialog OWNER PATH MS
//                                      wait for a file dialog owned by OWNER,
//                                      print its caption, choose PATH ("-"
//                                      cancels the dialog); if
//                                      the dialog stays up, print what it
//                                      said ("refused=...") and fail
//   windowprobe list                   every visible top-level window and
//                                      every dialog, with its controls
//   windowprobe tray                   "visible=0|1": whether Wine's stand-alone
//                                      notification area shows any icon
//   windowprobe trayremove TITLE ID    take the notification icon ID of window
//                                      TITLE down, as a restarting shell loses it
//   windowprobe broadcast NAME         post the registered message NAME to every
//                                      top-level window, as the shell does
//   windowprobe progress OWNER MS      stand in for the program's progress
//                                      dialog: a "Progress" dialog owned by a
//                                      window titled OWNER; prints "ready",
//                                      then each message 0x8005 to 0x8008 it
//                                      gets ("0x8005"), until one closes it
//                                      or MS have passed
//   windowprobe blank TITLE MS         show a plain 640 x 650 window TITLE for
//                                      MS, then end: the floor a benchmark
//                                      measures the program's start against
//
// A TITLE names the program's own window before any dialog of the same
// caption.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

std::string probeLog() {
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    return std::string(path) + "vantrelis-probe.txt";
}

std::string readProbeLog() {
    std::string text;
    if (std::FILE* in = std::fopen(probeLog().c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, in)) text += line;
        std::fclose(in);
    }
    return text;
}

std::string takeProbeLog() {
    std::string text = readProbeLog();
    std::remove(probeLog().c_str());
    return text;
}

constexpr const char* DialogClass = "#32770";

struct Search {
    const char* title;
    bool dialog;  // look for a dialog, or for anything but one
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    char title[256] = {};
    char type[64] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, type, sizeof type);
    if (std::strcmp(title, search->title) != 0) return TRUE;
    if ((std::strcmp(type, DialogClass) == 0) != search->dialog) return TRUE;
    search->found = window;
    return FALSE;
}

// A message box may share the program's caption; the program's own window
// is meant unless a dialog is asked for.
HWND findTopLevel(const char* title, bool dialog = false) {
    Search search{title, dialog, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const char* title, DWORD milliseconds, bool dialog = false) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = findTopLevel(title, dialog)) return window;
        if (GetTickCount() - start >= milliseconds) return nullptr;
        Sleep(20);
    }
}

BOOL CALLBACK collectStaticText(HWND child, LPARAM context) {
    char type[64] = {};
    GetClassNameA(child, type, sizeof type);
    if (_stricmp(type, "Static") == 0) {
        char text[512] = {};
        GetWindowTextA(child, text, sizeof text);
        if (text[0] != '\0') *reinterpret_cast<std::string*>(context) += text;
    }
    return TRUE;
}

int messageBox(const char* title, DWORD milliseconds) {
    HWND box = waitForWindow(title, milliseconds, true);
    if (box == nullptr) return 2;
    std::string text;
    EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&text));
    for (char& c : text) {
        if (c == '\r') c = ' ';
        if (c == '\n') c = '|';
    }
    std::printf("text=%s\n", text.c_str());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

// A visible dialog owned by `owner` that `accepts` takes.
struct OwnedSearch {
    HWND owner;
    std::function<bool(HWND)> accepts;
    HWND found;
};

BOOL CALLBACK matchOwned(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<OwnedSearch*>(context);
    char type[64] = {};
    GetClassNameA(window, type, sizeof type);
    if (std::strcmp(type, DialogClass) != 0 || GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    if (!IsWindowVisible(window) || !search->accepts(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND findOwned(HWND owner, const std::function<bool(HWND)>& accepts) {
    OwnedSearch search{owner, accepts, nullptr};
    EnumWindows(matchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits for such a dialog of the window titled ownerTitle; prints its caption.
HWND waitForOwned(const char* ownerTitle, const std::function<bool(HWND)>& accepts, DWORD milliseconds) {
    HWND owner = findTopLevel(ownerTitle);
    if (owner == nullptr) return nullptr;
    const DWORD start = GetTickCount();
    HWND found = nullptr;
    while ((found = findOwned(owner, accepts)) == nullptr) {
        if (GetTickCount() - start >= milliseconds) return nullptr;
        Sleep(20);
    }
    char caption[256] = {};
    GetWindowTextA(found, caption, sizeof caption);
    std::printf("caption=%s\n", caption);
    return found;
}

// The program's modal dialogs carry Japanese captions; they are found by
// their owner and a control instead, so no such text needs to pass the command line.
HWND waitForOwnedDialog(const char* ownerTitle, int controlId, DWORD milliseconds) {
    return waitForOwned(
        ownerTitle, [controlId](HWND dialog) { return GetDlgItem(dialog, controlId) != nullptr; }, milliseconds);
}

void pressButton(HWND dialog, int controlId) {
    HWND button = GetDlgItem(dialog, controlId);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

int pressDialogButton(const char* ownerTitle, int controlId, DWORD milliseconds) {
    HWND dialog = waitForOwnedDialog(ownerTitle, controlId, milliseconds);
    if (dialog == nullptr) return 3;
    pressButton(dialog, controlId);
    return 0;
}

// A key pressed on one control of the dialog, as if it had the focus.
int pressDialogKey(const char* ownerTitle, int controlId, UINT key, DWORD milliseconds) {
    HWND dialog = waitForOwnedDialog(ownerTitle, controlId, milliseconds);
    if (dialog == nullptr) return 3;
    HWND control = GetDlgItem(dialog, controlId);
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
    return 0;
}

BOOL CALLBACK findEdit(HWND child, LPARAM context) {
    char type[64] = {};
    GetClassNameA(child, type, sizeof type);
    if (_stricmp(type, "Edit") != 0 || !IsWindowVisible(child)) return TRUE;
    *reinterpret_cast<HWND*>(context) = child;
    return FALSE;
}

// The file name field: edt1 in the old layout, the edit inside cmb13 in the
// explorer layout; otherwise the first visible edit.
HWND fileNameField(HWND dialog) {
    if (HWND field = GetDlgItem(dialog, 0x480)) return field;
    HWND field = nullptr;
    if (HWND combo = GetDlgItem(dialog, 0x47c)) EnumChildWindows(combo, findEdit, reinterpret_cast<LPARAM>(&field));
    if (field == nullptr) EnumChildWindows(dialog, findEdit, reinterpret_cast<LPARAM>(&field));
    return field;
}

// Types a path into the file name field of a common file dialog owned by the
// window OWNER and presses OK, or cancels it for "-"; prints the dialog's caption. Fails (4) when
// the dialog is still up after the press, printing what it said.
int chooseFile(const char* ownerTitle, const char* path, DWORD milliseconds) {
    HWND dialog = waitForOwned(
        ownerTitle, [](HWND window) { return fileNameField(window) != nullptr; }, milliseconds);
    if (dialog == nullptr) return 3;
    const bool cancel = std::strcmp(path, "-") == 0;
    if (!cancel) SendMessageA(fileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    const int button = cancel ? IDCANCEL : IDOK;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    const DWORD pressed = GetTickCount();
    while (IsWindow(dialog) && IsWindowVisible(dialog) && GetTickCount() - pressed < 3000) Sleep(20);
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return 0;
    // A message box the file dialog put up over itself, for example to refuse a name.
    HWND box = findOwned(dialog, [](HWND) { return true; });
    std::string text;
    if (box != nullptr) EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&text));
    std::printf("refused=%s\n", text.c_str());
    return 4;
}

HMODULE hookLibrary() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    std::strcpy(slash ? slash + 1 : path, "probehook.dll");
    return LoadLibraryA(path);
}

// Asks the program's window thread, through the message hook, for a report
// that ends with the line `last` (or is one line when `last` is empty).
int askProgram(const char* title, LPARAM question, const char* last, const char* none) {
    HWND window = findTopLevel(title);
    if (window == nullptr) return 2;
    HMODULE hooks = hookLibrary();
    auto procedure = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hooks, "probeMessageHook")));
    if (procedure == nullptr) return 3;
    takeProbeLog();
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, procedure, hooks, thread);
    if (hook == nullptr) return 4;
    // One question only: a program still busy starting up answers late, and
    // every extra question would come back as an extra report.
    PostMessageA(window, WM_NULL, 0x5650, question);
    std::string report;
    auto complete = [&report, last] {
        return *last == '\0' ? !report.empty() : report.find(std::string(last) + "\n") != std::string::npos;
    };
    // Read while the hook may still be writing, taken only once complete.
    for (int attempt = 0; attempt < 200 && !complete(); ++attempt) {
        Sleep(50);
        report = readProbeLog();
    }
    takeProbeLog();
    UnhookWindowsHookEx(hook);
    std::fputs(report.empty() ? none : report.c_str(), stdout);
    return complete() ? 0 : 5;
}

int classIcon(const char* title) { return askProgram(title, 0x524F, "", "classicon none\n"); }

int texts(const char* title) { return askProgram(title, 0x5458, "texts end", "texts none\n"); }

int watch(DWORD milliseconds, char* commandLine) {
    HMODULE hooks = hookLibrary();
    auto procedure = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hooks, "probeCreationHook")));
    if (procedure == nullptr) return 3;
    takeProbeLog();
    HHOOK hook = SetWindowsHookExA(WH_CBT, procedure, hooks, 0);
    if (hook == nullptr) return 4;
    STARTUPINFOA startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        UnhookWindowsHookEx(hook);
        return 6;
    }
    DWORD waited = WaitForSingleObject(process.hProcess, milliseconds);
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &exitCode);
    UnhookWindowsHookEx(hook);
    std::string report = takeProbeLog();
    std::string own = "pid=" + std::to_string(process.dwProcessId) + " ";
    std::size_t start = 0;
    while (start < report.size()) {
        std::size_t end = report.find('\n', start);
        std::string line = report.substr(start, end - start);
        if (line.find(own) != std::string::npos) std::printf("%s\n", line.c_str());
        start = end == std::string::npos ? report.size() : end + 1;
    }
    std::printf("exit %s %lu\n", waited == WAIT_OBJECT_0 ? "ended" : "running", exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// --- the stand-in progress dialog ---------------------------------------------

constexpr UINT FirstProgressMessage = 0x8005;
constexpr UINT LastProgressMessage = 0x8008;
constexpr UINT ProgressClose = 0x8006;
constexpr UINT ProgressFailed = 0x8008;

struct ProgressRecord {
    std::string messages;
    bool closed = false;
} progressRecord;

INT_PTR CALLBACK progressProcedure(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message < FirstProgressMessage || message > LastProgressMessage) return FALSE;
    char line[16];
    std::snprintf(line, sizeof line, "0x%04X\n", message);
    progressRecord.messages += line;
    // The program's dialog closes on these two (after a second for the failure).
    if (message == ProgressClose || message == ProgressFailed) progressRecord.closed = true;
    return TRUE;
}

// An empty dialog template: no menu, the dialog class, the caption.
struct ProgressTemplate {
    alignas(4) DLGTEMPLATE head;
    WORD menu, windowClass;
    WCHAR caption[9];
};

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int progress(const char* ownerTitle, DWORD milliseconds) {
    WNDCLASSA ownerClass{};
    ownerClass.lpfnWndProc = DefWindowProcA;
    ownerClass.hInstance = GetModuleHandleA(nullptr);
    ownerClass.lpszClassName = "VantrelisProbeOwner";
    RegisterClassA(&ownerClass);
    HWND owner = CreateWindowExA(0, ownerClass.lpszClassName, ownerTitle, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, ownerClass.hInstance, nullptr);
    ProgressTemplate layout{};
    layout.head.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    layout.head.cx = 200;
    layout.head.cy = 58;
    std::memcpy(layout.caption, L"Progress", sizeof layout.caption);
    HWND dialog = CreateDialogIndirectParamA(ownerClass.hInstance, &layout.head, owner, progressProcedure, 0);
    if (owner == nullptr || dialog == nullptr) return 2;
    std::printf("ready\n");
    std::fflush(stdout);

    const DWORD start = GetTickCount();
    while (!progressRecord.closed && GetTickCount() - start < milliseconds) {
        pumpMessages();
        Sleep(5);
    }
    // A moment more: anything that still arrives after the close is a fault to show.
    const DWORD closedAt = GetTickCount();
    while (progressRecord.closed && GetTickCount() - closedAt < 300) {
        pumpMessages();
        Sleep(5);
    }
    DestroyWindow(dialog);
    DestroyWindow(owner);
    std::fputs(progressRecord.messages.c_str(), stdout);
    return 0;
}

}  // namespace

BOOL CALLBACK listChild(HWND child, LPARAM depth) {
    char type[64] = {};
    char text[128] = {};
    GetClassNameA(child, type, sizeof type);
    GetWindowTextA(child, text, sizeof text);
    RECT frame{};
    GetWindowRect(child, &frame);
    std::printf("  child id=0x%x class=%s visible=%d at=%ld,%ld size=%ldx%ld text=%s\n",
                static_cast<unsigned>(GetDlgCtrlID(child)), type, IsWindowVisible(child) ? 1 : 0, frame.left,
                frame.top, frame.right - frame.left, frame.bottom - frame.top, text);
    (void)depth;
    return TRUE;
}

BOOL CALLBACK listWindow(HWND window, LPARAM) {
    char type[64] = {};
    char text[128] = {};
    GetClassNameA(window, type, sizeof type);
    GetWindowTextA(window, text, sizeof text);
    if (!IsWindowVisible(window) && std::strcmp(type, DialogClass) != 0) return TRUE;
    RECT frame{};
    GetWindowRect(window, &frame);
    std::printf("window %p class=%s owner=%p visible=%d at=%ld,%ld size=%ldx%ld text=%s\n",
                static_cast<void*>(window), type, static_cast<void*>(GetWindow(window, GW_OWNER)),
                IsWindowVisible(window) ? 1 : 0, frame.left, frame.top, frame.right - frame.left,
                frame.bottom - frame.top, text);
    if (std::strcmp(type, DialogClass) == 0) EnumChildWindows(window, listChild, 0);
    return TRUE;
}

// A window that draws nothing of its own, shown at once like the program's.
int showBlank(const char* title, DWORD milliseconds) {
    WNDCLASSA type{};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = GetModuleHandleA(nullptr);
    type.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    type.lpszClassName = "VantrelisBlank";
    if (RegisterClassA(&type) == 0) return 3;
    HWND window = CreateWindowExA(0, type.lpszClassName, title, WS_POPUP, 0, 0, 640, 650, nullptr, nullptr,
                                  type.hInstance, nullptr);
    if (window == nullptr) return 4;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    const DWORD until = GetTickCount() + milliseconds;
    MSG message;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    DestroyWindow(window);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    std::string command = argv[1];
    const char* title = argc > 2 ? argv[2] : "";
    if (command == "wait" && argc >= 4) {
        return waitForWindow(title, std::strtoul(argv[3], nullptr, 0)) ? 0 : 2;
    }
    if (command == "list") {
        EnumWindows(listWindow, 0);
        return 0;
    }
    if (command == "tray") {
        HWND tray = FindWindowA(nullptr, "Wine System Tray");
        std::printf("visible=%d\n", tray != nullptr && IsWindowVisible(tray) ? 1 : 0);
        return 0;
    }
    if (command == "trayremove" && argc >= 4) {
        NOTIFYICONDATAA icon{};
        icon.cbSize = sizeof icon;
        icon.hWnd = findTopLevel(title);
        icon.uID = std::strtoul(argv[3], nullptr, 0);
        return icon.hWnd != nullptr && Shell_NotifyIconA(NIM_DELETE, &icon) ? 0 : 2;
    }
    if (command == "blank" && argc >= 4) return showBlank(title, std::strtoul(argv[3], nullptr, 0));
    if (command == "broadcast") {
        const UINT message = RegisterWindowMessageA(title);
        return message != 0 && PostMessageA(HWND_BROADCAST, message, 0, 0) ? 0 : 2;
    }
    if (command == "progress" && argc >= 4) return progress(title, std::strtoul(argv[3], nullptr, 0));
    if (command == "messagebox" && argc >= 4) return messageBox(title, std::strtoul(argv[3], nullptr, 0));
    if (command == "dialog" && argc >= 5) {
        return pressDialogButton(title, std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 0));
    }
    if (command == "dialogkey" && argc >= 6) {
        return pressDialogKey(title, std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 0),
                              std::strtoul(argv[5], nullptr, 0));
    }
    if (command == "dialogclose" && argc >= 5) {
        HWND dialog = waitForOwnedDialog(title, std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 0));
        if (dialog == nullptr) return 3;
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == "filedialog" && argc >= 5) return chooseFile(title, argv[3], std::strtoul(argv[4], nullptr, 0));
    if (command == "state") {
        HWND window = findTopLevel(title);
        if (window == nullptr) return 2;
        RECT frame{};
        GetWindowRect(window, &frame);
        std::printf("visible=%d foreground=%d %ld %ld %ld %ld\n", IsWindowVisible(window) ? 1 : 0,
                    GetForegroundWindow() == window ? 1 : 0, frame.left, frame.top, frame.right - frame.left,
                    frame.bottom - frame.top);
        return 0;
    }
    if (command == "hide") {
        HWND window = findTopLevel(title);
        if (window == nullptr) return 2;
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    if (command == "send" && argc >= 4) {
        HWND window = findTopLevel(title);
        if (window == nullptr) return 2;
        WPARAM w = argc >= 5 ? std::strtoul(argv[4], nullptr, 0) : 0;
        LPARAM l = argc >= 6 ? std::strtol(argv[5], nullptr, 0) : 0;
        SendMessageA(window, std::strtoul(argv[3], nullptr, 0), w, l);
        return 0;
    }
    if (command == "postburst" && argc >= 7) {
        HWND window = findTopLevel(title);
        if (window == nullptr) return 2;
        const UINT message = std::strtoul(argv[3], nullptr, 0);
        const WPARAM w = std::strtoul(argv[4], nullptr, 0);
        const DWORD milliseconds = std::strtoul(argv[6], nullptr, 0);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            PostMessageA(window, message, w, std::strtol(argv[5], nullptr, 0));
            Sleep(1);
        }
        return 0;
    }
    if (command == "classicon") return classIcon(title);
    if (command == "texts") return texts(title);
    if (command == "watch" && argc >= 4) {
        std::string line;
        for (int i = 3; i < argc; ++i) {
            if (i > 3) line += ' ';
            line += argv[i];
        }
        return watch(std::strtoul(argv[2], nullptr, 0), line.data());
    }
    return 1;
}
