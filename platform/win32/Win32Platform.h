// The real platform: Win32, GDI and the GDI+ flat API.
//
// The only product files that see <windows.h> are this folder and the entry
// point. Handles cross the seam as opaque pointers and go back to their Win32
// types here.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace vt {

class Win32Platform final : public Platform {
public:
    // instance: the program's module handle (HINSTANCE) for its resources.
    explicit Win32Platform(void* instance);
    ~Win32Platform() override;

    // GDI+ lives for the whole process: started before the entry point's
    // logic runs, shut down after the back buffer's graphics are gone.
    bool startGraphics();
    void stopGraphics();

    std::uint32_t tickCount() override;
    void sleep(std::uint32_t milliseconds) override;
    LocalTime localTime() override;
    void debugOutput(std::string_view text) override;
    std::string currentDirectory() override;
    std::string programFile() override;
    std::uint32_t processId() override;
    void reportCrashes(const std::string& logFolder) override;

    bool fileExists(const std::string& path) override;
    bool isDirectory(const std::string& path) override;
    bool createDirectory(const std::string& path) override;
    bool replaceFile(const std::string& from, const std::string& to) override;
    bool flushToDisk(std::FILE* file) override;
    std::vector<FolderEntry> listFolder(const std::string& folder) override;

    std::u16string toWide(std::string_view multiByte) override;
    std::string toMultiByte(std::u16string_view wide) override;

    MutexHandle createMutex(const char* name, bool initiallyOwned, bool& alreadyExists) override;
    void releaseMutex(MutexHandle mutex) override;
    MutexWait waitForMutex(MutexHandle mutex, std::uint32_t milliseconds) override;
    void closeMutex(MutexHandle mutex) override;

    ModuleHandle loadLibrary(const std::string& name, std::uint32_t searchFlags, std::uint32_t& lastError) override;
    void* findExport(ModuleHandle module, const char* name) override;
    void freeLibrary(ModuleHandle module) override;
    std::string systemDirectory() override;
    OsVersion osVersion() override;

    std::string loadString(std::uint32_t id) override;
    IconHandle loadIcon(std::uint32_t id) override;
    AcceleratorHandle loadAccelerators(std::uint32_t id) override;

    bool registerWindowClass(const WindowClass& windowClass) override;
    WindowHandle createWindow(const std::string& className, const std::string& title, std::uint32_t style, int x,
                              int y, int width, int height) override;
    WindowHandle findWindow(const char* className, const char* title) override;
    std::uint32_t registerWindowMessage(const char* name) override;
    LResult sendMessage(WindowHandle window, std::uint32_t message, WParam, LParam) override;
    bool postMessage(WindowHandle window, std::uint32_t message, WParam, LParam) override;
    LResult defaultWindowProcedure(WindowHandle window, std::uint32_t message, WParam, LParam) override;
    void postQuitMessage(int exitCode) override;
    int getMessage(Message& message) override;
    bool peekMessage(Message& message, bool remove) override;
    bool translateAccelerator(WindowHandle window, AcceleratorHandle table, const Message& message) override;
    void translateMessage(const Message& message) override;
    LResult dispatchMessage(const Message& message) override;

    void showWindow(WindowHandle window, int showCommand) override;
    void updateWindow(WindowHandle window) override;
    void invalidate(WindowHandle window, bool erase) override;
    void setForegroundWindow(WindowHandle window) override;
    void setTimer(WindowHandle window, std::uintptr_t id, std::uint32_t milliseconds) override;
    void killTimer(WindowHandle window, std::uintptr_t id) override;
    void trackPointerLeave(WindowHandle window) override;
    Rect windowRect(WindowHandle window) override;
    Rect adjustWindowRect(const Rect& rect, std::uint32_t style, std::uint32_t exStyle) override;
    void setWindowPos(WindowHandle window, int x, int y, int width, int height, std::uint32_t flags) override;
    Size screenSize() override;
    Point cursorPosition() override;
    Point screenToClient(WindowHandle window, Point screen) override;
    void setCursor(CursorShape shape) override;
    void setClassIcon(WindowHandle window, IconHandle icon) override;
    void setWindowIcon(WindowHandle window, IconHandle icon) override;

    int messageBox(WindowHandle owner, std::string_view text, std::string_view caption) override;
    std::intptr_t dialogBox(std::uint32_t templateId, WindowHandle owner, DialogProcedure procedure) override;
    void endDialog(WindowHandle dialog, std::intptr_t result) override;
    void setDialogItemText(WindowHandle dialog, int itemId, std::string_view text) override;
    void showDialogItem(WindowHandle dialog, int itemId, bool visible) override;
    void placeDialogItem(WindowHandle dialog, int itemId, const Rect& pixels) override;
    void resizeDialogItem(WindowHandle dialog, int itemId, int width, int height) override;
    void focusDialogItem(WindowHandle dialog, int itemId) override;
    void setDialogClientSize(WindowHandle dialog, int width, int height) override;
    void insertTab(WindowHandle dialog, int tabControlId, int index, std::string_view text) override;
    int selectedTab(WindowHandle dialog, int tabControlId) override;
    void setProgressRange(WindowHandle dialog, int itemId, int low, int high, int step) override;
    void stepProgress(WindowHandle dialog, int itemId) override;
    bool fileDialog(FileDialogRequest& request) override;

    bool notifyIcon(TrayOperation operation, const TrayIconData& data) override;
    MenuHandle createPopupMenu() override;
    void appendMenuItem(MenuHandle menu, std::uint32_t id, const char* text) override;
    std::uint32_t trackPopupMenu(MenuHandle menu, Point screen, WindowHandle owner) override;
    void destroyMenu(MenuHandle menu) override;
    void appendMenuSeparator(MenuHandle menu) override;
    void appendCheckItem(MenuHandle menu, std::uint32_t id, std::string_view text, bool checked) override;
    void appendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view text) override;

    bool sendCopyData(WindowHandle window, std::uintptr_t tag, std::string_view bytes, std::uint32_t timeoutMs,
                      LResult& answer) override;
    bool attachParentConsole() override;
    void writeStandardError(std::string_view line) override;
    bool registerHotKey(WindowHandle window, int id, std::uint32_t modifiers, std::uint32_t virtualKey) override;
    void unregisterHotKey(WindowHandle window, int id) override;
    std::string startupFolder() override;
    bool createShortcut(const std::string& linkPath, const std::string& target,
                        const std::string& workingFolder) override;
    bool deleteFile(const std::string& path) override;

    bool shellExecute(WindowHandle owner, const char* verb, const std::string& file, const std::string& parameters,
                      const char* directory, int showCommand) override;

    FontHandle createUiFont(int height, int weight, int charset, std::u16string_view face) override;
    void deleteFont(FontHandle font) override;
    bool createBackBuffer(WindowHandle window, int width, int height, Surface& surface) override;
    void destroyBackBuffer(Surface& surface) override;
    void beginPaint(WindowHandle window) override;
    void presentBackBuffer(WindowHandle window, const Surface& surface) override;
    void endPaint(WindowHandle window) override;
    void drawText(Surface& surface, const char16_t* text, const TextStyle& style, int x, int y) override;
    void drawLine(Surface& surface, float penWidth, std::uint32_t argb, int x1, int y1, int x2, int y2) override;
    bool decodeImage(const std::uint8_t* bytes, std::size_t count, DecodedImage& image) override;
    bool decodeImageFile(std::u16string_view path, DecodedImage& image) override;
    // GDI+ alone, without the fast road for plain PNGs: the yardstick that
    // road is checked against.
    bool decodeImageWithSystem(const std::uint8_t* bytes, std::size_t count, DecodedImage& image);

private:
    void* instance_;
    std::uintptr_t graphicsToken_ = 0;
    struct PaintState;
    std::unique_ptr<PaintState> paint_;
};

// UTF-8 (the program's own texts) to UTF-16 for the wide Win32 calls.
std::wstring widen(std::string_view utf8);

}  // namespace vt
