#include "app/shell/OptionsInForce.h"

#include <string>
#include <vector>

#include "app/shell/Hotkeys.h"
#include "gpu/MonitorRows.h"
#include "platform/Messages.h"
#include "platform/Platform.h"
#include "resources/ResourceIds.h"
#include "settings/OperationLog.h"
#include "state/Lifecycle.h"

namespace vt {
namespace {

constexpr const char* Caption = "Vantrelis";
constexpr const char* DamagedNotice =
    "オプションのファイル profile/options.cfg が壊れているため、すべてのオプションをオフにしました。";
constexpr const char* ShortcutNotice = "スタートアップにショートカットを作成できませんでした。";

ProgramOptions inForce;
std::vector<std::string> notices;
// Each taken combination is named once a run, however often hotkeys go on.
std::vector<std::string> reportedTaken;

void tell(const std::string& notice) {
    notices.push_back(notice);
    platform().postMessage(lifecycle.mainWindow, WM_OPTIONS_NOTICE, 0, 0);
}

std::string shortcutPath() {
    const std::string folder = platform().startupFolder();
    return folder.empty() ? std::string() : folder + "\\" + StartupShortcutName;
}

// False when the shortcut could not be made.
bool placeShortcut(bool wanted) {
    Platform& os = platform();
    const std::string link = shortcutPath();
    if (!wanted) {
        if (!link.empty()) os.deleteFile(link);
        return true;
    }
    return !link.empty() && os.createShortcut(link, os.programFile(), lifecycle.programFolder);
}

void hotkeysOn(WindowHandle window) {
    std::vector<std::string> fresh;
    for (const std::string& name : registerHotkeys(window)) {
        bool reported = false;
        for (const std::string& old : reportedTaken) reported = reported || old == name;
        if (!reported) fresh.push_back(name);
    }
    if (fresh.empty()) return;
    reportedTaken.insert(reportedTaken.end(), fresh.begin(), fresh.end());
    tell(takenHotkeysNotice(fresh));
}

std::string logFolder() { return lifecycle.programFolder + "/" + LogFolder; }

void save() {
    Platform& os = platform();
    const std::string folder = lifecycle.programFolder + "/profile";
    if (!os.isDirectory(folder)) os.createDirectory(folder);
    writeOptions(lifecycle.programFolder + "/" + OptionsPath, inForce);
}

}  // namespace

void takeOptionsAtStart(WindowHandle window) {
    const OptionsFile file = readOptions(OptionsPath);
    if (file.state != OptionsState::Missing) inForce = file.options;
    // The installer's "start with Windows" makes the same shortcut without
    // an options file: the menu shows what the Startup folder holds.
    const std::string link = shortcutPath();
    if (!link.empty() && platform().fileExists(link)) inForce.startWithWindows = true;
    if (file.state == OptionsState::Missing) return;
    if (file.state == OptionsState::Damaged) tell(DamagedNotice);
    // Made again at every start: the program may have moved, and the
    // shortcut must start it in the folder it now runs from.
    if (inForce.startWithWindows && !placeShortcut(true)) tell(ShortcutNotice);
    if (inForce.hotkeys) hotkeysOn(window);
    if (inForce.monitorLog) startMonitorLog(logFolder());
}

const ProgramOptions& optionsInForce() { return inForce; }

void toggleOption(std::uint32_t command) {
    const WindowHandle window = lifecycle.mainWindow;
    switch (command) {
        case IDM_TRAY_START_WITH_WINDOWS:
            if (!placeShortcut(!inForce.startWithWindows)) {
                tell(ShortcutNotice);
                return;
            }
            inForce.startWithWindows = !inForce.startWithWindows;
            break;
        case IDM_TRAY_HOTKEYS:
            inForce.hotkeys = !inForce.hotkeys;
            if (inForce.hotkeys) {
                hotkeysOn(window);
            } else {
                unregisterHotkeys(window);
            }
            break;
        case IDM_TRAY_MONITOR_LOG:
            inForce.monitorLog = !inForce.monitorLog;
            if (inForce.monitorLog) {
                startMonitorLog(logFolder());
            } else {
                stopMonitorLog();
            }
            break;
        default:
            return;
    }
    save();
}

void showOptionNotices() {
    // Taken first: a notice that opens another notice would show them nested.
    std::vector<std::string> pending;
    pending.swap(notices);
    for (const std::string& notice : pending) platform().messageBox(lifecycle.mainWindow, notice, Caption);
}

void endOptions(WindowHandle window) {
    if (hotkeysRegistered()) unregisterHotkeys(window);
    if (monitorLogOn()) stopMonitorLog();
}

void resetOptionsInForce() {
    inForce = ProgramOptions{};
    notices.clear();
    reportedTaken.clear();
    unregisterHotkeys(nullptr);
    stopMonitorLog();
}

}  // namespace vt
