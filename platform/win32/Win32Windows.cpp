// Window class, windows, messages, timers and the cursor.
#include "platform/win32/Win32Include.h"
#include "platform/win32/Win32Platform.h"

namespace vt {

using namespace win32;

namespace {

// The program registers one window class; its procedure is product code with
// the C calling convention, so Windows calls it through this thunk.
WindowProcedure productProcedure = nullptr;

LRESULT CALLBACK windowThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (productProcedure == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return productProcedure(handle(window), message, wParam, lParam);
}

MSG toNative(const Message& message) {
    MSG native{};
    native.hwnd = hwnd(message.window);
    native.message = message.message;
    native.wParam = message.wParam;
    native.lParam = message.lParam;
    native.time = GetMessageTime();
    DWORD position = GetMessagePos();
    native.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    return native;
}

Message fromNative(const MSG& native) {
    return {handle(native.hwnd), native.message, native.wParam, native.lParam};
}

}  // namespace

bool Win32Platform::registerWindowClass(const WindowClass& windowClass) {
    productProcedure = windowClass.procedure;
    WNDCLASSEXA native{};
    native.cbSize = sizeof native;
    native.style = windowClass.style;
    native.lpfnWndProc = windowThunk;
    native.hInstance = static_cast<HINSTANCE>(instance_);
    native.hIcon = reinterpret_cast<HICON>(windowClass.icon);
    native.hIconSm = reinterpret_cast<HICON>(windowClass.smallIcon);
    native.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    native.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    native.lpszClassName = windowClass.className.c_str();
    return RegisterClassExA(&native) != 0;
}

WindowHandle Win32Platform::createWindow(const std::string& className, const std::string& title, std::uint32_t style,
                                         int x, int y, int width, int height) {
    return handle(CreateWindowExA(0, className.c_str(), title.c_str(), style, x, y, width, height, nullptr, nullptr,
                                  static_cast<HINSTANCE>(instance_), nullptr));
}

WindowHandle Win32Platform::findWindow(const char* className, const char* title) {
    return handle(FindWindowA(className, title));
}

std::uint32_t Win32Platform::registerWindowMessage(const char* name) { return RegisterWindowMessageA(name); }

LResult Win32Platform::sendMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    return SendMessageA(hwnd(window), message, wParam, lParam);
}

bool Win32Platform::postMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
    return PostMessageA(hwnd(window), message, wParam, lParam) != 0;
}

LResult Win32Platform::defaultWindowProcedure(WindowHandle window, std::uint32_t message, WParam wParam,
                                              LParam lParam) {
    return DefWindowProcA(hwnd(window), message, wParam, lParam);
}

void Win32Platform::postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

int Win32Platform::getMessage(Message& message) {
    MSG native{};
    BOOL result = GetMessageA(&native, nullptr, 0, 0);
    message = fromNative(native);
    return result;
}

bool Win32Platform::peekMessage(Message& message, bool remove) {
    MSG native{};
    if (!PeekMessageA(&native, nullptr, 0, 0, remove ? PM_REMOVE : PM_NOREMOVE)) return false;
    message = fromNative(native);
    return true;
}

bool Win32Platform::translateAccelerator(WindowHandle window, AcceleratorHandle table, const Message& message) {
    MSG native = toNative(message);
    return TranslateAcceleratorA(hwnd(window), reinterpret_cast<HACCEL>(table), &native) != 0;
}

void Win32Platform::translateMessage(const Message& message) {
    MSG native = toNative(message);
    TranslateMessage(&native);
}

LResult Win32Platform::dispatchMessage(const Message& message) {
    MSG native = toNative(message);
    return DispatchMessageA(&native);
}

void Win32Platform::showWindow(WindowHandle window, int showCommand) { ShowWindow(hwnd(window), showCommand); }

void Win32Platform::updateWindow(WindowHandle window) { UpdateWindow(hwnd(window)); }

void Win32Platform::invalidate(WindowHandle window, bool erase) {
    InvalidateRect(hwnd(window), nullptr, erase ? TRUE : FALSE);
}

void Win32Platform::setForegroundWindow(WindowHandle window) { SetForegroundWindow(hwnd(window)); }

void Win32Platform::setTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) {
    SetTimer(hwnd(window), id, milliseconds, nullptr);
}

void Win32Platform::killTimer(WindowHandle window, std::uintptr_t id) { KillTimer(hwnd(window), id); }

void Win32Platform::trackPointerLeave(WindowHandle window) {
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd(window), HOVER_DEFAULT};
    TrackMouseEvent(&track);
}

Rect Win32Platform::windowRect(WindowHandle window) {
    RECT native{};
    GetWindowRect(hwnd(window), &native);
    return {native.left, native.top, native.right, native.bottom};
}

Rect Win32Platform::adjustWindowRect(const Rect& rect, std::uint32_t style, std::uint32_t exStyle) {
    RECT native{rect.left, rect.top, rect.right, rect.bottom};
    AdjustWindowRectEx(&native, style, FALSE, exStyle);
    return {native.left, native.top, native.right, native.bottom};
}

void Win32Platform::setWindowPos(WindowHandle window, int x, int y, int width, int height, std::uint32_t flags) {
    SetWindowPos(hwnd(window), nullptr, x, y, width, height, flags);
}

Size Win32Platform::screenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Point Win32Platform::cursorPosition() {
    POINT native{};
    GetCursorPos(&native);
    return {native.x, native.y};
}

Point Win32Platform::screenToClient(WindowHandle window, Point screen) {
    POINT native{screen.x, screen.y};
    ScreenToClient(hwnd(window), &native);
    return {native.x, native.y};
}

void Win32Platform::setCursor(CursorShape shape) {
    SetCursor(LoadCursorA(nullptr, shape == CursorShape::Hand ? IDC_HAND : IDC_ARROW));
}

void Win32Platform::setClassIcon(WindowHandle window, IconHandle icon) {
    SetClassLongPtrA(hwnd(window), GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}

void Win32Platform::setWindowIcon(WindowHandle window, IconHandle icon) {
    const auto handle = reinterpret_cast<LPARAM>(icon);
    SendMessageA(hwnd(window), WM_SETICON, ICON_BIG, handle);
    SendMessageA(hwnd(window), WM_SETICON, ICON_SMALL, handle);
}

}  // namespace vt
