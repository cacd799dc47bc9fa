// What an unhandled exception leaves behind: a minidump written by the
// system's own dump writer and one line in the operation log, before the
// process ends. The guard then hands the fans back.
#include "platform/win32/Win32Include.h"

#include <dbghelp.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/Win32Platform.h"

namespace vt {
namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// Filled in before the filter is installed: a crash must not need the heap.
char logFolder[MAX_PATH] = {};
LONG crashing = 0;

// The dump writer, from the system folder only.
MiniDumpWriteDumpFn dumpWriter() {
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof "\\dbghelp.dll" > MAX_PATH) return nullptr;
    std::strcat(path, "\\dbghelp.dll");
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module == nullptr ? nullptr : reinterpret_cast<MiniDumpWriteDumpFn>(GetProcAddress(module, "MiniDumpWriteDump"));
}

void writeDump(EXCEPTION_POINTERS* info, const SYSTEMTIME& now) {
    char path[MAX_PATH + 64] = {};
    std::snprintf(path, sizeof path, "%s\\crash-%04u%02u%02u-%02u%02u%02u.dmp", logFolder, now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    const MiniDumpWriteDumpFn write = dumpWriter();
    if (write == nullptr) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    MINIDUMP_EXCEPTION_INFORMATION exception{GetCurrentThreadId(), info, FALSE};
    write(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &exception, nullptr, nullptr);
    CloseHandle(file);
}

// "CRASH = 0xC0000005 at nvapi.dll+0x1a2b": where in which module it happened.
void logCrash(const EXCEPTION_RECORD& record) {
    const char* moduleName = "?";
    char modulePath[MAX_PATH] = {};
    std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(record.ExceptionAddress), &module) &&
        GetModuleFileNameA(module, modulePath, MAX_PATH) > 0) {
        const char* slash = std::strrchr(modulePath, '\\');
        moduleName = slash != nullptr ? slash + 1 : modulePath;
        offset -= reinterpret_cast<std::uintptr_t>(module);
    }
    char line[MAX_PATH + 64];
    std::snprintf(line, sizeof line, "CRASH = 0x%08lX at %s+0x%llx\n", static_cast<unsigned long>(record.ExceptionCode),
                  moduleName, static_cast<unsigned long long>(offset));
    char logPath[MAX_PATH + 16] = {};
    std::snprintf(logPath, sizeof logPath, "%s\\log.txt", logFolder);
    if (std::FILE* out = std::fopen(logPath, "a")) {
        std::fputs(line, out);
        std::fclose(out);
    }
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
    // One report, from the first thread that gets here; any other waits for the end.
    if (InterlockedExchange(&crashing, 1) != 0) {
        Sleep(INFINITE);
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    CreateDirectoryA(logFolder, nullptr);
    writeDump(info, now);
    logCrash(*info->ExceptionRecord);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void Win32Platform::reportCrashes(const std::string& folder) {
    if (folder.size() + 1 > sizeof logFolder) return;
    std::memcpy(logFolder, folder.c_str(), folder.size() + 1);
    for (char& c : logFolder) {
        if (c == '/') c = '\\';
    }
    SetUnhandledExceptionFilter(onUnhandledException);
}

}  // namespace vt
