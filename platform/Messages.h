// Window messages and the other Win32 numbers the product logic uses, under
// their Win32 values, so the window procedure runs unchanged on the host.
#pragma once

#include <cstdint>

namespace vt {

inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_SETCURSOR = 0x0020;
inline constexpr std::uint32_t WM_NOTIFY = 0x004E;
inline constexpr std::uint32_t WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr std::uint32_t WM_NCLBUTTONUP = 0x00A2;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_EXITSIZEMOVE = 0x0232;
inline constexpr std::uint32_t WM_APP = 0x8000;

inline constexpr std::uint32_t SC_CLOSE = 0xF060;

inline constexpr std::uintptr_t VK_ESCAPE = 0x1B;
inline constexpr std::uintptr_t VK_LEFT = 0x25;
inline constexpr std::uintptr_t VK_RIGHT = 0x27;

inline constexpr std::uintptr_t HTCAPTION = 2;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t CS_VREDRAW = 0x0001;
inline constexpr std::uint32_t CS_HREDRAW = 0x0002;

inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOREDRAW = 0x0008;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// WM_NOTIFY's header (NMHDR) and the tab control's selection change.
struct NotifyHeader {
    void* from;
    std::uintptr_t id;
    std::uint32_t code;
};
inline constexpr std::uint32_t TCN_SELCHANGE = static_cast<std::uint32_t>(-551);

inline constexpr std::uint32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;

}  // namespace vt
