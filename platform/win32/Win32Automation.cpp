// What the program offers scripts and the rest of the desktop: requests from
// a second copy (WM_COPYDATA), the console it was started from, global
// hotkeys and the shortcut in the Startup folder. The tray menu's check items
// and submenu live here too, beside the menu they extend.
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstddef>
#include <string>

#include "platform/Messages.h"

namespace vt {

using namespace win32;

static_assert(WmCopyData == WM_COPYDATA && WmHotKey == WM_HOTKEY);
static_assert(ModAlt == MOD_ALT && ModControl == MOD_CONTROL && ModNoRepeat == 0x4000);
static_assert(sizeof(CopyDataRecord) == sizeof(COPYDATASTRUCT) &&
              offsetof(CopyDataRecord, size) == offsetof(COPYDATASTRUCT, cbData) &&
              offsetof(CopyDataRecord, data) == offsetof(COPYDATASTRUCT, lpData));

namespace {

std::wstring fromCodePage(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

}  // namespace

void Win32Platform::appendMenuSeparator(MenuHandle menu) {
    AppendMenuW(reinterpret_cast<HMENU>(menu), MF_SEPARATOR, 0, nullptr);
}

void Win32Platform::appendCheckItem(MenuHandle menu, std::uint32_t id, std::string_view text, bool checked) {
    AppendMenuW(reinterpret_cast<HMENU>(menu), MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), id,
                widen(text).c_str());
}

void Win32Platform::appendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text) {
    AppendMenuW(reinterpret_cast<HMENU>(menu), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), widen(text).c_str());
}

bool Win32Platform::sendCopyData(WindowHandle window, std::uintptr_t tag, std::string_view bytes,
                                 std::uint32_t timeoutMs, LResult& answer) {
    COPYDATASTRUCT data{};
    data.dwData = tag;
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = const_cast<char*>(bytes.data());
    DWORD_PTR result = 0;
    // A hung copy must not hang the script that asked.
    const LRESULT sent = SendMessageTimeoutA(hwnd(window), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                             SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result);
    if (sent == 0) return false;
    answer = static_cast<LResult>(result);
    return true;
}

bool Win32Platform::attachParentConsole() { return AttachConsole(ATTACH_PARENT_PROCESS) != 0; }

void Win32Platform::writeStandardError(std::string_view line) {
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    // A program built for the desktop has no standard handles of its own
    // unless the shell redirected them; the console's own output then.
    bool opened = false;
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        out = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE) return;
        opened = true;
    }
    std::string text(line);
    text += "\r\n";
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (opened) CloseHandle(out);
}

bool Win32Platform::registerHotKey(WindowHandle window, int id, std::uint32_t modifiers, std::uint32_t virtualKey) {
    return RegisterHotKey(hwnd(window), id, modifiers, virtualKey) != 0;
}

void Win32Platform::unregisterHotKey(WindowHandle window, int id) { UnregisterHotKey(hwnd(window), id); }

std::string Win32Platform::startupFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

bool Win32Platform::createShortcut(const std::string& linkPath, const std::string& target,
                                   const std::string& workingFolder) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkA* link = nullptr;
    bool saved = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(target.c_str());
        link->SetWorkingDirectory(workingFolder.c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(fromCodePage(linkPath).c_str(), TRUE));
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return saved;
}

bool Win32Platform::deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace vt
