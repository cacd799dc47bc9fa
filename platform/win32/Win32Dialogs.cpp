// Message boxes, modal dialogs from the resources, their controls, and the
// common file dialogs.
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <string_view>

namespace vt {

using namespace win32;

namespace {

// The product's dialog procedure travels in WM_INITDIALOG's lParam and is
// kept in the dialog's user data for every later message.
INT_PTR CALLBACK dialogThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    auto procedure = reinterpret_cast<DialogProcedure>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (procedure == nullptr) return FALSE;
    return procedure(handle(dialog), message, wParam, message == WM_INITDIALOG ? 0 : lParam);
}

HWND item(WindowHandle dialog, int itemId) { return GetDlgItem(hwnd(dialog), itemId); }

// The file dialogs are the system's ANSI ones, which read their texts in the
// system's code page, not as UTF-8.
std::string systemCodePage(std::string_view utf8) {
    const std::wstring wide = widen(utf8);
    if (wide.empty()) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), length, nullptr, nullptr);
    return out;
}

}  // namespace

int Win32Platform::messageBox(WindowHandle owner, std::string_view text, std::string_view caption) {
    return MessageBoxW(hwnd(owner), widen(text).c_str(), widen(caption).c_str(), MB_OK);
}

std::intptr_t Win32Platform::dialogBox(std::uint32_t templateId, WindowHandle owner, DialogProcedure procedure) {
    return DialogBoxParamW(static_cast<HINSTANCE>(instance_), MAKEINTRESOURCEW(templateId), hwnd(owner), dialogThunk,
                           reinterpret_cast<LPARAM>(procedure));
}

void Win32Platform::endDialog(WindowHandle dialog, std::intptr_t result) { EndDialog(hwnd(dialog), result); }

void Win32Platform::setDialogItemText(WindowHandle dialog, int itemId, std::string_view text) {
    SetDlgItemTextW(hwnd(dialog), itemId, widen(text).c_str());
}

void Win32Platform::showDialogItem(WindowHandle dialog, int itemId, bool visible) {
    ShowWindow(item(dialog, itemId), visible ? SW_SHOW : SW_HIDE);
}

void Win32Platform::placeDialogItem(WindowHandle dialog, int itemId, const Rect& pixels) {
    SetWindowPos(item(dialog, itemId), nullptr, pixels.left, pixels.top, pixels.width(), pixels.height(),
                 SWP_NOZORDER);
}

void Win32Platform::resizeDialogItem(WindowHandle dialog, int itemId, int width, int height) {
    SetWindowPos(item(dialog, itemId), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void Win32Platform::focusDialogItem(WindowHandle dialog, int itemId) { SetFocus(item(dialog, itemId)); }

void Win32Platform::setDialogClientSize(WindowHandle dialog, int width, int height) {
    HWND window = hwnd(dialog);
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

void Win32Platform::insertTab(WindowHandle dialog, int tabControlId, int index, std::string_view text) {
    std::wstring caption = widen(text);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption.data();
    SendMessageW(item(dialog, tabControlId), TCM_INSERTITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&tab));
}

int Win32Platform::selectedTab(WindowHandle dialog, int tabControlId) {
    return static_cast<int>(SendMessageW(item(dialog, tabControlId), TCM_GETCURSEL, 0, 0));
}

void Win32Platform::setProgressRange(WindowHandle dialog, int itemId, int low, int high, int step) {
    HWND bar = item(dialog, itemId);
    SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    SendMessageW(bar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void Win32Platform::stepProgress(WindowHandle dialog, int itemId) {
    SendMessageW(item(dialog, itemId), PBM_STEPIT, 0, 0);
}

bool Win32Platform::fileDialog(FileDialogRequest& request) {
    static_assert(sizeof(OPENFILENAMEA) == 88 || sizeof(void*) != 4, "the 32-bit dialog record is 88 bytes");
    // "Description\0pattern\0\0"
    std::string filter = systemCodePage(request.filterDescription) + '\0' + request.filterPattern + '\0' + '\0';
    const std::string title = systemCodePage(request.title);
    char fileName[MAX_PATH] = {};
    char fileTitle[MAX_PATH] = {};
    std::strncpy(fileName, request.fileName.c_str(), sizeof fileName - 1);
    std::strncpy(fileTitle, request.fileTitle.c_str(), sizeof fileTitle - 1);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd(request.owner);
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = sizeof fileName;
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = sizeof fileTitle;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = request.defaultExtension.c_str();
    dialog.Flags = request.flags;
    BOOL chosen = request.kind == FileDialogKind::Open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
    if (!chosen) return false;
    request.fileName = fileName;
    request.fileTitle = fileTitle;
    return true;
}

}  // namespace vt
