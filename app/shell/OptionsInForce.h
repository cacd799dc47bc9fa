// The options of "profile/options.cfg" at work: read once at start-up, each
// change from the tray menu in force at once and saved at once.
//
// Without the file nothing here calls the system or writes a file: the
// program runs exactly as it did before it had options.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "settings/Options.h"

namespace vt {

inline constexpr const char* StartupShortcutName = "Vantrelis.lnk";

// After the main window is up: the options in force.
void takeOptionsAtStart(WindowHandle window);
const ProgramOptions& optionsInForce();

// The tray submenu's check items (IDM_TRAY_START_WITH_WINDOWS, _HOTKEYS,
// _MONITOR_LOG): the option flips, takes effect and is saved.
void toggleOption(std::uint32_t command);

// WM_OPTIONS_NOTICE: what an option has to tell, once a run each.
void showOptionNotices();

// The shutdown sequence: hotkeys given back, the monitoring log's last rows
// written.
void endOptions(WindowHandle window);

// Back to a process's start (tests).
void resetOptionsInForce();

}  // namespace vt
