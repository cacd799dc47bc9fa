// VantrelisGuard: hands the fans back when Vantrelis dies holding them.
//
//   VantrelisGuard.exe <program's process id> "<program folder>"
//
// The program starts it once its GPUs are known. It waits for the program
// to end. A program that ended through its shutdown has emptied
// profile/held and the guard just ends; one that was killed, crashed or was
// ended by Windows leaves the list there, and the guard hands those GPUs'
// fans back to the driver and logs a line for each. It opens no window,
// takes no mutex of the program's and writes nothing while the program runs.
// Exit codes: 0 done, 2 usage.
#include "platform/win32/Win32Include.h"

#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "tools/guard/FanHandBack.h"

namespace {

std::vector<std::wstring> arguments() {
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> list;
    for (int i = 1; parsed != nullptr && i < count; ++i) list.emplace_back(parsed[i]);
    LocalFree(parsed);
    return list;
}

// The program's paths are in the system's code page; so are the guard's.
std::string systemCodePage(const std::wstring& wide) {
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    if (length > 1) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
    return text;
}

void waitForTheProgram(DWORD processId) {
    // A program already gone (it died before the guard got here) is waited for no longer.
    HANDLE program = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (program == nullptr) return;
    WaitForSingleObject(program, INFINITE);
    CloseHandle(program);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::vector<std::wstring> args = arguments();
    wchar_t* end = nullptr;
    const unsigned long processId = args.size() == 2 ? std::wcstoul(args[0].c_str(), &end, 10) : 0;
    if (processId == 0 || end == nullptr || *end != L'\0') return 2;
    waitForTheProgram(static_cast<DWORD>(processId));
    vt::Win32Platform platform(instance);
    vt::setPlatform(&platform);
    vt::guard::handHeldFansBack(systemCodePage(args[1]));
    vt::setPlatform(nullptr);
    return 0;
}
