#include "tools/sysdigest/ReportFile.h"

#include "platform/win32/Win32Include.h"

#include <algorithm>

namespace vt::sysdigest {
namespace {

// The folder part of the path, "." when it names a file in the current one.
// Searched in UTF-16: in code page 932 the second byte of a character may be
// a backslash, so the path's bytes could not be searched for one.
std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    if (slash == 0 || (slash == 2 && path[1] == L':')) return path.substr(0, slash + 1);  // a drive's root
    return path.substr(0, slash);
}

bool writeAll(HANDLE file, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1 << 20));
        DWORD done = 0;
        if (!WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) return false;
        written += done;
    }
    return FlushFileBuffers(file) != 0;
}

}  // namespace

std::string ansiText(const std::string& utf8Text) {
    if (utf8Text.empty()) return {};
    const int length = static_cast<int>(utf8Text.size());
    const int wideSize = MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), length, wide.data(), wideSize);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, out.data(), size, nullptr, nullptr);
    return out;
}

bool writeReportFile(const std::wstring& path, const std::string& utf8Text) {
    wchar_t temporary[MAX_PATH] = {};
    // Creates a new, uniquely named file in the report's folder: on the same
    // volume, so the move at the end is a rename.
    if (GetTempFileNameW(folderOf(path).c_str(), L"sdg", 0, temporary) == 0) return false;
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = file != INVALID_HANDLE_VALUE && writeAll(file, ansiText(utf8Text));
    if (file != INVALID_HANDLE_VALUE) written = CloseHandle(file) != 0 && written;
    if (written && MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileW(temporary);
    return false;
}

}  // namespace vt::sysdigest
