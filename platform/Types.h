// Plain value types that cross the platform seam. Product code never sees a
// Win32 type: handles are opaque pointers, message parameters are integers
// wide enough for the pointer size of the build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

using WindowHandle = struct OpaqueWindow*;
using ModuleHandle = struct OpaqueModule*;
using IconHandle = struct OpaqueIcon*;
using MenuHandle = struct OpaqueMenu*;
using FontHandle = struct OpaqueFont*;
using MutexHandle = struct OpaqueMutex*;
using AcceleratorHandle = struct OpaqueAccelerator*;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

using WindowProcedure = LResult (*)(WindowHandle, std::uint32_t message, WParam, LParam);
// Returns non-zero when the dialog procedure handled the message.
using DialogProcedure = std::intptr_t (*)(WindowHandle dialog, std::uint32_t message, WParam, LParam);

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;  // 0..999; the monitoring log's time stamps
};

// One file of a folder.
struct FolderEntry {
    std::string name;  // without the folder
    std::uint64_t size = 0;
};

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};

struct Message {
    WindowHandle window = nullptr;
    std::uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

struct WindowClass {
    std::string className;
    std::uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    IconHandle icon = nullptr;
    IconHandle smallIcon = nullptr;
};

enum class CursorShape { Arrow, Hand };

// A 32-bit image, rows top first, bytes blue, green, red, alpha.
struct DecodedImage {
    std::vector<std::uint8_t> pixels;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
};

// The window-sized off-screen bitmap: 32 bits per pixel, bottom-up rows.
struct Surface {
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    void* native = nullptr;  // owned by the platform that created it
};

struct TextStyle {
    const char16_t* family = u"";
    float sizePixels = 0;
    std::int32_t fontStyle = 0;  // 1 bold, 2 italic, 4 underline, 8 strike-out
    std::int32_t alignment = 0;  // 0 near, 1 centre, 2 far
    std::uint32_t argb = 0xFFFFFFFF;
};

// The shell's notification-icon record in its full 32-bit ANSI form.
// The shell's full notification-icon record (NOTIFYICONDATAA) in a process of
// this width: 508 bytes in a 32-bit process, 528 in a 64-bit one, where the
// handles are 8 bytes and aligned. A size the shell does not know of fails
// every tray call.
inline constexpr std::uint32_t FullTrayRecordSize = sizeof(void*) == 8 ? 528 : 508;

struct TrayIconData {
    std::uint32_t size = FullTrayRecordSize;
    WindowHandle window = nullptr;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    IconHandle icon = nullptr;
    std::string tip;  // at most 127 characters
};

enum class TrayOperation : std::uint32_t { Add = 0, Modify = 1, Delete = 2 };

// How a wait for a mutex ended. Abandoned counts as acquired: its owner ended
// without releasing it, and the mutex is the waiter's now.
enum class MutexWait { Acquired, TimedOut, Failed };

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    WindowHandle owner = nullptr;
    std::string filterDescription;
    std::string filterPattern;
    std::string title;
    std::string defaultExtension;
    std::uint32_t flags = 0;
    std::string fileName;   // in: offered name; out: chosen path
    std::string fileTitle;  // out: chosen name without folder
};

}  // namespace vt
