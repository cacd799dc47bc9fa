// The platform of host tests: records what the product asked of the operating
// system and answers from what the test arranged.
//
// Calls are recorded as one text line each ("messageBox owner=1 text=... "),
// so a test can check both that something happened and in which order.
// Windows are numbered handles; a window created through createWindow runs
// the product's window procedure for sent messages and for posted messages
// pumped with getMessage/dispatchMessage, as on Windows. Files and folders are
// real (tests run in a scratch folder); images are decoded with stb_image.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace vt {

class FakePlatform final : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // --- what the test reads back -----------------------------------------
    std::vector<std::string> calls() const;
    // Number of recorded calls whose text starts with prefix.
    int count(std::string_view prefix) const;
    // Recorded calls that start with prefix, in order.
    std::vector<std::string> callsStartingWith(std::string_view prefix) const;
    void clearCalls();
    bool recordDrawing = false;  // drawText/drawLine are frequent; off by default

    // --- what the test arranges -------------------------------------------
    struct Module {
        std::map<std::string, void*> exports;
    };
    // A library that loadLibrary finds under this exact name (as passed).
    void addModule(const std::string& name, Module module);
    // loadLibrary of this name fails with this error.
    void failModule(const std::string& name, std::uint32_t error);
    // Libraries currently loaded, by name (load count > 0).
    std::vector<std::string> loadedModules() const;

    std::set<std::string> existingMutexes;  // createMutex of these reports "already exists"
    bool failMutexCreation = false;
    // How waitForMutex ends (the other copy ends in time, or not).
    MutexWait mutexWaitOutcome = MutexWait::TimedOut;
    std::map<std::uint32_t, std::string> strings{{103, "Vantrelis"}, {109, "VANTRELIS"}};
    OsVersion version{10, 0, 19045};
    std::string systemFolder = "C:\\windows\\system32";
    Size screen{1920, 1080};
    Point cursor;             // screen coordinates
    std::atomic<int> cursorReads{0};  // calls of cursorPosition()
    Point clientOrigin;       // screen position of client (0, 0)
    bool fixedClock = false;  // when set, localTime() returns fixedTime
    // sleep() returns at once and the tick count moves on by the time slept.
    std::atomic<bool> instantSleep{false};
    LocalTime fixedTime{2026, 12, 8, 9, 5, 7};
    // Images whose header claims more pixels are refused undecoded, as a
    // stand-in for the system decoder's own limit.
    long long decodePixelLimit = 64LL * 1024 * 1024;
    bool failWindowCreation = false;
    bool failFontCreation = false;
    bool failFileDialog = false;
    bool failFileReplace = false;  // replaceFile refuses, as on a locked target
    std::string fileDialogAnswer;  // path chosen in the next file dialog
    bool failShellExecute = false;  // the shell finds nothing to start
    // sendCopyData finds no answer in time (the other copy hangs or is slow).
    bool copyDataTimesOut = false;
    bool parentConsole = false;              // attachParentConsole succeeds
    std::vector<std::string> standardError;  // lines written to the console's standard error
    // Combinations (modifiers, virtual key) another program holds.
    std::set<std::pair<std::uint32_t, std::uint32_t>> takenHotKeys;
    std::string startupFolderPath;  // what startupFolder() answers
    bool failShortcut = false;
    // Per dialog template: the button identifiers to press, one per opening
    // (front first); an opening with nothing scripted closes with IdCancel (2).
    std::map<std::uint32_t, std::deque<int>> dialogButtons;
    // Runs right after WmInitDialog, before the scripted button; lets a test
    // look at or drive an open dialog.
    std::function<void(WindowHandle dialog, std::uint32_t templateId)> onDialogOpen;
    // Messages other code (the system, another process) would post.
    void queueMessage(const Message& message);

    // Window state as the fake sees it.
    WindowHandle lastCreatedWindow() const;
    bool windowVisible(WindowHandle window) const;
    std::vector<std::uintptr_t> timers(WindowHandle window) const;
    // The period a running timer was last set to; 0 when it is not running.
    std::uint32_t timerPeriod(WindowHandle window, std::uintptr_t id) const;
    WindowHandle foregroundWindow() const;
    int quitCode() const;  // -1 until postQuitMessage
    bool trayIconPresent() const;
    // The shell's task bar starts anew: every icon is gone.
    void restartTaskbar();
    TrayIconData trayIcon() const;
    IconHandle classIcon() const;
    CursorShape cursorShape() const;
    static std::uint32_t iconResourceId(IconHandle icon);  // 0 for a null icon

    // --- Platform ---------------------------------------------------------
    std::uint32_t tickCount() override;
    void sleep(std::uint32_t milliseconds) override;
    LocalTime localTime() override;
    void debugOutput(std::string_view text) override;
    std::string currentDirectory() override;
    std::string programFile() override;
    std::uint32_t processId() override { return 4242; }
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
    // Numbers from 0xC000 up, one per name, as the system hands them out.
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

    // The command a tracked popup menu posts (0: dismissed).
    std::uint32_t menuChoice = 0;
    // Tab selected in a dialog's tab control, as the user left it.
    int tabSelection = 0;

private:
    std::atomic<std::uint32_t> skippedMilliseconds_{0};
    struct FakeWindow {
        std::string className;
        std::string title;
        Rect rect;
        bool visible = false;
        std::vector<std::uintptr_t> timers;
        std::vector<std::uint32_t> timerPeriods;  // beside timers, one each
        bool isDialog = false;
        bool dialogEnded = false;
        std::intptr_t dialogResult = 0;
        DialogProcedure dialogProcedure = nullptr;
    };
    struct LoadedModule {
        std::string name;
        int loadCount = 0;
    };

    void record(std::string line);
    FakeWindow* window(WindowHandle handle);
    const FakeWindow* window(WindowHandle handle) const;
    WindowProcedure procedureFor(WindowHandle handle) const;

    mutable std::recursive_mutex lock_;
    std::vector<std::string> calls_;
    std::map<std::string, Module> modules_;
    std::map<std::string, std::uint32_t> moduleFailures_;
    std::map<std::uintptr_t, LoadedModule> loaded_;  // handle value -> module
    std::map<std::string, WindowProcedure> classes_;
    std::map<std::uintptr_t, FakeWindow> windows_;
    std::uintptr_t nextHandle_ = 0x100;
    std::deque<Message> queue_;
    WindowHandle lastWindow_ = nullptr;
    WindowHandle foreground_ = nullptr;
    int quitCode_ = -1;
    bool trayPresent_ = false;
    TrayIconData tray_;
    IconHandle classIcon_ = nullptr;
    CursorShape cursor_ = CursorShape::Arrow;
    std::set<std::uintptr_t> mutexes_;
    std::map<std::string, std::uint32_t> registeredMessages_;
};

}  // namespace vt
