// The one road from product logic to the operating system.
//
// Everything the program needs from Windows (windows and messages, timers,
// dialogs, the tray, the shell, library loading, image decoding, drawing onto
// the back buffer, time, mutexes, folders) is an operation of this interface.
// platform/win32 implements it with Win32, GDI and GDI+; platform/fake records
// every call for host tests and answers from a script the test sets up.
// The C++ standard library (files through <cstdio>, threads, atomics) is used
// directly and is not part of the seam.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace vt {

class Platform {
public:
    virtual ~Platform() = default;

    // --- time and process -------------------------------------------------
    virtual std::uint32_t tickCount() = 0;
    virtual void sleep(std::uint32_t milliseconds) = 0;
    virtual LocalTime localTime() = 0;
    virtual void debugOutput(std::string_view text) = 0;
    virtual std::string currentDirectory() = 0;
    // The running program's own file and process id.
    virtual std::string programFile() = 0;
    virtual std::uint32_t processId() = 0;
    // From now on an unhandled exception leaves a minidump in `logFolder`
    // (crash-YYYYMMDD-HHMMSS.dmp, written by the system's dump writer) and
    // the line "CRASH = <code> at <module>+<offset>" in its log.txt, then
    // ends the process.
    virtual void reportCrashes(const std::string& logFolder) = 0;

    // --- files and folders (file contents go through <cstdio>) ------------
    virtual bool fileExists(const std::string& path) = 0;
    virtual bool isDirectory(const std::string& path) = 0;
    virtual bool createDirectory(const std::string& path) = 0;
    // Puts `from` in the place of `to` in one step (an existing `to` is
    // replaced), so a reader sees the old file or the new one, never a mix.
    virtual bool replaceFile(const std::string& from, const std::string& to) = 0;
    // Pushes what was written to `file` through to the disk before it is put
    // in place, so a power loss cannot leave the new name over lost data.
    virtual bool flushToDisk(std::FILE* file) = 0;
    // The plain files of `folder` (no subfolders), in no particular order;
    // empty when it cannot be read.
    virtual std::vector<FolderEntry> listFolder(const std::string& folder) = 0;

    // --- text: the program's 8-bit texts are code page 932 ----------------
    virtual std::u16string toWide(std::string_view multiByte) = 0;
    virtual std::string toMultiByte(std::u16string_view wide) = 0;

    // --- single instance --------------------------------------------------
    virtual MutexHandle createMutex(const char* name, bool initiallyOwned, bool& alreadyExists) = 0;
    virtual void releaseMutex(MutexHandle mutex) = 0;
    // Waits until the mutex is released (or abandoned) by its owner and takes it.
    virtual MutexWait waitForMutex(MutexHandle mutex, std::uint32_t milliseconds) = 0;
    virtual void closeMutex(MutexHandle mutex) = 0;

    // --- libraries --------------------------------------------------------
    // LoadLibraryExA(name, 0, searchFlags); lastError is set on failure.
    virtual ModuleHandle loadLibrary(const std::string& name, std::uint32_t searchFlags,
                                     std::uint32_t& lastError) = 0;
    virtual void* findExport(ModuleHandle module, const char* name) = 0;
    virtual void freeLibrary(ModuleHandle module) = 0;
    virtual std::string systemDirectory() = 0;
    virtual OsVersion osVersion() = 0;

    // --- resources of the program -----------------------------------------
    virtual std::string loadString(std::uint32_t id) = 0;
    virtual IconHandle loadIcon(std::uint32_t id) = 0;
    virtual AcceleratorHandle loadAccelerators(std::uint32_t id) = 0;

    // --- windows and messages ---------------------------------------------
    virtual bool registerWindowClass(const WindowClass& windowClass) = 0;
    virtual WindowHandle createWindow(const std::string& className, const std::string& title,
                                      std::uint32_t style, int x, int y, int width, int height) = 0;
    // className may be null (any class).
    virtual WindowHandle findWindow(const char* className, const char* title) = 0;
    // The number of a message registered by name across the system (0 on failure).
    virtual std::uint32_t registerWindowMessage(const char* name) = 0;
    virtual LResult sendMessage(WindowHandle window, std::uint32_t message, WParam, LParam) = 0;
    virtual bool postMessage(WindowHandle window, std::uint32_t message, WParam, LParam) = 0;
    virtual LResult defaultWindowProcedure(WindowHandle window, std::uint32_t message, WParam, LParam) = 0;
    virtual void postQuitMessage(int exitCode) = 0;
    virtual int getMessage(Message& message) = 0;
    virtual bool peekMessage(Message& message, bool remove) = 0;
    virtual bool translateAccelerator(WindowHandle window, AcceleratorHandle table, const Message& message) = 0;
    virtual void translateMessage(const Message& message) = 0;
    virtual LResult dispatchMessage(const Message& message) = 0;

    virtual void showWindow(WindowHandle window, int showCommand) = 0;
    virtual void updateWindow(WindowHandle window) = 0;
    virtual void invalidate(WindowHandle window, bool erase) = 0;
    virtual void setForegroundWindow(WindowHandle window) = 0;
    virtual void setTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) = 0;
    virtual void killTimer(WindowHandle window, std::uintptr_t id) = 0;
    // One WmMouseLeave when the pointer next leaves the window (at once if it is not over it).
    virtual void trackPointerLeave(WindowHandle window) = 0;
    virtual Rect windowRect(WindowHandle window) = 0;
    virtual Rect adjustWindowRect(const Rect& rect, std::uint32_t style, std::uint32_t exStyle) = 0;
    virtual void setWindowPos(WindowHandle window, int x, int y, int width, int height, std::uint32_t flags) = 0;
    virtual Size screenSize() = 0;
    virtual Point cursorPosition() = 0;  // screen coordinates
    virtual Point screenToClient(WindowHandle window, Point screen) = 0;
    virtual void setCursor(CursorShape shape) = 0;
    virtual void setClassIcon(WindowHandle window, IconHandle icon) = 0;
    // The window's own large and small icon: the taskbar button follows it.
    virtual void setWindowIcon(WindowHandle window, IconHandle icon) = 0;

    // --- message boxes and modal dialogs ----------------------------------
    // Texts are UTF-8; the box has only an OK button.
    virtual int messageBox(WindowHandle owner, std::string_view text, std::string_view caption) = 0;
    virtual std::intptr_t dialogBox(std::uint32_t templateId, WindowHandle owner, DialogProcedure procedure) = 0;
    virtual void endDialog(WindowHandle dialog, std::intptr_t result) = 0;
    virtual void setDialogItemText(WindowHandle dialog, int itemId, std::string_view text) = 0;
    virtual void showDialogItem(WindowHandle dialog, int itemId, bool visible) = 0;
    virtual void placeDialogItem(WindowHandle dialog, int itemId, const Rect& pixels) = 0;
    virtual void resizeDialogItem(WindowHandle dialog, int itemId, int width, int height) = 0;
    virtual void focusDialogItem(WindowHandle dialog, int itemId) = 0;
    virtual void setDialogClientSize(WindowHandle dialog, int width, int height) = 0;
    virtual void insertTab(WindowHandle dialog, int tabControlId, int index, std::string_view text) = 0;
    virtual int selectedTab(WindowHandle dialog, int tabControlId) = 0;
    virtual void setProgressRange(WindowHandle dialog, int itemId, int low, int high, int step) = 0;
    virtual void stepProgress(WindowHandle dialog, int itemId) = 0;
    // Fills request.fileName and request.fileTitle; false on cancel or failure.
    virtual bool fileDialog(FileDialogRequest& request) = 0;

    // --- notification area and popup menu ---------------------------------
    virtual bool notifyIcon(TrayOperation operation, const TrayIconData& data) = 0;
    virtual MenuHandle createPopupMenu() = 0;
    virtual void appendMenuItem(MenuHandle menu, std::uint32_t id, const char* text) = 0;
    // Tracks the menu at `screen` and returns the command chosen, 0 when the
    // menu was dismissed.
    virtual std::uint32_t trackPopupMenu(MenuHandle menu, Point screen, WindowHandle owner) = 0;
    virtual void destroyMenu(MenuHandle menu) = 0;
    // Texts are UTF-8. A check item shows a tick when `checked`; a submenu
    // is owned by its parent from here on and goes with it.
    virtual void appendMenuSeparator(MenuHandle menu) = 0;
    virtual void appendCheckItem(MenuHandle menu, std::uint32_t id, std::string_view text, bool checked) = 0;
    virtual void appendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text) = 0;

    // --- other processes and the console ----------------------------------
    // WM_COPYDATA to `window`: `tag` as its dwData, `bytes` as its data.
    // Waits at most `timeoutMs` for the answer; false when none came (the
    // window went, hung or took longer), with `answer` untouched.
    virtual bool sendCopyData(WindowHandle window, std::uintptr_t tag, std::string_view bytes,
                              std::uint32_t timeoutMs, LResult& answer) = 0;
    // Joins the console of the process that started this one; false when it
    // has none (started from the desktop, a shortcut, a launcher).
    virtual bool attachParentConsole() = 0;
    // One line (no line feed of its own) on the standard error of the console.
    virtual void writeStandardError(std::string_view line) = 0;

    // --- global hotkeys -----------------------------------------------------
    // WM_HOTKEY with `id` reaches `window` whatever has the focus; false when
    // another program holds the combination.
    virtual bool registerHotKey(WindowHandle window, int id, std::uint32_t modifiers, std::uint32_t virtualKey) = 0;
    virtual void unregisterHotKey(WindowHandle window, int id) = 0;

    // --- start with Windows ---------------------------------------------------
    // The user's own Startup folder ("" when the shell does not say).
    virtual std::string startupFolder() = 0;
    // A shell link at `linkPath` to `target`, started in `workingFolder`.
    virtual bool createShortcut(const std::string& linkPath, const std::string& target,
                                const std::string& workingFolder) = 0;
    virtual bool deleteFile(const std::string& path) = 0;

    // --- shell ------------------------------------------------------------
    // False when the shell could not start it (no such file, no program for it).
    virtual bool shellExecute(WindowHandle owner, const char* verb, const std::string& file,
                              const std::string& parameters, const char* directory, int showCommand) = 0;

    // --- drawing ----------------------------------------------------------
    virtual FontHandle createUiFont(int height, int weight, int charset, std::u16string_view face) = 0;
    virtual void deleteFont(FontHandle font) = 0;
    // A bottom-up 32-bit bitmap of the given size, compatible with the window.
    virtual bool createBackBuffer(WindowHandle window, int width, int height, Surface& surface) = 0;
    virtual void destroyBackBuffer(Surface& surface) = 0;
    virtual void beginPaint(WindowHandle window) = 0;
    virtual void presentBackBuffer(WindowHandle window, const Surface& surface) = 0;
    virtual void endPaint(WindowHandle window) = 0;
    virtual void drawText(Surface& surface, const char16_t* text, const TextStyle& style, int x, int y) = 0;
    virtual void drawLine(Surface& surface, float penWidth, std::uint32_t argb, int x1, int y1, int x2, int y2) = 0;
    virtual bool decodeImage(const std::uint8_t* bytes, std::size_t count, DecodedImage& image) = 0;
    virtual bool decodeImageFile(std::u16string_view path, DecodedImage& image) = 0;
};

// The platform in force. The entry point installs the Win32 one; tests install
// a fake. Not owned.
Platform& platform();
void setPlatform(Platform* instance);

// Returns once `milliseconds` have passed on the system's tick count, in 1 ms
// sleeps: the count, not the sleeps, says when the time is up.
void waitMilliseconds(std::uint32_t milliseconds);

}  // namespace vt
