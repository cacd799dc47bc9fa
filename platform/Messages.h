// Window messages and the other Win32 numbers product logic uses, and the
// program's own messages, in one place.
//
// The Win32 numbers keep their values, so the window and dialog procedures
// run unchanged on the host, but not their names: <windows.h> defines those
// as macros, and this header must mean the same whether it is included
// before or after it (the Win32 layer checks every value against the macros).
#pragma once

#include <cstdint>

namespace vt {

// --- Win32 window messages ----------------------------------------------------
inline constexpr std::uint32_t WmNull = 0x0000;
inline constexpr std::uint32_t WmCreate = 0x0001;
inline constexpr std::uint32_t WmDestroy = 0x0002;
inline constexpr std::uint32_t WmPaint = 0x000F;
inline constexpr std::uint32_t WmClose = 0x0010;
inline constexpr std::uint32_t WmQuit = 0x0012;
inline constexpr std::uint32_t WmSetCursor = 0x0020;
inline constexpr std::uint32_t WmCopyData = 0x004A;
inline constexpr std::uint32_t WmNotify = 0x004E;
inline constexpr std::uint32_t WmNcLButtonDown = 0x00A1;
inline constexpr std::uint32_t WmNcLButtonUp = 0x00A2;
inline constexpr std::uint32_t WmKeyDown = 0x0100;
inline constexpr std::uint32_t WmKeyUp = 0x0101;
inline constexpr std::uint32_t WmInitDialog = 0x0110;
inline constexpr std::uint32_t WmCommand = 0x0111;
inline constexpr std::uint32_t WmSysCommand = 0x0112;
inline constexpr std::uint32_t WmTimer = 0x0113;
inline constexpr std::uint32_t WmMouseMove = 0x0200;
inline constexpr std::uint32_t WmLButtonDown = 0x0201;
inline constexpr std::uint32_t WmLButtonUp = 0x0202;
inline constexpr std::uint32_t WmRButtonDown = 0x0204;
inline constexpr std::uint32_t WmRButtonUp = 0x0205;
inline constexpr std::uint32_t WmPowerBroadcast = 0x0218;
inline constexpr std::uint32_t WmExitSizeMove = 0x0232;
inline constexpr std::uint32_t WmMouseLeave = 0x02A3;
inline constexpr std::uint32_t WmHotKey = 0x0312;
inline constexpr std::uint32_t WmApp = 0x8000;

inline constexpr std::uint32_t ScClose = 0xF060;

// WM_POWERBROADCAST's events.
inline constexpr std::uintptr_t PbtApmSuspend = 0x0004;
inline constexpr std::uintptr_t PbtApmResumeSuspend = 0x0007;
inline constexpr std::uintptr_t PbtApmResumeAutomatic = 0x0012;

inline constexpr std::uintptr_t VkEscape = 0x1B;
inline constexpr std::uintptr_t VkLeft = 0x25;
inline constexpr std::uintptr_t VkRight = 0x27;

inline constexpr std::uintptr_t HtCaption = 2;

inline constexpr int SwHide = 0;
inline constexpr int SwShowNormal = 1;
inline constexpr int SwShow = 5;

inline constexpr std::uint32_t WsPopup = 0x80000000u;
inline constexpr std::uint32_t CsVRedraw = 0x0001;
inline constexpr std::uint32_t CsHRedraw = 0x0002;

inline constexpr std::uint32_t SwpNoSize = 0x0001;
inline constexpr std::uint32_t SwpNoMove = 0x0002;
inline constexpr std::uint32_t SwpNoZOrder = 0x0004;
inline constexpr std::uint32_t SwpNoRedraw = 0x0008;

inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;

// WM_NOTIFY's header (NMHDR) and the tab control's selection change.
struct NotifyHeader {
    void* from;
    std::uintptr_t id;
    std::uint32_t code;
};
// WM_COPYDATA's record (COPYDATASTRUCT): a tag, a byte count and the bytes.
struct CopyDataRecord {
    std::uintptr_t tag;
    std::uint32_t size;
    void* data;
};

// RegisterHotKey's modifiers.
inline constexpr std::uint32_t ModAlt = 0x0001;
inline constexpr std::uint32_t ModControl = 0x0002;
inline constexpr std::uint32_t ModNoRepeat = 0x4000;

inline constexpr std::uint32_t TcnSelChange = static_cast<std::uint32_t>(-551);

inline constexpr std::uint32_t ErrorModNotFound = 126;
inline constexpr std::uint32_t ErrorAlreadyExists = 183;

// --- the program's own messages, in the WM_APP range --------------------------

// To the main window.
inline constexpr std::uint32_t WM_TRAY_NOTIFY = 0x8003;    // the tray icon was clicked
inline constexpr std::uint32_t WM_SHOW_INSTANCE = 0x8004;  // a second copy hands over
// WM_SHOW_INSTANCE's answers: the running copy has shown its window, or it is
// already ending and the new copy should wait for it to go. Any other answer
// (a copy that died before it could answer) counts as not shown.
inline constexpr std::intptr_t ShowInstanceShown = 1;
inline constexpr std::intptr_t ShowInstanceEnding = 2;
inline constexpr std::uint32_t WM_SCANNER_DONE = 0x8009;   // an external limit scanner ended
inline constexpr std::uint32_t WM_QUIT_REQUEST = 0x800A;   // start the one-second shutdown
// The monitoring thread saw the driver's fan curve change; the window thread
// moves the curve editor's points to it.
inline constexpr std::uint32_t WM_CURVE_FOLLOWED = 0x800B;
// The monitoring thread has read its first sample: the readouts need not wait
// for the refresh timer's first tick.
inline constexpr std::uint32_t WM_FIRST_SAMPLE = 0x800C;
// Posted by a safe start once the window shows: the notice and the user's choice.
inline constexpr std::uint32_t WM_SAFE_START = 0x800D;
// The monitoring thread found the driver gone (every GPU call of a pass failed
// as a resetting driver's do); the window thread takes it back from here.
inline constexpr std::uint32_t WM_DRIVER_LOST = 0x800E;
// Posted to itself by a copy started with a request and no copy before it:
// the request runs once start-up is done.
inline constexpr std::uint32_t WM_RUN_REQUEST = 0x800F;
// Posted when an option has something to tell the user (a hotkey another
// program holds, a damaged options file): the notice shows from the loop.
inline constexpr std::uint32_t WM_OPTIONS_NOTICE = 0x8010;

// To the progress dialog, from the external system-information collector.
inline constexpr std::uint32_t WM_PROGRESS_STEP = 0x8005;
inline constexpr std::uint32_t WM_PROGRESS_CLOSE = 0x8006;
inline constexpr std::uint32_t WM_PROGRESS_DONE = 0x8007;
inline constexpr std::uint32_t WM_PROGRESS_ERROR = 0x8008;

}  // namespace vt
