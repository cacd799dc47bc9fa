// Time, folders, text conversion, the instance mutex, libraries and resources.
#include <io.h>

#include <cstdio>

#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

namespace vt {

using namespace win32;

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), length);
    return out;
}

std::uint32_t Win32Platform::tickCount() { return GetTickCount(); }

void Win32Platform::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

LocalTime Win32Platform::localTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::vector<FolderEntry> Win32Platform::listFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        const std::uint64_t size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entries.push_back({found.cFileName, size});
    } while (FindNextFileA(search, &found) != 0);
    FindClose(search);
    return entries;
}

void Win32Platform::debugOutput(std::string_view text) { OutputDebugStringW(widen(text).c_str()); }

std::string Win32Platform::currentDirectory() {
    char folder[MAX_PATH + 1] = {};
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

std::string Win32Platform::programFile() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::uint32_t Win32Platform::processId() { return GetCurrentProcessId(); }

bool Win32Platform::fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32Platform::isDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Platform::createDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool Win32Platform::replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Platform::flushToDisk(std::FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

std::u16string Win32Platform::toWide(std::string_view multiByte) {
    if (multiByte.empty()) return {};
    int length = MultiByteToWideChar(932, 0, multiByte.data(), static_cast<int>(multiByte.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(932, 0, multiByte.data(), static_cast<int>(multiByte.size()),
                        reinterpret_cast<wchar_t*>(out.data()), length);
    return out;
}

std::string Win32Platform::toMultiByte(std::u16string_view wide) {
    if (wide.empty()) return {};
    auto* text = reinterpret_cast<const wchar_t*>(wide.data());
    int length = WideCharToMultiByte(932, 0, text, static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(932, 0, text, static_cast<int>(wide.size()), out.data(), length, nullptr, nullptr);
    return out;
}

MutexHandle Win32Platform::createMutex(const char* name, bool initiallyOwned, bool& alreadyExists) {
    HANDLE mutex = CreateMutexA(nullptr, initiallyOwned ? TRUE : FALSE, name);
    alreadyExists = GetLastError() == ERROR_ALREADY_EXISTS;
    return reinterpret_cast<MutexHandle>(mutex);
}

void Win32Platform::releaseMutex(MutexHandle mutex) { ReleaseMutex(reinterpret_cast<HANDLE>(mutex)); }

MutexWait Win32Platform::waitForMutex(MutexHandle mutex, std::uint32_t milliseconds) {
    switch (WaitForSingleObject(reinterpret_cast<HANDLE>(mutex), milliseconds)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED: return MutexWait::Acquired;
        case WAIT_TIMEOUT: return MutexWait::TimedOut;
        default: return MutexWait::Failed;
    }
}

void Win32Platform::closeMutex(MutexHandle mutex) { CloseHandle(reinterpret_cast<HANDLE>(mutex)); }

ModuleHandle Win32Platform::loadLibrary(const std::string& name, std::uint32_t searchFlags, std::uint32_t& lastError) {
    HMODULE module = LoadLibraryExA(name.c_str(), nullptr, searchFlags);
    lastError = module == nullptr ? GetLastError() : 0;
    return reinterpret_cast<ModuleHandle>(module);
}

void* Win32Platform::findExport(ModuleHandle module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

void Win32Platform::freeLibrary(ModuleHandle module) { FreeLibrary(reinterpret_cast<HMODULE>(module)); }

std::string Win32Platform::systemDirectory() {
    char folder[MAX_PATH + 1] = {};
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

OsVersion Win32Platform::osVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return {};
#pragma GCC diagnostic pop
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::string Win32Platform::loadString(std::uint32_t id) {
    char text[100] = {};
    int length = LoadStringA(static_cast<HINSTANCE>(instance_), id, text, sizeof text);
    return std::string(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

IconHandle Win32Platform::loadIcon(std::uint32_t id) {
    return reinterpret_cast<IconHandle>(LoadIconA(static_cast<HINSTANCE>(instance_), MAKEINTRESOURCEA(id)));
}

AcceleratorHandle Win32Platform::loadAccelerators(std::uint32_t id) {
    return reinterpret_cast<AcceleratorHandle>(
        LoadAcceleratorsA(static_cast<HINSTANCE>(instance_), MAKEINTRESOURCEA(id)));
}

}  // namespace vt
