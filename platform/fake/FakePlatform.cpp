#include "platform/fake/FakePlatform.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <sstream>
#include <thread>

#include "platform/Messages.h"
#include "platform/PlainPng.h"
#include "platform/Utf8.h"
#include "platform/fake/FakeSystem.h"

#include <stb_image.h>

namespace vt {
namespace {

std::uintptr_t value(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

template <class Handle>
Handle makeHandle(std::uintptr_t raw) {
    return reinterpret_cast<Handle>(raw);
}

constexpr std::uintptr_t IconBase = 0x10000;

std::string hex(std::uintptr_t raw) {
    std::ostringstream out;
    out << std::hex << raw;
    return out.str();
}


}  // namespace

FakePlatform::FakePlatform() = default;
FakePlatform::~FakePlatform() = default;

void FakePlatform::record(std::string line) {
    std::lock_guard guard(lock_);
    calls_.push_back(std::move(line));
}

std::vector<std::string> FakePlatform::calls() const {
    std::lock_guard guard(lock_);
    return calls_;
}

int FakePlatform::count(std::string_view prefix) const {
    std::lock_guard guard(lock_);
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [&](const std::string& call) { return call.starts_with(prefix); }));
}

std::vector<std::string> FakePlatform::callsStartingWith(std::string_view prefix) const {
    std::lock_guard guard(lock_);
    std::vector<std::string> out;
    for (const auto& call : calls_) {
        if (call.starts_with(prefix)) out.push_back(call);
    }
    return out;
}

void FakePlatform::clearCalls() {
    std::lock_guard guard(lock_);
    calls_.clear();
}

void FakePlatform::addModule(const std::string& name, Module module) {
    std::lock_guard guard(lock_);
    modules_[name] = std::move(module);
}

void FakePlatform::failModule(const std::string& name, std::uint32_t error) {
    std::lock_guard guard(lock_);
    moduleFailures_[name] = error;
}

std::vector<std::string> FakePlatform::loadedModules() const {
    std::lock_guard guard(lock_);
    std::vector<std::string> out;
    for (const auto& [handle, module] : loaded_) {
        if (module.loadCount > 0) out.push_back(module.name);
    }
    return out;
}

void FakePlatform::queueMessage(const Message& message) {
    std::lock_guard guard(lock_);
    queue_.push_back(message);
}

WindowHandle FakePlatform::lastCreatedWindow() const {
    std::lock_guard guard(lock_);
    return lastWindow_;
}

bool FakePlatform::windowVisible(WindowHandle handle) const {
    std::lock_guard guard(lock_);
    const FakeWindow* w = window(handle);
    return w != nullptr && w->visible;
}

std::vector<std::uintptr_t> FakePlatform::timers(WindowHandle handle) const {
    std::lock_guard guard(lock_);
    const FakeWindow* w = window(handle);
    return w != nullptr ? w->timers : std::vector<std::uintptr_t>{};
}

std::uint32_t FakePlatform::timerPeriod(WindowHandle handle, std::uintptr_t id) const {
    std::lock_guard guard(lock_);
    const FakeWindow* w = window(handle);
    if (w == nullptr) return 0;
    auto found = std::find(w->timers.begin(), w->timers.end(), id);
    return found != w->timers.end() ? w->timerPeriods[found - w->timers.begin()] : 0;
}

WindowHandle FakePlatform::foregroundWindow() const {
    std::lock_guard guard(lock_);
    return foreground_;
}

int FakePlatform::quitCode() const {
    std::lock_guard guard(lock_);
    return quitCode_;
}

bool FakePlatform::trayIconPresent() const {
    std::lock_guard guard(lock_);
    return trayPresent_;
}

TrayIconData FakePlatform::trayIcon() const {
    std::lock_guard guard(lock_);
    return tray_;
}

IconHandle FakePlatform::classIcon() const {
    std::lock_guard guard(lock_);
    return classIcon_;
}

CursorShape FakePlatform::cursorShape() const {
    std::lock_guard guard(lock_);
    return cursor_;
}

std::uint32_t FakePlatform::iconResourceId(IconHandle icon) {
    return icon == nullptr ? 0 : static_cast<std::uint32_t>(value(icon) - IconBase);
}

FakePlatform::FakeWindow* FakePlatform::window(WindowHandle handle) {
    auto it = windows_.find(value(handle));
    return it == windows_.end() ? nullptr : &it->second;
}

const FakePlatform::FakeWindow* FakePlatform::window(WindowHandle handle) const {
    auto it = windows_.find(value(handle));
    return it == windows_.end() ? nullptr : &it->second;
}

WindowProcedure FakePlatform::procedureFor(WindowHandle handle) const {
    std::lock_guard guard(lock_);
    const FakeWindow* w = window(handle);
    if (w == nullptr) return nullptr;
    auto it = classes_.find(w->className);
    return it == classes_.end() ? nullptr : it->second;
}

// --- time and process -------------------------------------------------------

std::uint32_t FakePlatform::tickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()) +
           skippedMilliseconds_.load();
}

void FakePlatform::sleep(std::uint32_t milliseconds) {
    if (instantSleep) {
        skippedMilliseconds_ += milliseconds;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

LocalTime FakePlatform::localTime() {
    if (fixedClock) return fixedTime;
    using namespace std::chrono;
    const auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm parts{};
    fake::localParts(seconds, parts);
    const int millisecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
            millisecond};
}

std::vector<FolderEntry> FakePlatform::listFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        entries.push_back({entry.path().filename().string(), static_cast<std::uint64_t>(entry.file_size(error))});
    }
    return entries;
}

void FakePlatform::debugOutput(std::string_view text) { record("debugOutput " + std::string(text)); }

std::string FakePlatform::currentDirectory() { return std::filesystem::current_path().string(); }

// Beside the working folder's files, as an unzipped program stands.
std::string FakePlatform::programFile() { return (std::filesystem::current_path() / "Vantrelis.exe").string(); }

void FakePlatform::reportCrashes(const std::string& logFolder) { record("reportCrashes " + logFolder); }

// --- files and folders ------------------------------------------------------

bool FakePlatform::fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool FakePlatform::isDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool FakePlatform::createDirectory(const std::string& path) {
    record("createDirectory " + path);
    std::error_code error;
    return std::filesystem::create_directory(path, error);
}

bool FakePlatform::replaceFile(const std::string& from, const std::string& to) {
    record("replaceFile " + from + " " + to);
    if (failFileReplace) return false;
    return fake::replaceFile(from, to);
}

bool FakePlatform::flushToDisk(std::FILE* file) { return fake::flushToDisk(file); }

// --- text -------------------------------------------------------------------

std::u16string FakePlatform::toWide(std::string_view multiByte) { return fake::cp932ToUtf16(multiByte); }

std::string FakePlatform::toMultiByte(std::u16string_view wide) { return fake::utf16ToCp932(wide); }

// --- single instance --------------------------------------------------------

MutexHandle FakePlatform::createMutex(const char* name, bool initiallyOwned, bool& alreadyExists) {
    std::lock_guard guard(lock_);
    record(std::string("createMutex ") + name + (initiallyOwned ? " owned" : ""));
    if (failMutexCreation) {
        alreadyExists = false;
        return nullptr;
    }
    alreadyExists = existingMutexes.count(name) != 0;
    std::uintptr_t handle = nextHandle_++;
    mutexes_.insert(handle);
    return makeHandle<MutexHandle>(handle);
}

void FakePlatform::releaseMutex(MutexHandle mutex) { record("releaseMutex " + hex(value(mutex))); }

MutexWait FakePlatform::waitForMutex(MutexHandle mutex, std::uint32_t milliseconds) {
    record("waitForMutex " + hex(value(mutex)) + " ms=" + std::to_string(milliseconds));
    // A wait that times out takes its time, on the fake clock when sleeps are instant.
    if (mutexWaitOutcome == MutexWait::TimedOut && instantSleep) skippedMilliseconds_ += milliseconds;
    return mutexWaitOutcome;
}

void FakePlatform::closeMutex(MutexHandle mutex) {
    std::lock_guard guard(lock_);
    mutexes_.erase(value(mutex));
    record("closeMutex " + hex(value(mutex)));
}

// --- libraries --------------------------------------------------------------

ModuleHandle FakePlatform::loadLibrary(const std::string& name, std::uint32_t searchFlags, std::uint32_t& lastError) {
    std::lock_guard guard(lock_);
    record("loadLibrary " + name + " flags=" + hex(searchFlags));
    if (auto failure = moduleFailures_.find(name); failure != moduleFailures_.end()) {
        lastError = failure->second;
        return nullptr;
    }
    if (modules_.count(name) == 0) {
        lastError = ErrorModNotFound;
        return nullptr;
    }
    for (auto& [handle, module] : loaded_) {
        if (module.name == name && module.loadCount > 0) {
            ++module.loadCount;
            return makeHandle<ModuleHandle>(handle);
        }
    }
    std::uintptr_t handle = nextHandle_++;
    loaded_[handle] = {name, 1};
    lastError = 0;
    return makeHandle<ModuleHandle>(handle);
}

void* FakePlatform::findExport(ModuleHandle module, const char* name) {
    std::lock_guard guard(lock_);
    auto loaded = loaded_.find(value(module));
    if (loaded == loaded_.end() || loaded->second.loadCount == 0) return nullptr;
    const Module& found = modules_[loaded->second.name];
    auto it = found.exports.find(name);
    return it == found.exports.end() ? nullptr : it->second;
}

void FakePlatform::freeLibrary(ModuleHandle module) {
    std::lock_guard guard(lock_);
    auto loaded = loaded_.find(value(module));
    if (loaded == loaded_.end()) return;
    record("freeLibrary " + loaded->second.name);
    if (loaded->second.loadCount > 0) --loaded->second.loadCount;
}

std::string FakePlatform::systemDirectory() { return systemFolder; }

OsVersion FakePlatform::osVersion() { return version; }

// --- resources --------------------------------------------------------------

std::string FakePlatform::loadString(std::uint32_t id) {
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
}

IconHandle FakePlatform::loadIcon(std::uint32_t id) {
    record("loadIcon " + std::to_string(id));
    return makeHandle<IconHandle>(IconBase + id);
}

AcceleratorHandle FakePlatform::loadAccelerators(std::uint32_t id) {
    record("loadAccelerators " + std::to_string(id));
    return makeHandle<AcceleratorHandle>(0x20000 + id);
}

// --- windows and messages ---------------------------------------------------

bool FakePlatform::registerWindowClass(const WindowClass& windowClass) {
    std::lock_guard guard(lock_);
    record("registerWindowClass " + windowClass.className + " style=" + hex(windowClass.style) +
           " icon=" + std::to_string(iconResourceId(windowClass.icon)) +
           " smallIcon=" + std::to_string(iconResourceId(windowClass.smallIcon)));
    classes_[windowClass.className] = windowClass.procedure;
    classIcon_ = windowClass.icon;
    return true;
}

WindowHandle FakePlatform::createWindow(const std::string& className, const std::string& title, std::uint32_t style,
                                        int x, int y, int width, int height) {
    WindowHandle handle = nullptr;
    {
        std::lock_guard guard(lock_);
        record("createWindow " + className + " title=" + title + " style=" + hex(style) + " at=" +
               std::to_string(x) + "," + std::to_string(y) + " size=" + std::to_string(width) + "x" +
               std::to_string(height));
        if (failWindowCreation || classes_.count(className) == 0) return nullptr;
        std::uintptr_t raw = nextHandle_++;
        FakeWindow& w = windows_[raw];
        w.className = className;
        w.title = title;
        w.rect = {x, y, x + width, y + height};
        handle = makeHandle<WindowHandle>(raw);
        lastWindow_ = handle;
    }
    sendMessage(handle, WmCreate, 0, 0);
    return handle;
}

WindowHandle FakePlatform::findWindow(const char* className, const char* title) {
    std::lock_guard guard(lock_);
    record(std::string("findWindow ") + (className ? className : "(any)") + " title=" + (title ? title : ""));
    for (const auto& [raw, w] : windows_) {
        if ((className == nullptr || w.className == className) && title != nullptr && w.title == title) {
            return makeHandle<WindowHandle>(raw);
        }
    }
    return nullptr;
}

std::uint32_t FakePlatform::registerWindowMessage(const char* name) {
    std::lock_guard guard(lock_);
    record(std::string("registerWindowMessage ") + name);
    auto [at, added] = registeredMessages_.try_emplace(name, 0xC000u + static_cast<std::uint32_t>(registeredMessages_.size()));
    return at->second;
}

LResult FakePlatform::sendMessage(WindowHandle handle, std::uint32_t message, WParam wParam, LParam lParam) {
    record("sendMessage " + hex(message) + " w=" + std::to_string(wParam) + " l=" + std::to_string(lParam));
    DialogProcedure dialogProcedure = nullptr;
    {
        std::lock_guard guard(lock_);
        if (const FakeWindow* w = window(handle); w != nullptr && w->isDialog) dialogProcedure = w->dialogProcedure;
    }
    if (dialogProcedure != nullptr) return dialogProcedure(handle, message, wParam, lParam);
    WindowProcedure procedure = procedureFor(handle);
    return procedure != nullptr ? procedure(handle, message, wParam, lParam) : 0;
}

bool FakePlatform::postMessage(WindowHandle handle, std::uint32_t message, WParam wParam, LParam lParam) {
    std::lock_guard guard(lock_);
    record("postMessage " + hex(message) + " w=" + std::to_string(wParam) + " l=" + std::to_string(lParam));
    queue_.push_back({handle, message, wParam, lParam});
    return true;
}

LResult FakePlatform::defaultWindowProcedure(WindowHandle, std::uint32_t, WParam, LParam) { return 0; }

void FakePlatform::postQuitMessage(int exitCode) {
    std::lock_guard guard(lock_);
    record("postQuitMessage " + std::to_string(exitCode));
    quitCode_ = exitCode;
    queue_.push_back({nullptr, WmQuit, static_cast<WParam>(exitCode), 0});
}

int FakePlatform::getMessage(Message& message) {
    std::lock_guard guard(lock_);
    if (queue_.empty()) {
        // Nothing will ever arrive on the host: end the loop as a quit would.
        message = {nullptr, WmQuit, 0, 0};
        return 0;
    }
    message = queue_.front();
    queue_.pop_front();
    return message.message == WmQuit ? 0 : 1;
}

bool FakePlatform::peekMessage(Message& message, bool remove) {
    std::lock_guard guard(lock_);
    if (queue_.empty()) return false;
    message = queue_.front();
    if (remove) queue_.pop_front();
    return true;
}

bool FakePlatform::translateAccelerator(WindowHandle, AcceleratorHandle, const Message&) { return false; }

void FakePlatform::translateMessage(const Message&) {}

LResult FakePlatform::dispatchMessage(const Message& message) {
    WindowProcedure procedure = procedureFor(message.window);
    return procedure != nullptr ? procedure(message.window, message.message, message.wParam, message.lParam) : 0;
}

void FakePlatform::showWindow(WindowHandle handle, int showCommand) {
    std::lock_guard guard(lock_);
    record("showWindow " + std::to_string(showCommand));
    if (FakeWindow* w = window(handle)) w->visible = showCommand != SwHide;
}

void FakePlatform::updateWindow(WindowHandle) { record("updateWindow"); }

void FakePlatform::invalidate(WindowHandle, bool erase) { record(std::string("invalidate erase=") + (erase ? "1" : "0")); }

void FakePlatform::setForegroundWindow(WindowHandle handle) {
    std::lock_guard guard(lock_);
    record("setForegroundWindow");
    foreground_ = handle;
}

void FakePlatform::setTimer(WindowHandle handle, std::uintptr_t id, std::uint32_t milliseconds) {
    std::lock_guard guard(lock_);
    record("setTimer " + std::to_string(id) + " " + std::to_string(milliseconds));
    FakeWindow* w = window(handle);
    if (w == nullptr) return;
    // Setting a running timer again only changes its period.
    auto found = std::find(w->timers.begin(), w->timers.end(), id);
    if (found != w->timers.end()) {
        w->timerPeriods[found - w->timers.begin()] = milliseconds;
        return;
    }
    w->timers.push_back(id);
    w->timerPeriods.push_back(milliseconds);
}

void FakePlatform::killTimer(WindowHandle handle, std::uintptr_t id) {
    std::lock_guard guard(lock_);
    record("killTimer " + std::to_string(id));
    FakeWindow* w = window(handle);
    if (w == nullptr) return;
    auto found = std::find(w->timers.begin(), w->timers.end(), id);
    if (found == w->timers.end()) return;
    w->timerPeriods.erase(w->timerPeriods.begin() + (found - w->timers.begin()));
    w->timers.erase(found);
}

void FakePlatform::trackPointerLeave(WindowHandle) {
    std::lock_guard guard(lock_);
    record("trackPointerLeave");
}

Rect FakePlatform::windowRect(WindowHandle handle) {
    std::lock_guard guard(lock_);
    const FakeWindow* w = window(handle);
    return w != nullptr ? w->rect : Rect{};
}

Rect FakePlatform::adjustWindowRect(const Rect& rect, std::uint32_t, std::uint32_t) {
    return rect;  // a popup window has no frame
}

void FakePlatform::setWindowPos(WindowHandle handle, int x, int y, int width, int height, std::uint32_t flags) {
    std::lock_guard guard(lock_);
    record("setWindowPos " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
           std::to_string(height) + " flags=" + hex(flags));
    if (FakeWindow* w = window(handle)) {
        if ((flags & SwpNoMove) == 0) {
            w->rect = {x, y, x + w->rect.width(), y + w->rect.height()};
        }
        if ((flags & SwpNoSize) == 0) {
            w->rect.right = w->rect.left + width;
            w->rect.bottom = w->rect.top + height;
        }
    }
}

Size FakePlatform::screenSize() { return screen; }

Point FakePlatform::cursorPosition() {
    std::lock_guard guard(lock_);
    cursorReads += 1;
    return cursor;
}

Point FakePlatform::screenToClient(WindowHandle, Point screenPoint) {
    std::lock_guard guard(lock_);
    return {screenPoint.x - clientOrigin.x, screenPoint.y - clientOrigin.y};
}

void FakePlatform::setCursor(CursorShape shape) {
    std::lock_guard guard(lock_);
    cursor_ = shape;
}

void FakePlatform::setClassIcon(WindowHandle, IconHandle icon) {
    std::lock_guard guard(lock_);
    record("setClassIcon " + std::to_string(iconResourceId(icon)));
    classIcon_ = icon;
}

void FakePlatform::setWindowIcon(WindowHandle, IconHandle icon) {
    std::lock_guard guard(lock_);
    record("setWindowIcon " + std::to_string(iconResourceId(icon)));
}

// --- message boxes and dialogs ---------------------------------------------

int FakePlatform::messageBox(WindowHandle owner, std::string_view text, std::string_view caption) {
    record("messageBox owner=" + hex(value(owner)) + " caption=" + std::string(caption) + " text=" + std::string(text));
    return 1;
}

std::intptr_t FakePlatform::dialogBox(std::uint32_t templateId, WindowHandle owner, DialogProcedure procedure) {
    WindowHandle dialog = nullptr;
    int button = 2;
    {
        std::lock_guard guard(lock_);
        record("dialogBox " + std::to_string(templateId) + " owner=" + hex(value(owner)));
        std::uintptr_t raw = nextHandle_++;
        FakeWindow& w = windows_[raw];
        w.isDialog = true;
        w.dialogProcedure = procedure;
        w.rect = {0, 0, 300, 200};
        dialog = makeHandle<WindowHandle>(raw);
        auto scripted = dialogButtons.find(templateId);
        if (scripted != dialogButtons.end() && !scripted->second.empty()) {
            button = scripted->second.front();
            scripted->second.pop_front();
        }
    }
    procedure(dialog, WmInitDialog, 0, 0);
    if (onDialogOpen) onDialogOpen(dialog, templateId);
    auto ended = [&] {
        std::lock_guard guard(lock_);
        return window(dialog)->dialogEnded;
    };
    // Its modal loop delivers what was posted to it meanwhile (another
    // thread, another process).
    while (!ended()) {
        Message posted{};
        {
            std::lock_guard guard(lock_);
            auto mine = std::find_if(queue_.begin(), queue_.end(), [&](const Message& m) { return m.window == dialog; });
            if (mine == queue_.end()) break;
            posted = *mine;
            queue_.erase(mine);
        }
        procedure(dialog, posted.message, posted.wParam, posted.lParam);
    }
    if (!ended()) procedure(dialog, WmCommand, static_cast<WParam>(button), 0);
    // A button that does not close the dialog (for example "clear history")
    // leaves it open; the user then closes it with the close box.
    if (!ended()) procedure(dialog, WmSysCommand, ScClose, 0);
    if (!ended()) procedure(dialog, WmClose, 0, 0);
    std::lock_guard guard(lock_);
    FakeWindow* w = window(dialog);
    std::intptr_t result = w->dialogEnded ? w->dialogResult : -1;
    windows_.erase(value(dialog));
    return result;
}

void FakePlatform::endDialog(WindowHandle dialog, std::intptr_t result) {
    std::lock_guard guard(lock_);
    record("endDialog " + std::to_string(result));
    if (FakeWindow* w = window(dialog)) {
        w->dialogEnded = true;
        w->dialogResult = result;
    }
}

void FakePlatform::setDialogItemText(WindowHandle, int itemId, std::string_view text) {
    record("setDialogItemText " + std::to_string(itemId) + " " + std::string(text));
}

void FakePlatform::showDialogItem(WindowHandle, int itemId, bool visible) {
    record("showDialogItem " + std::to_string(itemId) + (visible ? " show" : " hide"));
}

void FakePlatform::placeDialogItem(WindowHandle, int itemId, const Rect& pixels) {
    record("placeDialogItem " + std::to_string(itemId) + " " + std::to_string(pixels.left) + "," +
           std::to_string(pixels.top) + " " + std::to_string(pixels.width()) + "x" + std::to_string(pixels.height()));
}

void FakePlatform::focusDialogItem(WindowHandle, int itemId) { record("focusDialogItem " + std::to_string(itemId)); }

void FakePlatform::resizeDialogItem(WindowHandle, int itemId, int width, int height) {
    record("resizeDialogItem " + std::to_string(itemId) + " " + std::to_string(width) + "x" + std::to_string(height));
}

void FakePlatform::setDialogClientSize(WindowHandle dialog, int width, int height) {
    std::lock_guard guard(lock_);
    record("setDialogClientSize " + std::to_string(width) + "x" + std::to_string(height));
    if (FakeWindow* w = window(dialog)) {
        w->rect.right = w->rect.left + width;
        w->rect.bottom = w->rect.top + height;
    }
}

void FakePlatform::insertTab(WindowHandle, int tabControlId, int index, std::string_view text) {
    record("insertTab " + std::to_string(tabControlId) + " " + std::to_string(index) + " " + std::string(text));
}

int FakePlatform::selectedTab(WindowHandle, int) { return tabSelection; }

void FakePlatform::setProgressRange(WindowHandle, int itemId, int low, int high, int step) {
    record("setProgressRange " + std::to_string(itemId) + " " + std::to_string(low) + ".." + std::to_string(high) +
           " step=" + std::to_string(step));
}

void FakePlatform::stepProgress(WindowHandle, int itemId) { record("stepProgress " + std::to_string(itemId)); }

bool FakePlatform::fileDialog(FileDialogRequest& request) {
    record(std::string("fileDialog ") + (request.kind == FileDialogKind::Open ? "open" : "save") + " title=" +
           request.title + " filter=" + request.filterDescription + "|" + request.filterPattern +
           " ext=" + request.defaultExtension + " flags=" + hex(request.flags) + " owner=" +
           hex(value(request.owner)) + " offered=" + request.fileName);
    if (failFileDialog) return false;
    request.fileName = fileDialogAnswer;
    std::size_t slash = fileDialogAnswer.find_last_of("/\\");
    request.fileTitle = slash == std::string::npos ? fileDialogAnswer : fileDialogAnswer.substr(slash + 1);
    return true;
}

// --- notification area and menus -------------------------------------------

void FakePlatform::restartTaskbar() {
    std::lock_guard guard(lock_);
    trayPresent_ = false;
}

bool FakePlatform::notifyIcon(TrayOperation operation, const TrayIconData& data) {
    std::lock_guard guard(lock_);
    static const char* const names[] = {"add", "modify", "delete"};
    record(std::string("notifyIcon ") + names[static_cast<int>(operation)] + " size=" + std::to_string(data.size) +
           " id=" + hex(data.id) + " flags=" + hex(data.flags) + " message=" + hex(data.callbackMessage) +
           " icon=" + std::to_string(iconResourceId(data.icon)) + " tip=" + data.tip);
    switch (operation) {
        case TrayOperation::Add:
            if (trayPresent_) return false;
            trayPresent_ = true;
            tray_ = data;
            return true;
        case TrayOperation::Modify:
            if (!trayPresent_) return false;
            tray_ = data;
            return true;
        case TrayOperation::Delete:
            if (!trayPresent_) return false;
            trayPresent_ = false;
            return true;
    }
    return false;
}

MenuHandle FakePlatform::createPopupMenu() {
    std::lock_guard guard(lock_);
    record("createPopupMenu");
    return makeHandle<MenuHandle>(nextHandle_++);
}

void FakePlatform::appendMenuItem(MenuHandle, std::uint32_t id, const char* text) {
    record("appendMenuItem " + std::to_string(id) + " " + text);
}

std::uint32_t FakePlatform::trackPopupMenu(MenuHandle, Point screenPoint, WindowHandle) {
    std::lock_guard guard(lock_);
    record("trackPopupMenu " + std::to_string(screenPoint.x) + "," + std::to_string(screenPoint.y));
    return menuChoice;
}

void FakePlatform::destroyMenu(MenuHandle) { record("destroyMenu"); }

void FakePlatform::appendMenuSeparator(MenuHandle) { record("appendMenuSeparator"); }

void FakePlatform::appendCheckItem(MenuHandle, std::uint32_t id, std::string_view text, bool checked) {
    record("appendCheckItem " + std::to_string(id) + " " + std::string(text) + (checked ? " checked" : " unchecked"));
}

void FakePlatform::appendSubmenu(MenuHandle, MenuHandle, std::string_view text) {
    record("appendSubmenu " + std::string(text));
}

// --- shell ------------------------------------------------------------------

bool FakePlatform::shellExecute(WindowHandle, const char* verb, const std::string& file, const std::string& parameters,
                                const char* directory, int showCommand) {
    // Read before the record: a test that waits for the record may end, and
    // this fake with it, as soon as it is there.
    const bool started = !failShellExecute;
    record(std::string("shellExecute verb=") + (verb ? verb : "") + " file=" + file + " parameters=" + parameters +
           " directory=" + (directory ? directory : "(none)") + " show=" + std::to_string(showCommand));
    return started;
}

// --- other processes, console, hotkeys, shortcuts ---------------------------

bool FakePlatform::sendCopyData(WindowHandle handle, std::uintptr_t tag, std::string_view bytes,
                                std::uint32_t timeoutMs, LResult& answer) {
    record("sendCopyData tag=" + hex(static_cast<std::uint32_t>(tag)) + " bytes=" + std::string(bytes) +
           " timeout=" + std::to_string(timeoutMs));
    if (copyDataTimesOut) return false;
    WindowProcedure procedure = procedureFor(handle);
    if (procedure == nullptr) return false;
    CopyDataRecord data{tag, static_cast<std::uint32_t>(bytes.size()), const_cast<char*>(bytes.data())};
    answer = procedure(handle, WmCopyData, 0, reinterpret_cast<LParam>(&data));
    return true;
}

bool FakePlatform::attachParentConsole() {
    record(std::string("attachParentConsole ") + (parentConsole ? "attached" : "none"));
    return parentConsole;
}

void FakePlatform::writeStandardError(std::string_view line) {
    std::lock_guard guard(lock_);
    record("writeStandardError " + std::string(line));
    standardError.emplace_back(line);
}

bool FakePlatform::registerHotKey(WindowHandle, int id, std::uint32_t modifiers, std::uint32_t virtualKey) {
    record("registerHotKey id=" + std::to_string(id) + " modifiers=" + hex(modifiers) + " key=" + hex(virtualKey));
    return takenHotKeys.count({modifiers, virtualKey}) == 0;
}

void FakePlatform::unregisterHotKey(WindowHandle, int id) { record("unregisterHotKey id=" + std::to_string(id)); }

std::string FakePlatform::startupFolder() { return startupFolderPath; }

bool FakePlatform::createShortcut(const std::string& linkPath, const std::string& target,
                                  const std::string& workingFolder) {
    record("createShortcut " + linkPath + " target=" + target + " folder=" + workingFolder);
    if (failShortcut) return false;
    // A real file, so that tests see it come and go.
    std::FILE* out = std::fopen(linkPath.c_str(), "wb");
    if (out == nullptr) return false;
    std::fprintf(out, "%s\n%s\n", target.c_str(), workingFolder.c_str());
    std::fclose(out);
    return true;
}

bool FakePlatform::deleteFile(const std::string& path) {
    record("deleteFile " + path);
    return std::remove(path.c_str()) == 0;
}

// --- drawing ----------------------------------------------------------------

FontHandle FakePlatform::createUiFont(int height, int weight, int charset, std::u16string_view face) {
    std::lock_guard guard(lock_);
    record("createUiFont " + std::to_string(height) + " " + std::to_string(weight) + " " + std::to_string(charset) +
           " " + utf8FromUtf16(face));
    if (failFontCreation) return nullptr;
    return makeHandle<FontHandle>(nextHandle_++);
}

void FakePlatform::deleteFont(FontHandle) { record("deleteFont"); }

bool FakePlatform::createBackBuffer(WindowHandle, int width, int height, Surface& surface) {
    record("createBackBuffer " + std::to_string(width) + "x" + std::to_string(height));
    if (width <= 0 || height <= 0) return false;
    auto* storage = new std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4, 0);
    surface.pixels = storage->data();
    surface.width = width;
    surface.height = height;
    surface.native = storage;
    return true;
}

void FakePlatform::destroyBackBuffer(Surface& surface) {
    record("destroyBackBuffer");
    delete static_cast<std::vector<std::uint8_t>*>(surface.native);
    surface = Surface{};
}

void FakePlatform::beginPaint(WindowHandle) { record("beginPaint"); }

void FakePlatform::presentBackBuffer(WindowHandle, const Surface& surface) {
    record("presentBackBuffer " + std::to_string(surface.width) + "x" + std::to_string(surface.height));
}

void FakePlatform::endPaint(WindowHandle) { record("endPaint"); }

void FakePlatform::drawText(Surface&, const char16_t* text, const TextStyle& style, int x, int y) {
    if (!recordDrawing) return;
    record("drawText " + std::to_string(x) + "," + std::to_string(y) + " size=" + std::to_string(style.sizePixels) +
           " align=" + std::to_string(style.alignment) + " argb=" + hex(style.argb) + " " + utf8FromUtf16(text));
}

void FakePlatform::drawLine(Surface&, float penWidth, std::uint32_t argb, int x1, int y1, int x2, int y2) {
    if (!recordDrawing) return;
    record("drawLine " + std::to_string(x1) + "," + std::to_string(y1) + "-" + std::to_string(x2) + "," +
           std::to_string(y2) + " pen=" + std::to_string(penWidth) + " argb=" + hex(argb));
}

namespace {

std::uint32_t bigEndian32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}

// stb grows its buffer to a PNG chunk's stated length before it finds the
// bytes missing, so a damaged length would cost gigabytes; the system
// decoder simply fails on such a file, and so does this one.
bool pngChunksFit(const std::uint8_t* bytes, std::size_t count) {
    static constexpr std::uint8_t Signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (count < sizeof Signature || std::memcmp(bytes, Signature, sizeof Signature) != 0) return true;
    std::size_t at = sizeof Signature;
    while (count - at >= 12) {  // length, type, data, CRC
        const std::uint32_t length = bigEndian32(bytes + at);
        if (length > count - at - 12) return false;
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) return true;
        at += 12 + length;
    }
    return true;
}

}  // namespace

bool FakePlatform::decodeImage(const std::uint8_t* bytes, std::size_t count, DecodedImage& image) {
    int width = 0;
    int height = 0;
    int channels = 0;
    // This decoder stands in for the system's: a header that claims hundreds
    // of millions of pixels would only measure stb's speed, so such images
    // are refused before anything is decoded.
    if (count > static_cast<std::size_t>(std::numeric_limits<int>::max()) || !pngChunksFit(bytes, count) ||
        stbi_info_from_memory(bytes, static_cast<int>(count), &width, &height, &channels) == 0 ||
        static_cast<long long>(width) * height > decodePixelLimit) {
        return false;
    }
    // The program's own road for plain PNGs first, as on Windows.
    if (decodePlainPng(bytes, count, image)) return true;
    stbi_uc* rgba = stbi_load_from_memory(bytes, static_cast<int>(count), &width, &height, &channels, 4);
    if (rgba == nullptr) return false;
    image.width = width;
    image.height = height;
    image.stride = width * 4;
    image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        image.pixels[i + 0] = rgba[i + 2];  // blue
        image.pixels[i + 1] = rgba[i + 1];  // green
        image.pixels[i + 2] = rgba[i + 0];  // red
        image.pixels[i + 3] = rgba[i + 3];  // alpha
    }
    stbi_image_free(rgba);
    return true;
}

bool FakePlatform::decodeImageFile(std::u16string_view path, DecodedImage& image) {
    std::string narrow = utf8FromUtf16(path);
    std::FILE* file = std::fopen(narrow.c_str(), "rb");
    if (file == nullptr) return false;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return decodeImage(bytes.data(), bytes.size(), image);
}

}  // namespace vt
