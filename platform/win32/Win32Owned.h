// Scoped owners for the handles and GDI+ objects the Win32 layer creates:
// each is freed by its owner on every path out, in the order the owners were
// made undone.
#pragma once

#include <memory>

#include "platform/win32/Win32Include.h"

namespace vt::win32 {

// Frees through `Free` when the owner ends; a null handle is left alone.
template <auto Free>
struct FreeWith {
    template <class T>
    void operator()(T* object) const {
        if (object != nullptr) Free(object);
    }
};

// A pointer-like handle or GDI+ object owned by one owner.
template <class T, auto Free>
using Owned = std::unique_ptr<T, FreeWith<Free>>;

inline void releaseCom(IUnknown* object) { object->Release(); }

// A device context borrowed from a window, given back to it.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context, the previous one selected back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace vt::win32
