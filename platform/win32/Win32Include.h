// <windows.h> with the settings every file of this folder shares.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/Types.h"

namespace vt::win32 {

inline HWND hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

}  // namespace vt::win32
